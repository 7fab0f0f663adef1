#pragma once
// What the application core asks of the window around it. A program without a window (the
// command-line tool) uses the defaults, which do nothing.
#include <string>

class DocumentView {
  public:
    virtual ~DocumentView() = default;
    // Window caption and application title.
    virtual void SetTitle(const std::string& /*title*/) {}
    // Closes the current sheet, remembering its cursor position.
    virtual void CloseSheet() {}
    // Busy cursor on or off.
    virtual void SetBusy(bool /*busy*/) {}
    // Shows the clone information sheet over the main window.
    virtual void ShowCloneInformation() {}
    // The tree data or its warning marks changed: redraw the tree.
    virtual void TreeChanged() {}
    // Commands of menu and toolbar cells that only a window has (printing, port dialogs, font
    // size, toolbar, opening a sheet); the number is a AppCommand.
    virtual void RunWindowCommand(int /*command*/, int /*argument*/, const std::string& /*text*/) {}
    // A sheet is open that can be printed (Print Sheet is offered).
    virtual bool CanPrintCurrent() const { return false; }
    // Help on a cell label (its topic as a pop-up); a negative label opens the contents.
    virtual void ShowHelp(int /*label*/) {}
    // Status line of the EEPROM debug window's current byte.
    virtual void ShowDebugStatus(const std::string& /*text*/) {}
};
