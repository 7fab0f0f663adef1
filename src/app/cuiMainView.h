#pragma once
// What the application core asks of the window around it. A program without a window (the
// command-line tool) uses the defaults, which do nothing.
#include <string>

class cuiMainView {
public:
    virtual ~cuiMainView() = default;
    // Window caption and application title.
    virtual void SetTitle(const std::string& title) {}
    // Closes the current sheet, remembering its cursor position.
    virtual void CloseSheet() {}
    // Busy cursor on or off.
    virtual void SetBusy(bool busy) {}
    // Shows the clone information sheet over the main window.
    virtual void ShowCloneInformation() {}
};
