#pragma once
// The grid of a sheet on screen: paints the cells of its grid model, keeps fixed rows and
// columns in place while the rest scrolls, forwards keys and mouse events to the model, and
// carries the in-place editor, the drop-down choosers and the cells' popup menus. Decisions
// live in the model (app/GridModel.h); this class only paints and forwards.
#include <QAbstractScrollArea>
#include <QPlainTextEdit>
#include <QPointer>
#include <QTimer>
#include <functional>
#include <memory>
#include <string>

#include "app/GridModel.h"
#include "gui/CellPainter.h"
#include "radio/CellUi.h"

class cuiGrid;
class ChooserPopup;
class QMenu;
struct HubEvent;

// The in-place editor over a cell: a borderless text box of at most 1024 characters.
class CellEditor : public QPlainTextEdit {
    Q_OBJECT
  public:
    static constexpr int kMaxLength = 1024;
    explicit CellEditor(cuiGrid* grid);

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

  private:
    void LimitLength();
    cuiGrid* grid_;
};

class cuiGrid : public QAbstractScrollArea, public GridHost, public CellGrid {
    Q_OBJECT
  public:
    explicit cuiGrid(QWidget* parent = nullptr);
    ~cuiGrid() override;

    // Makes the model of a sheet definition (not built yet: set it up, then Build).
    GridModel& Open(std::unique_ptr<SheetDef> def);
    void Build(std::string_view basicExtra = {});
    GridModel* Model() const { return model_.get(); }

    CellEditor* Editor() const { return editor_; }
    bool EditorVisible() const;
    // The open drop-down chooser, if any.
    ChooserPopup* Chooser() const;
    // Opens the current cell's popup menu at a global position (the context-menu key uses
    // the cell's corner); `exec` false only builds it (tests read its items).
    QMenu* PopupMenu(const QPoint& globalPos, bool exec = true);
    // Adds the items of the current cell's popup menu to a menu (the window's Edit menu).
    void FillMenu(QMenu* menu);

    // Lets the window of this grid show its own popup for a chooser sheet (the EEPROM window's
    // bit window); the hook answers true when it did.
    using ChooserHook = std::function<bool(cmcCellCapsule& request, int listLabel, int value,
                                           const std::string& chooserSheet)>;
    void SetChooserHook(ChooserHook hook) { chooserHook_ = std::move(hook); }

    // This grid shows a chooser opened on cell (column, row) of `owner`.
    void SetChooserOwner(cuiGrid* owner, int column, int row);
    // Client size that shows every cell.
    QSize NeededSize() const;
    QRect CellRectOnScreen(int column, int row) const;
    const CellPaintOptions& PaintOptions() const { return options_; }

    // GridHost
    TextSurface& Surface() override { return surface_; }
    int ClientWidth() const override;
    int ClientHeight() const override;
    void InvalidateCell(int column, int row) override;
    void InvalidateAll() override;
    void ScrollChanged() override;
    void OpenEditor(int column, int row, const std::string& text, int selStart,
                    int selLength) override;
    void CommitEditor() override;
    bool EditorOpen() const override { return EditorVisible(); }
    bool Extending() const override;
    void CursorMoved() override;
    CellGrid* ChooserGrid() override { return this; }
    void* Form() override { return window(); }
    void Flush() override;
    void Choose(int column, int row) override;

    // CellGrid
    void OpenChooser(cmcCellCapsule& request, int listLabel, int value,
                     const std::string& chooserSheet) override;

    // Ctrl+C and Ctrl+V: KELDA's row commands where the cell offers them, and the system
    // clipboard as tab-separated text of what the cells show.
    void CopyToClipboard();
    void PasteFromClipboard();
    // The clipboard format that says KELDA's own row clipboard holds the copied rows.
    static constexpr const char* kRowsMime = "application/x-kelda-rows";

    // Editor keys that commit and then act on the grid. A value the cell refuses keeps the
    // editor open on the typed text, unless `keepRefused` is false (the sheet is made anew).
    void CloseEditor(bool commit, bool focusGrid, bool keepRefused = true);
    void EditorNavigation(GridModel::NavKey key);

  signals:
    void CurrentCellChanged();

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    bool viewportEvent(QEvent* event) override;
    // A palette changed while the program runs (a dark desktop theme) colours the sheet anew.
    void changeEvent(QEvent* event) override;

  private:
    void UpdateScrollBars();
    // The area beyond the cells in the basic cell's colour.
    void ApplyBackground();
    // Column whose right border lies within 4 pixels of x in a fixed row; -1 none.
    int SizingColumn(int x, int y, bool* nearLeft = nullptr) const;
    void EdgeScroll();
    // Tells assistive technology, when any listens, that the cursor's cell has the focus, or
    // that what the cursor's cell shows changed.
    void AnnounceCursor();
    void AnnounceValue(int column, int row);
    void ChoiceMade(int column, int row, cmcCellObj& chosen);
    // Runs the current cell's popup-menu item of this label; false when it offers none.
    bool TriggerPopupItem(int label);

    std::unique_ptr<GridModel> model_;
    QtTextSurface surface_;
    CellPaintOptions options_;
    CellEditor* editor_ = nullptr;
    int editCol_ = -1, editRow_ = -1;
    bool committing_ = false;
    bool forwarding_ = false;  // a key on its way to the editor
    bool syncingBars_ = false;
    bool shiftHeld_ = false;
    bool mouseSelecting_ = false;
    int sizingCol_ = -1;
    int sizingLeft_ = 0;
    QPoint lastMouse_;
    QTimer edgeTimer_;
    QPointer<ChooserPopup> chooser_;
    ChooserHook chooserHook_;
    QPointer<cuiGrid> chooserOwner_;
    int ownerCol_ = -1, ownerRow_ = -1;
    std::string spokenText_;  // what the cursor's cell showed when last announced
    int spokenCol_ = -1, spokenRow_ = -1;
};

// A drop-down chooser: a small sheet in a borderless popup under the cell it was opened on.
class ChooserPopup : public QFrame {
    Q_OBJECT
  public:
    ChooserPopup(cuiGrid* owner, int column, int row, const cmcCellCapsule& request, int listLabel,
                 int value, const std::string& sheet);
    ~ChooserPopup() override;
    cuiGrid* Grid() const { return grid_; }

  protected:
    void keyPressEvent(QKeyEvent* event) override;

  private:
    // Closes on event 1 for its owner grid and on event 21; answers query 27 for the owner.
    static void OnEvent(void* self, HubEvent& event);

    QPointer<cuiGrid> owner_;
    cuiGrid* grid_;
};
