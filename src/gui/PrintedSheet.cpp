#include "gui/PrintedSheet.h"

#include <QFontMetrics>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "app/indEnviron.h"
#include "gui/cuiSheet.h"
#include "radio/CellDispatchHost.h"
#include "sheet/CellFont.h"
#include "sheet/TextHelpers.h"
#include "text/OverlayKeys.h"
#include "text/cmcGTex.h"

namespace {

// The screen's cell geometry is laid out at 96 pixels per inch.
constexpr int kScreenDpi = 96;

}  // namespace

PrintedSheet::PrintedSheet(const std::string& key, int fontHeight, int dpi)
    : fontHeight_(std::max(std::abs(fontHeight), 1)),
      scale_(std::max(dpi, 1) / double(kScreenDpi)),
      surface_(scale_) {
    SheetPaneOptions options;
    options.usableOnly = Environ().chListView;
    if (HasCellHost()) options.modelType = CellHost().ModelType();
    model_ = std::make_unique<GridModel>(MakeSheetDef(key, options), *this);
    model_->SetPrinting(true);
    model_->SetScale(scale_);
    // Cell fonts are sized in screen pixels and drawn at the printer's scale: the printer font
    // becomes whole screen pixels, never larger than asked.
    const int screenHeight = std::max(1, fontHeight_ * kScreenDpi / std::max(dpi, 1));
    std::string extra = "{(Font=,,,-" + std::to_string(screenHeight) + ",,,)}";
    // The ratio is read from the style, which the first build reads.
    model_->Build(extra);
    const int ratio = model_->Def().Style().printFontRatio;
    if (ratio != 100 && ratio > 0) {
        extra += "{(Font=,,,%" + std::to_string(ratio) + ",,,)}";
        model_->Build(extra);
    }
}

PrintedSheet::~PrintedSheet() = default;

std::vector<int> PrintedSheet::ColumnWidths() const {
    std::vector<int> w(static_cast<size_t>(model_->ColumnCount()));
    for (int c = 0; c < model_->ColumnCount(); ++c) w[c] = std::max(model_->ColumnWidth(c), 0);
    return w;
}

std::vector<int> PrintedSheet::RowHeights() const {
    std::vector<int> h(static_cast<size_t>(model_->RowCount()));
    for (int r = 0; r < model_->RowCount(); ++r) h[r] = std::max(model_->RowHeight(r), 0);
    return h;
}

std::vector<bool> PrintedSheet::ColumnStarts() const {
    std::vector<bool> starts(static_cast<size_t>(model_->ColumnCount()), true);
    for (int c = 0; c < model_->ColumnCount(); ++c)
        for (int r = 0; r < model_->FixedRows(); ++r)
            if (model_->Def().Cell(c, r).JoinLeft) starts[c] = false;
    return starts;
}

QSize PrintedSheet::Measure(const PrintBlock& b) const {
    long long w = 0, h = 0;
    for (int c = 0; c < model_->FixedCols(); ++c) w += std::max(model_->ColumnWidth(c), 0);
    for (int c = b.firstColumn; c < b.firstColumn + b.columns && c < model_->ColumnCount(); ++c)
        w += std::max(model_->ColumnWidth(c), 0);
    for (int r = 0; r < model_->FixedRows(); ++r) h += std::max(model_->RowHeight(r), 0);
    for (int r = b.firstRow; r < b.firstRow + b.rows && r < model_->RowCount(); ++r)
        h += std::max(model_->RowHeight(r), 0);
    return QSize(int(std::min<long long>(w, 1 << 30)), int(std::min<long long>(h, 1 << 30)));
}

void PrintedSheet::Draw(QPainter& painter, QPoint corner, const PrintBlock& b, const QRect& clip) {
    GridModel& m = *model_;
    // Rows and columns of the block in paint order: the block's own first, then the fixed ones
    // over them (a joined cell reaches left of its own rectangle).
    std::vector<std::pair<int, int>> cols, rows;  // index, left/top offset
    int x = 0;
    for (int c = 0; c < m.FixedCols(); ++c) {
        cols.push_back({c, x});
        x += std::max(m.ColumnWidth(c), 0);
    }
    std::vector<std::pair<int, int>> own;
    for (int c = b.firstColumn; c < b.firstColumn + b.columns && c < m.ColumnCount(); ++c) {
        own.push_back({c, x});
        x += std::max(m.ColumnWidth(c), 0);
    }
    cols.insert(cols.begin(), own.begin(), own.end());
    int y = 0;
    for (int r = 0; r < m.FixedRows(); ++r) {
        rows.push_back({r, y});
        y += std::max(m.RowHeight(r), 0);
    }
    for (int r = b.firstRow; r < b.firstRow + b.rows && r < m.RowCount(); ++r) {
        rows.push_back({r, y});
        y += std::max(m.RowHeight(r), 0);
    }
    CellPaintOptions options;
    options.printing = true;
    options.scale = scale_;
    options.focused = false;
    painter.save();
    painter.setClipRect(clip);
    for (const auto& [r, top] : rows)
        for (const auto& [c, left] : cols) {
            const int w = m.ColumnWidth(c), h = m.RowHeight(r);
            if (w < 1 || h < 1) continue;
            QRect rect(corner.x() + left, corner.y() + top, w, h);
            PaintGridCell(painter, m, c, r, rect, options);
        }
    painter.restore();
}

bool SheetIsPrintable(const std::string& key) {
    std::unique_ptr<SheetDef> def = MakeSheetDef(key, {});
    def->ReadStyle();
    return !def->Style().noPrint;
}

PrintRectangle DrawPageFrame(QPainter* painter, const PrintRectangle& margins, int dpi,
                             const std::string& title, const SheetStyle* style) {
    cmcGTex& text = GTex();
    const int points = ParseDecimal(TrimBlanks(text.GetLine(keys::kSysPrinterFrameFont, 0)));
    const printlayout::FrameMetrics frame = printlayout::FrameFor(points, dpi);
    const PrintRectangle body = printlayout::BodyRect(margins, frame);
    if (!painter) return body;

    const printlayout::FrameParts parts = printlayout::FramePartsFor(margins, frame);
    CellFont face;
    if (style && style->titleFont) face = *style->titleFont;
    face.Style = 0;
    QFont font = ToQFont(&face);
    // The line holds the font's whole height, as a cell's font is sized on screen.
    font.setPixelSize(std::max(1, int(std::lround(frame.lineHeight * 0.8))));
    painter->save();
    painter->setFont(font);
    painter->setPen(Qt::black);
    painter->setBrush(Qt::NoBrush);
    const int width = margins.right - margins.left;
    const QRect header(margins.left, parts.headerTop, width - 1, frame.lineHeight);
    painter->drawText(header, Qt::AlignLeft | Qt::AlignTop, FromLatin1(title));
    const std::string program =
        text.GetLine(keys::kSysAppTitle, 0) + " " + text.GetLine(keys::kSysRev, 0);
    painter->drawText(header, Qt::AlignRight | Qt::AlignTop, FromLatin1(program));
    painter->fillRect(QRect(margins.left, parts.topBarTop, width, frame.bar), Qt::black);
    painter->fillRect(QRect(margins.left, parts.bottomBarTop, width, frame.bar), Qt::black);
    const QRect footer(margins.left, parts.footerTop, width - 1, frame.lineHeight + 1);
    painter->drawText(footer, Qt::AlignRight | Qt::AlignTop,
                      FromLatin1(text.GetLine(keys::kSysMaker, 0)));
    painter->restore();
    return body;
}
