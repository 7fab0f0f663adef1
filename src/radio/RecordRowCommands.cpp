#include "radio/RecordRowCommands.h"

#include <algorithm>
#include <string>

#include "base/EventCodes.h"
#include "base/cmcEvMan.h"
#include "radio/CellUi.h"
#include "radio/MemoryMap.h"
#include "radio/cmcCellCapsule.h"
#include "radio/datClipCh.h"
#include "sheet/CellCatalogue.h"
#include "text/OverlayKeys.h"
#include "text/cmcGTex.h"

namespace {

void Report(const char* key) {
    EvMan().SendText(ev::kIndicatorText, cellcolor::kWindowText, cellcolor::kBtnFace,
                     GTex().GetText(key));
}

// A row is empty when the cursor does not keep it loaded: only DSC ID rows can be.
bool IsEmpty(cmcEeprom& image, int table, int row) {
    datCh ch(&image);
    ch.Load(table, row);
    return !(ch.state & datCh::kLoaded);
}

bool AnyFull(cmcEeprom& image, int table, int first, int last) {
    for (int row = first; row <= last; ++row) {
        if (!IsEmpty(image, table, row)) return true;
    }
    return false;
}

void SelectBlock(cmcCellCapsule& req, int first, int last) {
    req.rowSelFlags |= cmcCellCapsule::kRowBlock | cmcCellCapsule::kRowMarkRequest;
    req.rowSelFirst = first;
    req.rowSelLast = last;
}

void GoTo(cmcCellCapsule& req, int row) {
    req.row = row;
    req.gotoFlag = 1;
}

// Moves count rows from `from` to `to` within the table (the ranges may overlap).
void MoveRows(cmcEeprom& image, int table, int from, int to, int count) {
    if (count <= 0) return;
    datClipCh moving;
    moving.CopyRows(image, table, from, count);
    moving.PasteRows(image, table, to, count);
}

void BlankRows(cmcEeprom& image, int table, int first, int count) {
    if (count <= 0) return;
    datClipCh blank;
    blank.FillBlank(image, table, first, count);
    blank.PasteRows(image, table, first, count);
}

}  // namespace

RecordRowCommands::Range RecordRowCommands::RangeOf(int table) {
    switch (table) {
        // Channel rows stand for fixed channels: their records can be copied and moved but a
        // cleared row would have no meaning.
        case mm::kIntCh:
        case mm::kUsaCh:
        case mm::kCanCh:
        case mm::kWxCh:
            return {0, mm::kTables[table].rows - 1, false};
        case mm::kFreeCh:
        case mm::kDscIndId:
        case mm::kDscGrpId:
            return {0, mm::kTables[table].rows - 1, true};
        // DSC channel rows are channel numbers with gaps between the plans: moving blocks
        // would push records into numbers the radio does not have.
        default:
            return {0, -1, false};
    }
}

bool RecordRowCommands::InRange(int table, int row) const {
    const Range r = RangeOf(table);
    return row >= r.first && row <= r.last;
}

bool RecordRowCommands::CanPaste(int table) const {
    return clip_.CanPaste(table);
}

void RecordRowCommands::Run(int command, cmcCellCapsule& req, datCh& record) {
    if (record.image == nullptr) return;
    Block b{record.table, record.row, record.row, record.row, RangeOf(record.table)};
    if (!InRange(b.table, b.current)) return;
    if (req.rowSelFlags & cmcCellCapsule::kRowBlock) {
        b.first = std::min(req.rowSelFirst, req.rowSelLast);
        b.last = std::max(req.rowSelFirst, req.rowSelLast);
    }
    // Every command works inside the range only.
    b.first = std::max(b.first, b.range.first);
    b.last = std::min(b.last, b.range.last);
    if (b.first > b.last) return;
    cmcEeprom& image = *record.image;
    // The rows of a block or a paste are the table's rows in order, hidden ones among them;
    // the command would move records the user cannot see, so it is refused.
    if (ReachesHiddenRows(command, b, image)) {
        req.refusal = keys::kBotttomHiddenRows;
        return;
    }
    switch (command) {
        case CL_PMenu_Copy:
            Copy(req, b, image);
            break;
        case CL_PMenu_Paste:
            Paste(req, b, image, record);
            break;
        case CL_PMenu_CarryUp:
            Carry(req, b, image, true);
            break;
        case CL_PMenu_CarryDown:
            Carry(req, b, image, false);
            break;
        case CL_PMenu_Clear:
            Clear(req, b, image);
            break;
        case CL_PMenu_Delete:
            Delete(req, b, image);
            break;
        case CL_PMenu_Insert:
            Insert(req, b, image);
            break;
        default:
            break;
    }
}

bool RecordRowCommands::ReachesHiddenRows(int command, const Block& b, cmcEeprom& image) const {
    // Only the channel tables hide rows: every row of another table counts as usable.
    if (!usableOnly_ || !usableOnly_()) return false;
    int first = b.first, last = b.last;
    switch (command) {
        case CL_PMenu_Paste:
            first = b.current;
            last = b.current + std::min(clip_.Count(), b.range.last - b.current + 1) - 1;
            break;
        case CL_PMenu_CarryUp:
            first = b.first - 1;
            break;
        case CL_PMenu_CarryDown:
            last = b.last + 1;
            break;
        default:
            break;
    }
    first = std::max(first, b.range.first);
    last = std::min(last, b.range.last);
    for (int row = first; row <= last; ++row)
        if (!ChannelUsable(image, b.table, row)) return true;
    return false;
}

void RecordRowCommands::Copy(cmcCellCapsule& req, Block& b, cmcEeprom& image) {
    clip_.CopyRows(image, b.table, b.first, b.Count());
    SelectBlock(req, b.first, b.last);
    Report(keys::kAppMessSCopy);
}

void RecordRowCommands::Paste(cmcCellCapsule& req, Block& b, cmcEeprom& image, datCh& record) {
    if (!clip_.CanPaste(b.table)) return;
    const int count = std::min(clip_.Count(), b.range.last - b.current + 1);
    if (count <= 0) return;
    const int last = b.current + count - 1;
    if (AnyFull(image, b.table, b.current, last) && !Confirm(RowCaution::Overwrite)) return;
    clip_.PasteRows(image, b.table, b.current, count);
    if (count == 1) {
        EvMan().Post(ev::kRepaintIndex, 0, b.current);
    } else {
        EvMan().Post(ev::kRepaintAll);
    }
    record.Load(b.table, b.current);
    SelectBlock(req, b.current, last);
    Report(keys::kAppMessSPaste);
}

void RecordRowCommands::Carry(cmcCellCapsule& req, Block& b, cmcEeprom& image, bool up) {
    if (up ? b.first <= b.range.first : b.last >= b.range.last) return;
    const int n = b.Count();
    datClipCh block;
    datClipCh neighbour;
    block.CopyRows(image, b.table, b.first, n);
    if (up) {
        neighbour.CopyRows(image, b.table, b.first - 1, 1);
        block.PasteRows(image, b.table, b.first - 1, n);
        neighbour.PasteRows(image, b.table, b.last, 1);
        SelectBlock(req, b.first - 1, b.last - 1);
        GoTo(req, b.first - 1);
    } else {
        neighbour.CopyRows(image, b.table, b.last + 1, 1);
        neighbour.PasteRows(image, b.table, b.first, 1);
        block.PasteRows(image, b.table, b.first + 1, n);
        SelectBlock(req, b.first + 1, b.last + 1);
        GoTo(req, b.last + 1);
    }
    EvMan().Post(ev::kRepaintAll);
}

void RecordRowCommands::Clear(cmcCellCapsule& /*req*/, Block& b, cmcEeprom& image) {
    if (!b.range.canClear || !Confirm(RowCaution::Clear)) return;
    BlankRows(image, b.table, b.first, b.Count());
    for (int row = b.first; row <= b.last; ++row) EvMan().Post(ev::kRepaintIndex, 0, row);
    Report(keys::kAppMessSClear);
}

void RecordRowCommands::Delete(cmcCellCapsule& req, Block& b, cmcEeprom& image) {
    if (!b.range.canClear) return;
    if (AnyFull(image, b.table, b.first, b.last) && !Confirm(RowCaution::Delete)) return;
    const int n = b.Count();
    MoveRows(image, b.table, b.last + 1, b.first, b.range.last - b.last);
    BlankRows(image, b.table, b.range.last - n + 1, n);
    req.rowSelFlags = cmcCellCapsule::kRowMarkRequest;
    req.rowSelFirst = b.first;
    req.rowSelLast = b.first;
    GoTo(req, b.first);
    EvMan().Post(ev::kRepaintAll);
    Report(keys::kAppMessSDelete);
}

void RecordRowCommands::Insert(cmcCellCapsule& req, Block& b, cmcEeprom& image) {
    if (!b.range.canClear) return;
    const int n = b.Count();
    if (AnyFull(image, b.table, b.range.last - n + 1, b.range.last) &&
        !Confirm(RowCaution::Overflow)) {
        return;
    }
    MoveRows(image, b.table, b.first, b.first + n, b.range.last - n + 1 - b.first);
    BlankRows(image, b.table, b.first, n);
    SelectBlock(req, b.first, b.last);
    EvMan().Post(ev::kRepaintAll);
    Report(keys::kAppMessSInsert);
}
