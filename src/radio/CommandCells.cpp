// Cells that are not radio data: menu and toolbar commands with their menu states, popup-menu
// items, the check cells of the warning list, clone information and drawing-only cells.
#include <cstdint>
#include <cstdio>
#include <vector>

#include "base/EventCodes.h"
#include "base/cmcEvMan.h"
#include "radio/CellDispatchHost.h"
#include "radio/CellDispatcher.h"
#include "radio/CellSources.h"
#include "radio/MemoryMap.h"
#include "radio/RowCommander.h"
#include "radio/SettingsMap.h"
#include "radio/TransmitRules.h"
#include "radio/WarningCheck.h"
#include "radio/cmcEeprom.h"
#include "radio/datCh.h"
#include "sheet/CellCatalogue.h"
#include "sheet/cmcCellObj.h"
#include "text/OverlayKeys.h"

namespace {

bool Enter(const CellCall& c) {
    return c.req.key == cellkey::kEnter;
}

void Run(CellCall& c, AppCommand command, int argument = 0, const std::string& text = {}) {
    c.host.RunCommand(command, argument, text);
}

void ShowOwnText(CellCall& c) {
    c.req.displayText = c.OwnText();
}
void Nothing(CellCall&) {}

// --- application commands ---

struct PlainCommand {
    int label;
    AppCommand command;
};
constexpr PlainCommand kPlainCommands[] = {
    {CL_Menu_File_New, AppCommand::kNew},           {CL_Menu_File_Open, AppCommand::kOpen},
    {CL_Menu_File_SaveAs, AppCommand::kSaveAs},     {CL_Menu_File_Print_All, AppCommand::kPrintAll},
    {CL_Menu_File_Exit, AppCommand::kExit},         {CL_Menu_Clone_Read, AppCommand::kCloneRead},
    {CL_Menu_Clone_Write, AppCommand::kCloneWrite}, {CL_Menu_Clone_Info, AppCommand::kCloneInfo},
    {CL_Menu_Clone_Fleet, AppCommand::kCloneFleet},
};

void PlainCommandCell(CellCall& c) {
    ShowOwnText(c);
    if (!Enter(c)) return;
    for (const PlainCommand& p : kPlainCommands)
        if (p.label == c.cell.Label) Run(c, p.command);
}

void FileSave(CellCall& c) {
    ShowOwnText(c);
    if (Enter(c)) Run(c, c.host.DocumentUntitled() ? AppCommand::kSaveAs : AppCommand::kSave);
}

void PrintCurrent(CellCall& c) {
    ShowOwnText(c);
    if (!c.host.CanPrintCurrent()) c.cell.Flags |= kFlagDisabled;
    if (Enter(c)) Run(c, AppCommand::kPrintCurrent);
}

void RecentFile(CellCall& c) {
    const int index = c.cell.Index;
    const std::string file = c.host.RecentFile(index);
    if (file.empty()) {
        ShowOwnText(c);
        c.cell.Flags |= kFlagDisabled;
        if (index != 0) c.cell.Flags |= kFlagHidden;
        return;
    }
    // The file's name; the window gives the whole path as the entry's tip.
    const size_t slash = file.find_last_of("/\\");
    const std::string name = slash == std::string::npos ? file : file.substr(slash + 1);
    std::string shown;
    for (char ch : name) {
        shown += ch;
        if (ch == '&') shown += '&';  // a single "&" would mark an access key
    }
    char number[16];
    std::snprintf(number, sizeof number, "&%d ", index + 1);
    c.req.displayText = number + shown;
    SetText(c.cell, c.req.displayText);
    c.cell.Flags |= kFlagCaption;
    if (Enter(c)) Run(c, AppCommand::kOpenRecent, index);
}

void EditTop(CellCall& c) {
    ShowOwnText(c);
    EvMan().PostText(ev::kFillEditMenu, 0, CL_Menu_Edit_Top, keys::kPMenuNoItem);
}

void FontSize(CellCall& c) {
    ShowOwnText(c);
    if (c.cell.Index == c.host.FontSize()) c.cell.Flags |= kFlagChecked;
    if (Enter(c)) Run(c, AppCommand::kSetFontSize, c.cell.Index);
}

// The View menu's switches: index 0 the toolbar, 1 the usable-only view of the channel lists
// (the same switch as the channel attribute's chooser).
void ToolBar(CellCall& c) {
    ShowOwnText(c);
    if (c.cell.Index == 1) {
        if (c.host.UsableOnlyView()) c.cell.Flags |= kFlagChecked;
        if (Enter(c)) EvMan().Post(ev::kRedrawChannelSheet, 1);
        return;
    }
    if (c.host.ToolbarVisible()) c.cell.Flags |= kFlagChecked;
    if (Enter(c)) Run(c, AppCommand::kToggleToolbar);
}

void PortCom(CellCall& c) {
    ShowOwnText(c);
    if (c.cell.Index == c.host.SelectedPort()) c.cell.Flags |= kFlagChecked;
    if (Enter(c)) {
        Run(c, AppCommand::kSelectPort, c.cell.Index);
        EvMan().Send(ev::kMenusBuilt);
    }
}

void PortUsb(CellCall& c) {
    ShowOwnText(c);
    if (c.host.SelectedPort() > 4) c.cell.Flags |= kFlagChecked;
    if (Enter(c)) Run(c, AppCommand::kPortNotice);
}

void PortList(CellCall& c) {
    ShowOwnText(c);
    if (Enter(c)) Run(c, AppCommand::kPortDialog, c.cell.Label - CL_Menu_Port_ComList0);
}

void Model(CellCall& c) {
    ShowOwnText(c);
    if (c.cell.Index == c.host.ModelType()) c.cell.Flags |= kFlagChecked;
    if (Enter(c)) Run(c, AppCommand::kChangeModel, c.cell.Index);
}

void About(CellCall& c) {
    ShowOwnText(c);
    if (Enter(c)) EvMan().Post(ev::kAbout);
}

void HelpContents(CellCall& c) {
    ShowOwnText(c);
    if (Enter(c)) c.host.OpenHelp(-1);
}

void CallSheetCell(CellCall& c) {
    ShowOwnText(c);
    if (Enter(c)) Run(c, AppCommand::kOpenSheet, 0, c.cell.Argument.value_or(std::string()));
}

// --- check cells of the warning list ---

// A line of the warning-check list answers for the faults it owns: 8 error, 4 warning.
void CheckCellHandler(CellCall& c) {
    ShowOwnText(c);
    std::vector<warncheck::Finding> mine;
    for (warncheck::Finding& f : warncheck::CheckImage(c.image, c.host.ModelType()))
        if (f.check == c.cell.Label) mine.push_back(std::move(f));
    c.req.resultFlags |= warncheck::MarkOf(mine);
}

// --- popup-menu items ---

void NoItem(CellCall& c) {
    ShowOwnText(c);
    c.cell.Flags |= kFlagDisabled;
    if (c.host.PopupMenuItemCount() != 1) c.cell.Flags |= kFlagHidden;
}

void PasteItem(CellCall& c) {
    ShowOwnText(c);
    RowCommander* rows = c.host.RowCommands();
    if (rows == nullptr || c.table == 0 || !rows->CanPaste(c.table)) c.cell.Flags |= kFlagDisabled;
}

void ClearItem(CellCall& c) {
    ShowOwnText(c);
    RowCommander* rows = c.host.RowCommands();
    if (rows == nullptr || c.table == 0 || !rows->CanClear(c.table)) c.cell.Flags |= kFlagDisabled;
}

// Moving rows needs a row the commands may touch; the command itself stops at the range's ends.
void CarryItem(CellCall& c) {
    ShowOwnText(c);
    RowCommander* rows = c.host.RowCommands();
    if (rows == nullptr || c.table == 0 || !rows->InRange(c.table, c.row))
        c.cell.Flags |= kFlagDisabled;
}

// --- soft-key choices that the radio cannot use now ---

void FlexMarking(CellCall& c) {
    ShowOwnText(c);
    const cmcCellObj* opener = c.req.parent != nullptr ? c.req.parent->cell : nullptr;
    if (opener == nullptr || opener->Label != CL_ComConf_KeyAssign_SoftKey) return;
    // The list's rows are the soft-key functions.
    if (!smap::SoftKeyAvailable(c.cell.Index, c.image.GetByte(smap::kFunctionSwitches),
                                c.image.GetByte(smap::kFunctionSwitches2))) {
        c.req.mark = MarkerPlace::kAfterText;
        c.SetError();
    }
}

// --- clone information ---

void CloneInfoModel(CellCall& c) {
    // The radio's number may lie beyond the list: show nothing rather than read on.
    const int model = c.host.CloneInfoModel();
    if (model < 0) return;
    for (int line = 0; line <= model; ++line) {
        std::string text = OverlayLine(keys::kAppIndModel, line);
        if (!text.empty() && text[0] == '#') return;
        if (line == model) c.req.displayText = std::move(text);
    }
}

// The radio's identity bytes are shown as they came, but a byte that is not a printable
// character (a radio padding with NULs, or nothing read yet) shows as a space, not as a box.
std::string ShownIdentityText(std::string text, size_t width) {
    text.resize(width, ' ');
    for (char& ch : text) {
        const auto byte = static_cast<unsigned char>(ch);
        if (byte < 0x20 || byte > 0x7E) ch = ' ';
    }
    return text;
}

void CloneInfoRevision(CellCall& c) {
    c.req.displayText = ShownIdentityText(c.host.CloneInfoRevision(), 5);
}

void CloneInfoComment(CellCall& c) {
    c.ReadOnly();
    c.req.displayText = ShownIdentityText(c.host.CloneInfoComment(), 16);
}

// --- row numbers and drawing-only cells ---

void RowNumber(CellCall& c) {
    const int64_t first = c.cell.Label == CL_Misc_ChNo_1Base ? 1 : 0;
    c.req.displayText = std::to_string(int64_t{c.cell.Index} + first);
}

void QuarterPillar(CellCall& c) {
    if (c.req.canvas == nullptr) return;
    CellRectangle r = c.req.rect;
    r.top = r.top + (r.bottom - r.top) * 7 / 10;
    c.req.canvas->FillRect(r, cellcolor::kGrey);
}

void CannotEdit(CellCall& c) {
    c.ReadOnly();
    if (c.req.canvas == nullptr) return;
    const CellRectangle& r = c.req.rect;
    c.req.canvas->DrawLine(r.right, r.top, r.left, r.bottom, cellcolor::kGrey);
}

void Dummy(CellCall& c) {
    c.ReadOnly();
    ShowOwnText(c);
}

}  // namespace

void RegisterCommandCells(CellHandlerTable& t) {
    t.Set(CL_Null, Nothing);
    t.Set(CL_Free_Byte_Hex, Nothing);
    t.Set(CL_FBits, Nothing);  // the bit window draws these itself
    t.Set(Flex0, ShowOwnText);
    t.Set(CL_FlexMarking, FlexMarking);

    for (const PlainCommand& p : kPlainCommands) t.Set(p.label, PlainCommandCell);
    t.Set(CL_Menu_File_Save, FileSave);
    t.Set(CL_Menu_File_Print_Current, PrintCurrent);
    t.Set(CL_Menu_File_Recent, RecentFile);
    t.Set(CL_Menu_Edit_Top, EditTop);
    t.Set(CL_Menu_View_FontSize, FontSize);
    t.Set(CL_Menu_View_ToolBar, ToolBar);
    t.Set(CL_Menu_Port_Com, PortCom);
    t.Set(CL_Menu_Port_Usb, PortUsb);
    t.SetRange(CL_Menu_Port_ComList0, CL_Menu_Port_ComList2, PortList);
    t.Set(CL_Model, Model);
    t.Set(CL_Help_About, About);
    t.Set(CL_Help_Contents, HelpContents);
    t.Set(CallSheet, CallSheetCell);

    for (int label :
         {CL_Check_Int_ChInh, CL_Check_Usa_ChInh, CL_Check_Can_ChInh, CL_Check_WX_ChInh,
          CL_Check_Dsc_SelfId, CL_Check_Dsc_Call, CL_Check_Dsc_Tx, CL_Check_Dsc_Id,
          CL_Check_DscGrp_Id, CL_Check_Conf_Softkey, CL_Check_Int_ChTx, CL_Check_Usa_ChTx,
          CL_Check_Can_ChTx, CL_Check_Dsc_ChTx, CL_Check_Free_Freq, CL_Check_Dsc_Inland})
        t.Set(label, CheckCellHandler);

    t.Set(CL_CloneInfo_Model, CloneInfoModel);
    t.Set(CL_CloneInfo_Revision, CloneInfoRevision);
    t.Set(CL_CloneInfo_Comment, CloneInfoComment);
    t.Set(CL_CloneInfo_Dummy, ShowOwnText);

    t.Set(CL_PMenu_NoItem, NoItem);
    t.Set(CL_PMenu_Paste, PasteItem);
    t.Set(CL_PMenu_Clear, ClearItem);
    t.Set(CL_PMenu_CarryUp, CarryItem);
    t.Set(CL_PMenu_CarryDown, CarryItem);
    t.Set(CL_PMenu_Delete, ClearItem);  // delete and insert blank rows as clear does
    t.Set(CL_PMenu_Insert, ClearItem);

    t.Set(CL_Misc_ChNo_0Base, RowNumber);
    t.Set(CL_Misc_ChNo_1Base, RowNumber);
    t.Set(CL_Misc_QuarterPillar, QuarterPillar);
    t.Set(CL_CannotEdit, CannotEdit);
    t.Set(CL_Dummy, Dummy);
}
