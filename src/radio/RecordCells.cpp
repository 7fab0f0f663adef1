// Cells of the record tables: channels of the three channel lists, DSC channels, weather
// channels, free channels and the DSC address book.
#include <algorithm>

#include "base/EventCodes.h"
#include "base/cmcEvMan.h"
#include "radio/CellDispatchHost.h"
#include "radio/CellDispatcher.h"
#include "radio/CellSources.h"
#include "radio/MemoryMap.h"
#include "radio/SettingsMap.h"
#include "radio/TransmitRules.h"
#include "radio/ValueEditors.h"
#include "radio/WarningCheck.h"
#include "radio/cmcEeprom.h"
#include "sheet/CellCatalogue.h"
#include "sheet/cmcCellObj.h"
#include "text/OverlayKeys.h"

namespace {

constexpr int kOrdinaryList = 1;  // choice lists whose items are Flex0 cells

bool IsChannelTable(int t) {
    return t == mm::kIntCh || t == mm::kUsaCh || t == mm::kCanCh;
}

// The handler's table must be the cell's; a row the table does not have shows nothing.
bool Ready(CellCall& c, bool rightTable) {
    if (!rightTable) {
        c.NotYet();
        return false;
    }
    if (!c.rec.Addressed()) {
        c.ReadOnly();
        return false;
    }
    return true;
}

// "---": the value has no meaning for this row; not editable.
void Dashes(CellCall& c) {
    c.ReadOnly();
    c.req.displayText = "---";
}

bool FlagChoice(CellCall& c, const char* list, uint8_t bit) {
    int v = (c.rec.flags & bit) ? 1 : 0;
    if (!EditChoice(c.req, list, kOrdinaryList, v)) return false;
    c.rec.flags = v ? (c.rec.flags | bit) : (c.rec.flags & ~bit);
    c.rec.Commit();
    return true;
}

// A fixed-length name of the record; `filter` brings committed text into the radio's set.
template <size_t N>
bool TextCell(CellCall& c, std::array<char, N>& text, void (*filter)(char*, int)) {
    if (!EditText(c.req, text.data(), static_cast<int>(N))) return false;
    filter(text.data(), static_cast<int>(N));
    c.rec.Commit();
    int len = static_cast<int>(N);
    while (len > 0 && text[len - 1] == ' ') --len;
    c.req.displayText.assign(text.data(), len);
    c.req.selStart = 0;
    c.req.selLength = len;
    return true;
}

void ShortFilter(char* text, int) {
    ShortNameFilter(text);
}

void PostLabelChanged(const CellCall& c) {
    EvMan().Post(ev::kRepaintLabel, 0, c.cell.Label);
}

// --- channel lists (tables 1-3) ---

void ChannelNumber(CellCall& c) {
    if (!Ready(c, IsChannelTable(c.table))) return;
    c.ReadOnly();
    c.req.displayText = c.rec.ChannelNumberText();
}

std::string AttrText(const char* list, const datCh& rec) {
    std::string text = ChoiceText(list, kOrdinaryList, rec.Unused() ? 3 : 0);
    if (rec.marks & datCh::kMarkP) text += 'P';
    if (rec.marks & datCh::kMarkC) text += 'C';
    return text;
}

void ChannelAttr(CellCall& c) {
    if (!Ready(c, IsChannelTable(c.table))) return;
    const bool view = c.host.UsableOnlyView();
    const char* list = view ? keys::kSheetSelChATRUse : keys::kSheetSelChATRAll;
    int item = -1;
    const AttrAction action =
        EditChannelAttr(c.req, list, c.rec.Unused() ? 3 : 0, c.rec.marks, view, item);
    switch (action) {
        case AttrAction::kSetMark:
            c.rec.marks |= item == 1 ? datCh::kMarkP : datCh::kMarkC;
            c.rec.flags &= ~datCh::kUnused;
            c.rec.Commit();
            c.req.displayText = AttrText(list, c.rec);
            EvMan().Post(ev::kRedrawChannelSheet, 0);
            break;
        case AttrAction::kToggleUnused:
        case AttrAction::kSetUsed:
        case AttrAction::kSetUnused: {
            const uint8_t before = c.rec.flags;
            if (action == AttrAction::kToggleUnused)
                c.rec.flags ^= datCh::kUnused;
            else if (action == AttrAction::kSetUsed)
                c.rec.flags &= ~datCh::kUnused;
            else
                c.rec.flags |= datCh::kUnused;
            if (c.rec.flags != before) c.rec.Commit();
            c.req.displayText = AttrText(list, c.rec);
            break;
        }
        case AttrAction::kToggleView:
            EvMan().Post(ev::kRedrawChannelSheet, 1);
            break;
        case AttrAction::kNone:
            break;
    }
    if (c.rec.Unused() && c.rec.marks != 0) c.SetError();
}

void ChannelTag(CellCall& c) {
    if (Ready(c, IsChannelTable(c.table))) FlagChoice(c, keys::kSheetSelChTag, datCh::kTag);
}
// Marks a cell with what the warning check finds there: the same rules, for this cell alone.
void MarkFindings(CellCall& c) {
    c.req.resultFlags |= warncheck::MarkOf(warncheck::FindingsOfCell(
        c.image, c.host.ModelType(), c.cell.Category, c.cell.Label, c.row));
}

void ChannelTxInh(CellCall& c) {
    if (!Ready(c, IsChannelTable(c.table))) return;
    FlagChoice(c, keys::kSheetSelChTxInh, datCh::kTxInh);
    MarkFindings(c);
}
void ChannelPoc(CellCall& c) {
    if (Ready(c, IsChannelTable(c.table))) FlagChoice(c, keys::kSheetSelChPoc, datCh::kPoc);
}

void ChannelSimplex(CellCall& c) {
    if (!Ready(c, IsChannelTable(c.table))) return;
    if (SimplexIsFixed(c.row)) {
        Dashes(c);
    } else if (c.row >= mm::kFirstFreeRow) {
        // Follows the free channel's frequencies.
        c.ReadOnly();
        c.req.displayText = ChoiceText(keys::kSheetSelChSimp, kOrdinaryList,
                                       (c.rec.flags & datCh::kSimplex) ? 1 : 0);
    } else {
        FlagChoice(c, keys::kSheetSelChSimp, datCh::kSimplex);
    }
}

void ChannelComment(CellCall& c) {
    if (Ready(c, IsChannelTable(c.table))) TextCell(c, c.rec.name, LcdFilter);
}

// --- DSC channels (table 4, row = channel number) ---

void DscAttr(CellCall& c) {
    if (!Ready(c, c.table == mm::kDscCh)) return;
    if (c.row == 16) {  // the distress and calling channel is always in use
        c.ReadOnly();
        c.req.displayText = "Used";
        return;
    }
    if (FlagChoice(c, keys::kSheetSelMiscUsed, datCh::kUnused)) PostLabelChanged(c);
}

void DscTxInh(CellCall& c) {
    if (!Ready(c, c.table == mm::kDscCh)) return;
    if (c.rec.Unused()) return Dashes(c);
    FlagChoice(c, keys::kSheetSelChTxInh, datCh::kTxInh);
    MarkFindings(c);
}

void DscPoc(CellCall& c) {
    if (!Ready(c, c.table == mm::kDscCh)) return;
    if (c.rec.Unused()) return Dashes(c);
    FlagChoice(c, keys::kSheetSelChPoc, datCh::kPoc);
}

void DscSimplex(CellCall& c) {
    if (!Ready(c, c.table == mm::kDscCh)) return;
    if (c.rec.Unused() || c.row > 1000) return Dashes(c);
    FlagChoice(c, keys::kSheetSelChSimp, datCh::kSimplex);
}

void DscComment(CellCall& c) {
    if (!Ready(c, c.table == mm::kDscCh)) return;
    if (c.rec.Unused()) return Dashes(c);
    TextCell(c, c.rec.name, LcdFilter);
}

// --- weather channels (table 5) ---

void WxAttr(CellCall& c) {
    if (!Ready(c, c.table == mm::kWxCh)) return;
    // Saving would put the factory's choice back.
    if (!smap::UserSetsWeather(c.host.ModelType())) RefuseFactoryValue(c.req);
    if (FlagChoice(c, keys::kSheetSelMiscUsed, datCh::kUnused)) PostLabelChanged(c);
    const unsigned word =
        c.image.GetByte(mm::kWxUnusedWord) | (c.image.GetByte(mm::kWxUnusedWord + 1) << 8);
    const unsigned all = (1u << mm::kTables[mm::kWxCh].rows) - 1;
    if ((word & all) == all) c.SetError();
}

void WxComment(CellCall& c) {
    if (!Ready(c, c.table == mm::kWxCh)) return;
    if (c.rec.Unused()) return Dashes(c);
    TextCell(c, c.rec.name, LcdFilter);
}

// --- free channels (table 6) ---

void FreeFrequency(CellCall& c) {
    if (!Ready(c, c.table == mm::kFreeCh)) return;
    const bool transmit = c.cell.Label == CL_Fch_FreqT;
    if (EditFrequency(c.req, c.rec, transmit)) c.rec.Commit();
    // A free channel that a list offers needs frequencies the radio may use.
    MarkFindings(c);
}

void FreeName(CellCall& c) {
    if (!Ready(c, c.table == mm::kFreeCh)) return;
    TextCell(c, c.rec.shortName, ShortFilter);
    MarkFindings(c);
}

// --- DSC address book (tables 7 and 8) ---

bool IsIdTable(int t) {
    return t == mm::kDscIndId || t == mm::kDscGrpId;
}

void IdCell(CellCall& c) {
    if (!Ready(c, IsIdTable(c.table))) return;
    if (EditId(c.req, c.rec.id.data())) {
        c.rec.Commit();
        PostLabelChanged(c);
    }
    MarkFindings(c);
}

void IdComment(CellCall& c) {
    if (!Ready(c, IsIdTable(c.table))) return;
    TextCell(c, c.rec.name, LcdFilter);
    MarkFindings(c);
}

}  // namespace

void RegisterRecordCells(CellHandlerTable& t) {
    t.Set(CL_ChList_No, ChannelNumber);
    t.Set(CL_ChList_Atr, ChannelAttr);
    t.Set(CL_ChList_Tag, ChannelTag);
    t.Set(CL_ChList_TxInh, ChannelTxInh);
    t.Set(CL_ChList_Poc, ChannelPoc);
    t.Set(CL_ChList_Simp, ChannelSimplex);
    t.Set(CL_ChList_Comment, ChannelComment);
    t.Set(CL_DSC_ChAtr, DscAttr);
    t.Set(CL_DSC_TxInh, DscTxInh);
    t.Set(CL_DSC_Poc, DscPoc);
    t.Set(CL_DSC_ChSimp, DscSimplex);
    t.Set(CL_DSC_Comment, DscComment);
    t.Set(CL_WX_ChAtr, WxAttr);
    t.Set(CL_WX_ChComment, WxComment);
    t.Set(CL_Fch_FreqR, FreeFrequency);
    t.Set(CL_Fch_FreqT, FreeFrequency);
    t.Set(CL_Fch_ChName, FreeName);
    t.Set(CL_DscIndId_Id, IdCell);
    t.Set(CL_DscGrpId_Id, IdCell);
    t.Set(CL_DscIndId_Comment, IdComment);
    t.Set(CL_DscGrpId_Comment, IdComment);
}
