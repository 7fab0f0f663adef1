#include "radio/CellDispatcher.h"

#include <cstdio>
#include <utility>

#include "base/EventCodes.h"
#include "base/cmcEvMan.h"
#include "platform/Fatal.h"
#include "radio/CellDispatchHost.h"
#include "radio/CellSources.h"
#include "radio/DebugCells.h"
#include "radio/RowCommander.h"
#include "radio/SettingsCells.h"
#include "radio/cmcEeprom.h"
#include "sheet/CellCatalogue.h"
#include "sheet/cmcCellObj.h"
#include "text/OverlayKeys.h"

namespace {

CellDispatchHost* g_host = nullptr;

const CellHandlerTable& Handlers() {
    static const CellHandlerTable table = [] {
        CellHandlerTable t;
        RegisterCommandCells(t);
        RegisterRecordCells(t);
        return t;
    }();
    return table;
}

bool IsChannelCategory(int category) {
    return category == CT_IntCh || category == CT_UsaCh || category == CT_CanCh;
}

bool IsRowNumberLabel(int label) {
    return label == CL_Misc_ChNo_0Base || label == CL_Misc_ChNo_1Base;
}

// Popup-menu commands chosen on a cell. Returns false when the category pre-step is skipped.
bool RunMenuCommand(CellCall& c, int label) {
    cmcCellCapsule& req = c.req;
    const int command = req.menuCommand;
    if (command == 0) return true;
    if (command == CL_PMenu_Edit) {
        req.key = cellkey::kEnter;
        req.menuCommand = 0;
        return true;
    }
    if (command >= CL_PMenu_Copy && command <= CL_PMenu_Insert) {
        RowCommander* rows = c.host.RowCommands();
        if (c.table != 0 && rows != nullptr && rows->InRange(c.table, c.row))
            rows->Run(command, req, c.rec);
        req.key = 0;
    } else if (command == CL_PMenu_Help) {
        c.host.OpenHelp(label);
        req.key = 0;
    }
    return false;
}

// Category pre-step. Returns true when it has answered the request itself.
bool PreStep(CellCall& c, int category, int label) {
    cmcCellCapsule& req = c.req;
    if (category == CT_PopupMenu) {
        const cmcCellObj* opener = req.parent != nullptr ? req.parent->cell : nullptr;
        if (opener != nullptr) {
            c.table = CategoryTable(opener->Category);
            c.row = opener->Index;
            c.rec.Load(c.table, c.row);
        }
        return false;
    }
    if (IsChannelCategory(category)) {
        if (!c.rec.Addressed() || !c.rec.Unused() || label == CL_ChList_No ||
            label == CL_ChList_Atr || IsRowNumberLabel(label))
            return false;
        // An unused channel shows dashes and takes no typing.
        req.displayText = "---";
        if ((req.key > 0 && req.key < 128) ||
            (req.key == cellkey::kF2 && label == CL_ChList_Comment)) {
            req.key = 0;
            c.restricted = true;
        }
        return true;
    }
    if (category == CT_DscIndId || category == CT_DscGrpId) {
        const int idLabel = category == CT_DscIndId ? CL_DscIndId_Id : CL_DscGrpId_Id;
        if (!c.rec.Addressed() || (c.rec.state & datCh::kLoaded) || label == idLabel ||
            IsRowNumberLabel(label))
            return false;
        // An empty entry starts at its ID: hand the key on to the ID cell.
        if ((req.key > 0 && req.key < 128) || req.key == cellkey::kF2) {
            req.label = idLabel;
            req.gotoFlag = 1;
            req.replayKey = req.key;
            req.key = 0;
        }
        return true;
    }
    return false;
}

// Fixed-address settings and the EEPROM debug cells have dispatchers of their own.
bool SettingsOrDebugCell(CellCall& c, int label) {
    if (IsSettingsLabel(label)) {
        SettingsCellContext settings;
        settings.image = &c.image;
        settings.modelType = c.host.ModelType();
        DispatchSettingsCell(c.req, settings);
        c.changeFlags |= settings.changeFlags;
        if (settings.swallowed) c.restricted = true;
        return true;
    }
    // The debug menu belongs to manufacturer mode: hidden, and inert, outside it.
    if (label >= CL_Menu_Debug_Compare && label <= CL_Menu_Debug_EeWindow &&
        !c.host.ManufacturerMode()) {
        c.cell.Flags |= kFlagHidden;
        return true;
    }
    DebugCellContext debug;
    debug.image = &c.image;
    debug.compareBase = c.host.CompareBase();
    if (!DispatchDebugCell(c.req, debug)) return false;
    if (!debug.statusLine.empty()) c.host.ShowDebugStatus(debug.statusLine);
    return true;
}

}  // namespace

CellDispatchHost& CellHost() {
    if (g_host == nullptr) platform::FatalStop("No application object for the cells.");
    return *g_host;
}
CellDispatchHost* InstallCellHost(CellDispatchHost* host) {
    return std::exchange(g_host, host);
}
bool HasCellHost() {
    return g_host != nullptr;
}

void CellHandlerTable::Set(int label, CellHandler handler) {
    if (label >= 0 && label < kSize) handlers_[label] = handler;
}
void CellHandlerTable::SetRange(int firstLabel, int lastLabel, CellHandler handler) {
    for (int l = firstLabel; l <= lastLabel; ++l) Set(l, handler);
}
CellHandler CellHandlerTable::Get(int label) const {
    return label >= 0 && label < kSize ? handlers_[label] : nullptr;
}

void CellCall::ReadOnly() {
    TextColor(cellcolor::kOlive);
    if ((req.key >= 1 && req.key <= 126) || req.key == cellkey::kF2) {
        req.key = 0;
        restricted = true;
    }
}

void CellCall::TextColor(uint32_t color) const {
    if (req.canvas != nullptr) req.canvas->SetFontColor(color);
}

const std::string& CellCall::OwnText() const {
    return GetText(cell);
}

void CellCall::NotYet() {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%d *Yet*", cell.Label);
    req.displayText = buf;
}

EditorSignal DispatchCell(cmcCellCapsule& req, bool notify) {
    if (req.cell == nullptr) return EditorSignal::kNone;
    CellDispatchHost& host = CellHost();
    cmcEeprom& image = host.WorkingImage();
    const bool input = req.key != 0 || req.commitMode != CommitMode::kNone || req.menuCommand != 0;

    CellCall c{req, host, image, *req.cell, datCh(&image)};
    req.displayText.clear();
    req.resultFlags &= ~(cmcCellCapsule::kWarning | cmcCellCapsule::kError);
    req.signal = EditorSignal::kNone;
    req.refusal = nullptr;
    req.refusalText.clear();
    const int category = c.cell.Category;
    const int label = c.cell.Label;
    c.table = CategoryTable(category);
    c.row = c.cell.Index;
    if (c.table != 0) c.rec.Load(c.table, c.row);
    req.category = category;
    req.label = label;
    req.row = c.row;

    if (req.key != 0) {
        EvMan().SendText(ev::kIndicatorText, cellcolor::kWindowText,
                         static_cast<int>(cellcolor::kBtnFace), "");
    }
    if (req.key == cellkey::kDoubleClick) req.key = cellkey::kEnter;

    bool answered = false;
    if (RunMenuCommand(c, label)) answered = PreStep(c, category, label);
    if (!answered) {
        if (CellHandler handler = Handlers().Get(label)) {
            handler(c);
        } else if (!SettingsOrDebugCell(c, label)) {
            c.NotYet();
        }
    }

    if (c.table != 0) c.changeFlags |= cellchange::kSameRow;
    if (notify && c.changeFlags != 0 && req.notify != nullptr)
        req.notify(req.user, req, c.changeFlags);
    if (input) {
        host.ArmWarningRecheck();
        host.UpdateModified();
        host.RecordChange(req);
    }
    if (req.refusal != nullptr) {
        EvMan().PostText(ev::kIndicatorText, cellcolor::kRestrictText,
                         static_cast<int>(cellcolor::kRestrictBack), RefusalText(req));
    }
    if (c.restricted) {
        EvMan().PostText(ev::kIndicatorText, cellcolor::kRestrictText,
                         static_cast<int>(cellcolor::kRestrictBack),
                         OverlayLine(keys::kBotttomEditRestrected, 0));
    }
    return req.signal;
}

std::string RefusalText(const cmcCellCapsule& req) {
    if (req.refusal == nullptr) return {};
    if (!req.refusalText.empty()) return req.refusalText;
    return OverlayLine(req.refusal, 0);
}

std::string CellText(cmcCellObj& cell, int key) {
    cmcCellCapsule req;
    req.cell = &cell;
    req.key = key;
    DispatchCell(req, false);
    return std::move(req.displayText);
}

EditorSignal CellRun(cmcCellObj& cell, int key) {
    cmcCellCapsule req;
    req.cell = &cell;
    req.key = key;
    return DispatchCell(req, false);
}

uint8_t CellCheckFlags(int category, int label, int row) {
    cmcCellObj cell;
    cell.Category = category;
    cell.Label = label;
    cell.Index = row;
    cmcCellCapsule req;
    req.cell = &cell;
    DispatchCell(req, false);
    return req.resultFlags & (cmcCellCapsule::kWarning | cmcCellCapsule::kError);
}

bool CellError(int category, int label, int row) {
    return CellCheckFlags(category, label, row) & cmcCellCapsule::kError;
}

bool CellWarning(int category, int label, int row) {
    return CellCheckFlags(category, label, row) & cmcCellCapsule::kWarning;
}
