#pragma once
// What the cell dispatcher needs of the application: the working image, a few switches of
// the shell, and the commands that menu and toolbar cells run. The application object
// implements it; tests implement it with recorders.
#include <string>

class cmcEeprom;
class RowCommander;
struct cmcCellCapsule;

enum class AppCommand {
    kNew,
    kOpen,
    kSave,  // to the document's file
    kSaveAs,
    kPrintCurrent,
    kPrintAll,
    kOpenRecent,  // argument: recent-file index
    kExit,
    kSetFontSize,  // argument: font size index
    kToggleToolbar,
    kSelectPort,  // argument: port number
    kPortNotice,
    kPortDialog,  // argument: dialog mode 0-2
    kCloneRead,
    kCloneWrite,
    kCloneInfo,
    kChangeModel,  // argument: model index (the application asks for confirmation)
    kOpenSheet,    // text: sheet reference
    kCloneFleet,   // the document as the template of many radios
};

class CellDispatchHost {
  public:
    virtual ~CellDispatchHost() = default;

    virtual cmcEeprom& WorkingImage() = 0;
    virtual int ModelType() const = 0;
    // Channel lists show only usable channels.
    virtual bool UsableOnlyView() const = 0;
    virtual bool ManufacturerMode() const = 0;
    // File name of a recent-file entry; empty when the entry is empty.
    virtual std::string RecentFile(int index) const = 0;
    virtual int FontSize() const = 0;
    virtual bool ToolbarVisible() const = 0;
    virtual int SelectedPort() const = 0;
    virtual bool DocumentUntitled() const = 0;
    // A print service exists and accepts printing the current sheet.
    virtual bool CanPrintCurrent() const = 0;
    // Items of the popup menu of the current cell (the "no item" entry shows alone).
    virtual int PopupMenuItemCount() const = 0;
    // The popup menu being shown has this many top-level items.
    virtual void SetPopupMenuItemCount(int /*count*/) {}

    // What the radio reported in the last clone information exchange.
    virtual int CloneInfoModel() const = 0;
    virtual std::string CloneInfoRevision() const = 0;  // 5 characters
    virtual std::string CloneInfoComment() const = 0;   // 16 characters

    virtual void RunCommand(AppCommand command, int argument, const std::string& text) = 0;
    // (Re)start the 250 ms timer of the delayed warning check.
    virtual void ArmWarningRecheck() = 0;
    // Compare the working image with the baseline and update the title.
    virtual void UpdateModified() = 0;
    // After an input call: what it changed in the working image becomes one undo step.
    virtual void RecordChange(const cmcCellCapsule& /*request*/) {}
    // Help file at a cell label's context; label < 0 opens the contents.
    virtual void OpenHelp(int label) = 0;

    // Row commands of record-table popup menus; none installed: no row can be touched.
    virtual RowCommander* RowCommands() { return nullptr; }
    // The EEPROM debug window's compare base; none: no byte is shown as changed.
    virtual const cmcEeprom* CompareBase() const { return nullptr; }
    // The EEPROM debug window's status line for its current byte.
    virtual void ShowDebugStatus(const std::string& /*text*/) {}
};

// The process-wide host; tests install their own.
CellDispatchHost& CellHost();
CellDispatchHost* InstallCellHost(CellDispatchHost* host);
bool HasCellHost();
