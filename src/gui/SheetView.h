#pragma once
// A sheet on screen: the cells of a sheet definition in a grid. Every cell's text and colour
// come from the dispatcher; keys and committed text go back to it. The grid decides nothing.
#include <QTableWidget>
#include <memory>
#include <string>

#include "radio/cmcCellUi.h"

class cmcSheetDef;
class cmcCellObj;
struct cmcCellCapsule;

class SheetView : public QTableWidget, private cmcCellGrid {
    Q_OBJECT
  public:
    // Builds the sheet named by the reference ("GI_Sheet_IntCh", optionally ",argument").
    SheetView(const std::string& reference, bool usableOnly, int modelType, QWidget* parent);
    ~SheetView() override;

    const std::string& Reference() const { return reference_; }
    // Renders every cell again from the working image.
    void Refresh();

  signals:
    // A cell changed the working image.
    void Edited();

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
