#pragma once
// A sheet on screen: the cells of a sheet definition in a grid. Every cell's text and colour
// come from the dispatcher; keys and committed text go back to it. The grid decides nothing.
#include <QTableWidget>
#include <memory>
#include <string>

#include "gui/SheetPane.h"
#include "radio/cmcCellUi.h"

class cmcSheetDef;
class cmcCellObj;
struct cmcCellCapsule;

class SheetView : public QTableWidget, public SheetPane, private cmcCellGrid {
    Q_OBJECT
  public:
    // Builds the sheet named by the reference ("GI_Sheet_IntCh", optionally ",argument").
    SheetView(const std::string& reference, bool usableOnly, int modelType, QWidget* parent);
    ~SheetView() override;

    // SheetPane
    QWidget* Widget() override { return this; }
    const std::string& Reference() const override { return reference_; }
    SheetPosition Position() const override;
    void SetPosition(const SheetPosition& position) override;
    void Refresh() override;
    const cmcCellObj* CurrentCell() const override;
    void SetFontPercent(int percent) override;

  protected:
    void keyPressEvent(QKeyEvent* event) override;

  private:
    void OpenChooser(cmcCellCapsule& request, int listLabel, int value,
                     const std::string& chooserSheet) override;
    void Activate(int row, int column, int key);
    void RenderCell(int row, int column);

    std::string reference_;
    std::unique_ptr<cmcSheetDef> def_;
    bool chooserCommitted_ = false;
};
