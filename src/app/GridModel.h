#pragma once
// What a sheet on screen decides, without a toolkit: the built sheet's cells with their mark
// bits, the cursor and how it moves over selectable cells, marks and the anchor of a
// multi-selection, which user input becomes which dispatcher call, which cells a change repaints,
// column widths with their limits, fitting and persistence. The grid widget paints what this
// says and forwards keys and mouse events; tests drive it through a host double.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/ImageCompare.h"
#include "radio/CellUi.h"
#include "radio/cmcCellCapsule.h"
#include "sheet/SheetDef.h"
#include "sheet/TextHelpers.h"

class CellGrid;
struct HubEvent;

// The widget side of a grid model.
class GridHost {
  public:
    virtual ~GridHost() = default;
    // Measures text in a cell's font (the surface the sheet is built for).
    virtual TextSurface& Surface() = 0;
    // Inner size of the area the cells are drawn in.
    virtual int ClientWidth() const = 0;
    virtual int ClientHeight() const = 0;
    virtual void InvalidateCell(int column, int row) = 0;
    virtual void InvalidateAll() = 0;
    // The first scrolled column or row changed.
    virtual void ScrollChanged() {}
    // Opens the in-place editor over the cell with the text and selection.
    virtual void OpenEditor(int column, int row, const std::string& text, int selStart,
                            int selLength) = 0;
    // Commits an open in-place editor (nothing when none is open).
    virtual void CommitEditor() = 0;
    // The in-place editor is open: after CommitEditor, its value was refused and the editor
    // stays on the text so that it can be corrected, so the cursor stays too.
    virtual bool EditorOpen() const { return false; }
    // Shift held, or a mouse button other than the right one pressed over the grid.
    virtual bool Extending() const = 0;
    // The cursor is on a new cell (the popup menu follows it).
    virtual void CursorMoved() {}
    // The grid whose choosers the dispatcher opens; none: choice cells only step.
    virtual CellGrid* ChooserGrid() { return nullptr; }
    virtual void* Form() { return nullptr; }
    // Paint what is invalid now (before a replayed key acts).
    virtual void Flush() {}
    // In a drop-down chooser: the user chose this cell (Enter, click or double click).
    virtual void Choose(int /*column*/, int /*row*/) {}
};

using GridDispatcher = EditorSignal (*)(cmcCellCapsule& request, bool notify);

class GridModel {
  public:
    static constexpr int kMinWidth = 10;
    static constexpr int kMaxWidth = 650;
    static constexpr int kPageSteps = 10;
    static constexpr int kMaxReplays = 64;  // a dispatcher that keeps handing keys on is cut off

    // Keys the sheet itself consumes.
    // Home and End go to the first and last selectable cell of the row, with Ctrl of the sheet;
    // Next and Previous (Tab and Shift+Tab in the editor) to the selectable cell after or
    // before the cursor in reading order.
    enum class NavKey {
        kLeft,
        kRight,
        kUp,
        kDown,
        kPageUp,
        kPageDown,
        kHome,
        kEnd,
        kNext,
        kPrevious
    };
    // Dispatcher keys for arrows that could not move the cursor.
    static constexpr int kKeyLeft = 0x2500;
    static constexpr int kKeyRight = 0x2700;

    struct Position {
        int column = -1;
        int row = -1;
        int left = -1;
        int top = -1;
    };

    GridModel(std::unique_ptr<SheetDef> def, GridHost& host);
    ~GridModel();
    GridModel(const GridModel&) = delete;
    GridModel& operator=(const GridModel&) = delete;

    // Query 12 of the hub: the sheet whose popup menu has this identity answers with a copy of
    // its current cell; none when no sheet answers.
    void SetPopupIdentity(intptr_t identity) { popupIdentity_ = identity; }
    static std::optional<cmcCellObj> QueryPopupCell(intptr_t identity);

    // Set-up before Build.
    void SetDispatcher(GridDispatcher dispatcher) { dispatcher_ = dispatcher; }
    GridDispatcher Dispatcher() const { return dispatcher_; }
    // A drop-down chooser: `owner` is the request of the cell it was opened on.
    void SetChooser(const cmcCellCapsule& owner);
    void SetInitialCell(int label, int index);
    // The position to restore on the next build (cursor and scroll); -1 values for none.
    void SetSavedPosition(const Position& position) { saved_ = position; }
    void SetPrinting(bool printing) { printing_ = printing; }
    // Printer pixels per screen pixel: the room measured around texts grows with it.
    void SetScale(double scale) { scale_ = scale; }
    void SetScrollBars(bool on) { scrollBars_ = on; }
    // The font size, in percent, the next build draws at: stored column widths are kept with
    // the size they were made at and scaled to this one.
    void SetFontPercent(int percent) { fontPercent_ = percent > 0 ? percent : 100; }
    bool ScrollBars() const { return scrollBars_; }

    // Builds or rebuilds everything from the overlay; `basicExtra` is appended to the basic
    // cell (font size). Restores the saved position, else goes to the initial cell.
    void Build(std::string_view basicExtra = {});
    bool Built() const { return built_; }

    SheetDef& Def() { return *def_; }
    const SheetDef& Def() const { return *def_; }
    int ColumnCount() const { return def_->ColumnCount(); }
    int RowCount() const { return def_->RowCount(); }
    int FixedCols() const { return def_->FixedCols(); }
    int FixedRows() const { return def_->FixedRows(); }
    bool IsChooser() const { return owner_ != nullptr; }
    const cmcCellCapsule* OwnerRequest() const { return owner_.get(); }
    // No cell can hold the cursor: the grid is shown disabled.
    bool Disabled() const { return disabled_; }

    // Slots; outside the grid is fatal ("Illegal Cell selection").
    cmcCellObj& CellAt(int column, int row);
    bool MultiSelectable(int column, int row) const;
    bool Marked(int column, int row) const;
    bool RowMarked(int column, int row) const;
    // Current cell, a marked cell, or an owned cell in the current row whose owner selects.
    bool DrawnSelected(int column, int row) const;
    // The selectable cell that owns an OwnedByLeft cell (itself for any other cell); -1 none.
    int OwnerColumn(int column, int row) const;
    bool MultiSelectionActive() const { return multiActive_; }
    // The compared file's value of a cell that differs from it (File > Compare With...); null
    // when the cell does not differ or nothing is compared.
    const std::string* CompareValue(int column, int row);

    // Geometry.
    int ColumnWidth(int column) const { return colWidths_[static_cast<size_t>(column)]; }
    int RowHeight(int row) const { return rowHeights_[static_cast<size_t>(row)]; }
    // Sets a width as the user dragged it; the limits apply, and the widths are kept in the
    // settings unless `save` is false (a drag saves when it ends).
    void SetColumnWidth(int column, int width, bool save = true);
    int LeftColumn() const { return left_; }
    int TopRow() const { return top_; }
    void SetTopLeft(int left, int top);
    // Last column and row that are at least partly visible.
    int LastVisibleColumn() const;
    int LastVisibleRow() const;
    int NeededWidth() const;   // all columns
    int NeededHeight() const;  // all rows

    // Cursor.
    int Column() const { return col_; }
    int Row() const { return row_; }
    const cmcCellObj* CurrentCell() const;
    void MoveCursor(int dx, int dy);
    // The check before the cursor goes to a cell; sends the events a move sends.
    bool MaySelect(int column, int row);
    void SelectCell(int column, int row);   // with scrolling into view
    void PlaceCursor(int column, int row);  // without scrolling
    bool GoToCell(int category, int label, int index);
    void EnsureVisible(int column, int row);
    Position CurrentPosition() const { return {col_, row_, left_, top_}; }
    // The cell's rectangle in the client area (right and bottom exclusive); a scrolled-away
    // cell lies outside it.
    CellRectangle CellRect(int column, int row) const;
    // The cell under a client point; false outside the cells.
    bool CellAtPoint(int x, int y, int& column, int& row) const;

    // User input.
    bool NavigationKey(NavKey key, bool ctrlOnly);
    // A character or function key typed on the current cell (Enter 13, F2 0x7100 ...).
    EditorSignal KeyInput(int key);
    // A mouse press on a cell (left button); `extending` as the host reports it.
    void Click(int column, int row);
    // False when there is no cell under the mouse to open a popup menu for.
    bool RightClick(int column, int row);
    void DoubleClick(int column, int row);
    // In a chooser: the mouse over a cell.
    void Hover(int column, int row);
    // A popup-menu command (its label number) on the current cell.
    EditorSignal MenuCommand(int label);
    // The in-place editor's text for its cell; false when the cell refused it (the bottom bar
    // says why, nothing was changed).
    bool CommitText(int column, int row, const std::string& text);
    // A chooser's choice for the cell it was opened on: `chosen` is the chooser's chosen cell.
    void CommitChoice(int column, int row, cmcCellObj& chosen);

    // Requests.
    void FillRequest(cmcCellCapsule& request, int column, int row);
    // For painting: no grid, no notify; bit 0 when drawn selected, bit 1 when printing.
    void FillPaintRequest(cmcCellCapsule& request, int column, int row, bool selected);
    // The dispatcher input call on a cell and what follows from its answer.
    EditorSignal InputCall(cmcCellCapsule& request, int column, int row);

    // Redraw on request.
    static bool RedrawMatches(const cmcCellObj& target, const cmcCellObj& cell, int mask);
    void RedrawMatching(const cmcCellObj& target, int mask);
    // Events 13-18 of the hub: repaint cells by a plain rule.
    void RepaintWhere(int code, int value);

    // Column widths.
    void ClampWidths(bool loading);
    void FitColumn(int column);
    // Name under which the sheet keeps its widths ("" when its key is not listed).
    std::string WidthName() const;
    void LoadColumnWidths();
    void SaveColumnWidths();
    static void ResetColumnWidths();
    void SetResetWidths() { resetWidths_ = true; }
    // Whether a column's width is kept and limited (its first non-fixed cell selects).
    bool SizedColumn(int column) const;

  private:
    struct SlotBits {
        bool marked = false;
        bool rowMarked = false;
    };
    size_t Slot(int column, int row) const;
    void CheckCell(int column, int row) const;
    bool Selectable(int column, int row) const;
    void SizeCells();
    void PlaceInitialCursor();
    void ScrollHomeIfFirst();
    void MoveTo(int column, int row, bool scroll);
    void UpdateMarks(int fromCol, int fromRow, int toCol, int toRow);
    void ClearMultiSelection();
    void SetMark(int column, int row, bool on);
    void UpdateRowMarks();
    bool StepOnce(int dx, int dy, bool wrap, int& column, int& row);
    int NearestInColumn(int column) const;
    int NearestInRow(int row) const;
    // The selectable cell nearest the start (forward) or end of the sheet from a position in
    // reading order, the position itself left out; false when there is none.
    bool ScanSelectable(int column, int row, bool forward, bool sameRow, int& toColumn,
                        int& toRow) const;
    void JumpTo(int column, int row);
    int RowSelectionIndex(int row) const;
    void SendIndicatorClear();
    static void NotifyThunk(void* user, cmcCellCapsule& request, int flags);
    static void EditorThunk(void* user, cmcCellCapsule& request, int flag);
    static void OnEvent(void* user, HubEvent& event);

    std::unique_ptr<SheetDef> def_;
    GridHost& host_;
    GridDispatcher dispatcher_ = nullptr;
    std::unique_ptr<cmcCellCapsule> owner_;
    std::optional<std::pair<int, int>> initial_;
    Position saved_;
    bool printing_ = false;
    double scale_ = 1.0;
    int fontPercent_ = 100;
    std::vector<int> headerWidths_;  // what each column's own heading needs
    bool scrollBars_ = true;
    bool built_ = false;
    bool disabled_ = false;
    bool resetWidths_ = false;
    bool subscribed_ = false;

    std::vector<SlotBits> bits_;
    std::vector<int> colWidths_;
    std::vector<int> rowHeights_;
    int col_ = 0, row_ = 0;
    int left_ = 0, top_ = 0;
    int anchorCol_ = -1, anchorRow_ = -1;
    int rememberCol_ = 0, rememberRow_ = 0;
    bool programmatic_ = false;
    bool multiActive_ = false;
    bool rowMarksCleared_ = true;
    bool loadingWidths_ = false;
    // Rows between which marked cells may lie (none when top > bottom).
    int markTop_ = 0;
    int markBottom_ = -1;
    intptr_t popupIdentity_ = 0;
    const CompareMarkSet::Table* compareTable_ = nullptr;
    uint64_t compareGeneration_ = ~uint64_t{0};
};
