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
#include "radio/cmcCellCapsule.h"
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

// Contrast of two colours by WCAG's formula: 1 (none) to 21 (black on white).
double ContrastRatio(const QColor& a, const QColor& b);
// The contrast text needs to be read easily (WCAG's level AA for text).
constexpr double kReadableContrast = 4.5;
// `text` where it reads on `back`; otherwise the least change of it, towards black on a light
// background or towards white on a dark one, that does.
QColor ReadableOn(const QColor& text, const QColor& back);

// How one cell looks on screen or paper: what PaintGridCell draws, decided apart from drawing.
struct CellLook {
    int source = 0;     // the cell whose model is painted (the first of a joined run)
    QRect rect;         // widened over the joined cells to its left
    bool fill = false;  // a pure white cell on screen leaves the grid's background
    QColor back;        // the fill, also where nothing is filled
    QColor line;        // bottom and right edge lines
    QColor pen;         // the text's colour, readable on `back` on screen
    const CellFont* font = nullptr;
    std::string text;
    uint8_t flags = 0;  // the dispatcher's result flags (warning, error)
    MarkerPlace mark = MarkerPlace::kAuto;
};
// `canvas` receives what the dispatcher draws itself (fills and lines), to be drawn after the
// cell's background; none is needed to learn the look alone.
class CellCanvas;
CellLook LookOfCell(GridModel& model, int column, int row, QRect rect,
                    const CellPaintOptions& options, CellCanvas* canvas = nullptr);

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
