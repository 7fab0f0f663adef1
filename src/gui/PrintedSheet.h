#pragma once
// A sheet built for paper: the printer font height in printer pixels, cells measured and painted
// at the printer's resolution with the screen's cell painting in printer colours. The printer
// and the preview draw their pages with it, so the preview shows exactly what is printed.
#include <QRect>
#include <memory>
#include <string>
#include <vector>

#include "app/GridModel.h"
#include "app/PrintLayout.h"
#include "gui/CellPainter.h"

class QPainter;

// One page's block of a sheet: the first non-fixed column and row and how many of each.
struct PrintBlock {
    int firstColumn = 0;
    int firstRow = 0;
    int columns = 0;
    int rows = 0;
};

class PrintedSheet : public GridHost {
  public:
    // `key`: the sheet's definition name; `fontHeight`: the basic font's height in printer
    // pixels; `dpi`: the printer's resolution.
    PrintedSheet(const std::string& key, int fontHeight, int dpi);
    ~PrintedSheet() override;

    GridModel& Model() { return *model_; }
    const SheetStyle& Style() const { return model_->Def().Style(); }
    bool IsPrintable() const { return !Style().noPrint; }
    const std::string& Title() const { return Style().title; }
    int FontHeight() const { return fontHeight_; }

    std::vector<int> ColumnWidths() const;
    std::vector<int> RowHeights() const;
    // Columns that may begin a page: none of their fixed-row cells joins its left neighbour.
    std::vector<bool> ColumnStarts() const;

    // The block's extent from the corner: fixed columns and rows plus the block's own.
    QSize Measure(const PrintBlock& block) const;
    // Paints the block with its top left corner at `corner`, clipped to `clip`.
    void Draw(QPainter& painter, QPoint corner, const PrintBlock& block, const QRect& clip);

    // GridHost
    TextSurface& Surface() override { return surface_; }
    int ClientWidth() const override { return 1 << 24; }
    int ClientHeight() const override { return 1 << 24; }
    void InvalidateCell(int, int) override {}
    void InvalidateAll() override {}
    void OpenEditor(int, int, const std::string&, int, int) override {}
    void CommitEditor() override {}
    bool Extending() const override { return false; }

  private:
    int fontHeight_;
    double scale_;
    QtTextSurface surface_;
    std::unique_ptr<GridModel> model_;
};

// Whether a sheet may be printed (its style has no NoPrint), without building it.
bool SheetIsPrintable(const std::string& key);

// The page frame on a printer page (printer pixels): the sheet's title and the program's name
// and revision above a bar, the maker below another. Returns the body rectangle; with no
// painter it only measures.
PrintRectangle DrawPageFrame(QPainter* painter, const PrintRectangle& margins, int dpi,
                             const std::string& title, const SheetStyle* style);
