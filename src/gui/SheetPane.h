#pragma once
// What the main window (and the debug window) ask of the widget that shows one sheet. The
// window holds one pane at a time; when the user leaves a sheet it keeps the pane's position
// and gives it back when the sheet is opened again.
#include <string>

class QWidget;
class cmcCellObj;

// Cursor cell and the first scrolled column and row, in grid cells.
struct SheetPosition {
    int column = -1;
    int row = -1;
    int leftColumn = -1;  // -1: scroll only as far as needed to show the cursor
    int topRow = -1;
    bool operator==(const SheetPosition&) const = default;
};

struct SheetPaneOptions {
    bool usableOnly = false;  // channel lists show usable channels only
    int modelType = 2;
    int fontPercent = 100;  // the View menu's font size
};

class SheetPane {
  public:
    virtual ~SheetPane() = default;
    // The widget itself; the window parents it and deletes it.
    virtual QWidget* Widget() = 0;
    // The sheet reference the pane was made for ("GI_Sheet_IntCh", optionally ",argument").
    virtual const std::string& Reference() const = 0;
    virtual SheetPosition Position() const = 0;
    // Puts the cursor and the scroll position back; cells outside the sheet are clamped.
    virtual void SetPosition(const SheetPosition& position) = 0;
    // Draws every cell again from the working image.
    virtual void Refresh() = 0;
    // The cell under the cursor (help on this item, the Edit menu); null when there is none.
    virtual const cmcCellObj* CurrentCell() const = 0;
    // Rescales the sheet's fonts and row heights (100 = as the overlay says).
    virtual void SetFontPercent(int percent) = 0;
    // The width that shows every column without scrolling sideways, room for a vertical scroll
    // bar included.
    virtual int NeededWidth() const = 0;
};

// Builds the pane of a sheet reference inside the parent.
SheetPane* MakeSheetPane(const std::string& reference, const SheetPaneOptions& options,
                         QWidget* parent);
