#pragma once
// Paints the cells of a grid model onto any QPainter: the screen grid, a printer page or a PDF
// use the same code. A cell is painted as its markup says (background, lines, font, alignment,
// the text the dispatcher gives, warning and error markers).
#include <QColor>
#include <QFont>
#include <QPainter>
#include <QRect>
#include <cstdint>
#include <string>

#include "radio/CellUi.h"
#include "sheet/TextHelpers.h"

class CellFont;
class GridModel;

// 0x00BBGGRR, or a system colour (0x80000000 + n) taken from the application's palette.
QColor ToQColor(uint32_t color);
// The toolkit font of a cell font (the default face becomes the desktop's sans-serif face).
QFont ToQFont(const CellFont* font, double scale = 1.0);
// Overlay text (Latin-1) for the toolkit and back.
QString FromLatin1(const std::string& text);
std::string ToLatin1(const QString& text);

// Measures text in cell fonts for the grid model.
class QtTextSurface : public TextSurface {
  public:
    explicit QtTextSurface(double scale = 1.0) : scale_(scale) {}
    int TextWidth(std::string_view line, const CellFont* font) override;
    int TextHeight(std::string_view line, const CellFont* font) override;

  private:
    double scale_;
};

struct CellPaintOptions {
    bool printing = false;
    double scale = 1.0;          // printer pixels per screen pixel
    bool focused = true;         // the grid has the focus
    bool editorVisible = false;  // an in-place editor covers the current cell
    bool markers = true;         // draw warning and error markers
    bool chooser = false;        // a drop-down chooser's sheet
    bool compareMarks = true;    // mark cells that differ from a compared file (not on paper)
};

// Paints cell (column, row) of the model into `rect` (the cell's own rectangle; a cell joined
// to its left neighbours extends itself leftwards).
void PaintGridCell(QPainter& painter, GridModel& model, int column, int row, QRect rect,
                   const CellPaintOptions& options);

// Paints every visible cell of the model with its top left corner at the painter's origin.
void PaintGrid(QPainter& painter, GridModel& model, const QRect& clip,
               const CellPaintOptions& options);

// The marker shapes (also used where no image is at hand, as on paper).
void PaintMarker(QPainter& painter, const QRect& box, bool error, bool printing);

// The mark of a cell that differs from a compared file: a frame and a corner in a colour of its
// own, apart from the selection's fill and the warning and error markers.
QColor CompareMarkColor();
void PaintCompareMark(QPainter& painter, const QRect& cell);
