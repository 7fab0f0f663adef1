#pragma once
// One sheet on screen as the main window shows it: the title bar the sheet's style asks for
// and the grid of its cells. The window sees it as a SheetPane (gui/SheetPane.h); besides:
//   - the current cell's label and row, for help and the Edit menu (FillEditMenu);
//   - SaveViewState / RestoreViewState (the pane's position with the grid model's type);
//   - StatusMessage, the texts the cells put in the bottom bar (also on the event hub).
// Rebuild() builds it again from the overlay (model, font size or usable-only view changed).
#include <QFrame>
#include <QLabel>
#include <memory>
#include <string>

#include "app/GridModel.h"
#include "gui/SheetPane.h"

class cuiGrid;
class QMenu;
struct HubEvent;

// The definition of a sheet as the window shows it (channel lists by the options' view and
// model); printing builds its sheets from the same.
std::unique_ptr<SheetDef> MakeSheetDef(const std::string& key, const SheetPaneOptions& options);

class cuiSheet : public QFrame, public SheetPane {
    Q_OBJECT
  public:
    using ViewState = GridModel::Position;

    // Without scroll bars the sheet is meant to be shown whole (NeededSize).
    explicit cuiSheet(const std::string& reference, const SheetPaneOptions& options = {},
                      QWidget* parent = nullptr, bool scrollBars = true);
    ~cuiSheet() override;

    // SheetPane
    QWidget* Widget() override { return this; }
    const std::string& Reference() const override { return reference_; }
    SheetPosition Position() const override;
    void SetPosition(const SheetPosition& position) override;
    void Refresh() override;
    const cmcCellObj* CurrentCell() const override;
    void SetFontPercent(int percent) override;
    int NeededWidth() const override;

    const std::string& Key() const { return key_; }
    void Rebuild();

    cuiGrid* Grid() const { return grid_; }
    // The size that shows the title and every cell.
    QSize NeededSize() const;
    QLabel* TitleBar() const { return title_; }
    // Label number (radio/CellCatalogue.h) and row (item index) of the current cell; -1 when
    // the sheet has no current cell.
    int CurrentLabel() const;
    int CurrentRow() const;

    // Puts the cursor on the cell showing the item (scrolled into view). A channel the
    // usable-only view leaves out is shown by switching that view off. False when the sheet
    // has no such cell.
    bool GoToItem(int category, int label, int index);

    ViewState SaveViewState() const;
    // Applied now, by rebuilding at that position (a position outside the grid is dropped).
    void RestoreViewState(const ViewState& state);

    // The current cell's popup-menu items, for the window's Edit menu.
    void FillEditMenu(QMenu* menu);

  signals:
    // A text for the bottom bar in the colours given (0x00BBGGRR or system colours).
    void StatusMessage(const QString& text, unsigned textColor, unsigned backColor);

  protected:
    // The title's colours follow a palette changed while the program runs.
    void changeEvent(QEvent* event) override;

  private:
    void Build(const ViewState& position, int initialLabel, int initialIndex);
    void ApplyTitle();
    static void OnEvent(void* self, HubEvent& event);

    std::string reference_;
    std::string key_;
    SheetPaneOptions options_;
    QLabel* title_ = nullptr;
    QFrame* gridPanel_ = nullptr;
    cuiGrid* grid_ = nullptr;
    bool scrollBars_ = true;
};
