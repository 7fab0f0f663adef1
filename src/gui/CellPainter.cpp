#include "gui/CellPainter.h"

#include <QApplication>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QPainterPath>
#include <QPalette>
#include <QPolygon>
#include <QStaticText>
#include <algorithm>
#include <array>
#include <cmath>
#include <functional>
#include <optional>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "app/GridModel.h"
#include "radio/cmcCellCapsule.h"
#include "sheet/CellFont.h"
#include "sheet/NameTables.h"
#include "sheet/cmcCellObj.h"

namespace {

constexpr uint32_t kWhite = 0x00FFFFFF;
constexpr uint32_t kPrintDark = 0x00606060;

QColor SystemColor(int n) {
    const QPalette p = QApplication::palette();
    switch (n) {
        case 1:   // desktop
        case 12:  // application work space
            return p.color(QPalette::Dark);
        case 2:  // active caption
            return p.color(QPalette::Highlight);
        case 3:   // inactive caption
        case 16:  // button shadow
            return p.color(QPalette::Mid);
        case 4:   // menu
        case 15:  // button face
            return p.color(QPalette::Button);
        case 5:  // window
            return p.color(QPalette::Base);
        case 6:  // window frame
        case 10:
        case 11:
            return p.color(QPalette::Shadow);
        case 7:  // menu text
        case 8:  // window text
            return p.color(QPalette::Text);
        case 9:   // caption text
        case 14:  // highlighted text
            return p.color(QPalette::HighlightedText);
        case 13:
            return p.color(QPalette::Highlight);
        case 17:  // grey text
            return p.color(QPalette::Disabled, QPalette::Text);
        case 18:  // button text
            return p.color(QPalette::ButtonText);
        case 19:
            return p.color(QPalette::Light);
        case 20:  // button highlight
            return p.color(QPalette::Light);
        default:
            return p.color(QPalette::Base);
    }
}

uint32_t ToBgr(const QColor& c) {
    return uint32_t(c.red()) | (uint32_t(c.green()) << 8) | (uint32_t(c.blue()) << 16);
}

// Resolved colour as 0x00BBGGRR, for the comparisons of the paint rules.
uint32_t Resolve(uint32_t color) {
    return (color & 0x80000000u) ? ToBgr(SystemColor(int(color & 0xFF))) : (color & 0xFFFFFF);
}

// (a x W + T + round) / d per channel.
uint32_t Tint(uint32_t w, uint32_t t, int a, int d) {
    uint32_t out = 0;
    for (int shift = 0; shift < 24; shift += 8) {
        int wc = (w >> shift) & 0xFF, tc = (t >> shift) & 0xFF;
        out |= uint32_t((a * wc + tc + d / 2) / d) << shift;
    }
    return out;
}

// Latin-1 texts keyed without copying the key for a lookup.
struct TextHash {
    using is_transparent = void;
    size_t operator()(std::string_view text) const { return std::hash<std::string_view>{}(text); }
};

struct FontCacheEntry {
    CellFont font;
    double scale = 1.0;
    QFont qfont;
    int height = 0;
    int ascent = 0;
    // Texts laid out in this font: a screen of cells shows few distinct texts, and laying one
    // out (shaping) costs more than everything else a cell's paint does.
    std::unordered_map<std::string, QStaticText, TextHash, std::equal_to<>> texts;

    void Set(const CellFont* f, double s) {
        if (f) font = *f;
        scale = s;
        qfont = ToQFont(f, s);
        const QFontMetrics metrics(qfont);
        height = metrics.height();
        ascent = metrics.ascent();
        texts.clear();
    }
    const QStaticText& Text(std::string_view line) {
        auto it = texts.find(line);
        if (it != texts.end()) return it->second;
        if (texts.size() >= kMaxTexts) texts.clear();
        QStaticText text(QString::fromLatin1(line.data(), qsizetype(line.size())));
        text.setTextFormat(Qt::PlainText);
        text.prepare(QTransform(), qfont);
        return texts.emplace(std::string(line), std::move(text)).first->second;
    }
    static constexpr size_t kMaxTexts = 4096;
};

// Fonts of one application object; a test that makes a new application gets a new cache (the
// old fonts are left alone, as they belong to a font system that is gone).
struct FontCache {
    std::unordered_map<const CellFont*, FontCacheEntry> map;
    FontCacheEntry fallback;
    FontCache() { fallback.Set(nullptr, 1.0); }
};
FontCache* gFontCache = nullptr;

FontCacheEntry& CachedFontEntry(const CellFont* font, double scale) {
    if (!gFontCache) {
        gFontCache = new FontCache;
        QObject::connect(QCoreApplication::instance(), &QObject::destroyed,
                         [] { gFontCache = nullptr; });
    }
    auto& cache = gFontCache->map;
    if (!font) return gFontCache->fallback;
    auto it = cache.find(font);
    if (it != cache.end() && it->second.font == *font && it->second.scale == scale)
        return it->second;
    if (cache.size() > 4096) cache.clear();
    FontCacheEntry& e = cache[font];
    e.Set(font, scale);
    return e;
}

const QFont& CachedFont(const CellFont* font, double scale) {
    return CachedFontEntry(font, scale).qfont;
}

class QtCellCanvas : public CellCanvas {
  public:
    explicit QtCellCanvas(QPainter& p) : p_(p) {}
    void SetFontColor(uint32_t) override {}
    void FillRect(const CellRectangle& r, uint32_t color) override {
        p_.fillRect(QRect(QPoint(r.left, r.top), QPoint(r.right - 1, r.bottom - 1)),
                    ToQColor(color));
    }
    void DrawLine(int x1, int y1, int x2, int y2, uint32_t color) override {
        p_.setPen(ToQColor(color));
        p_.drawLine(x1, y1, x2, y2);
    }

  private:
    QPainter& p_;
};

std::vector<std::string_view> SplitLines(std::string_view text) {
    std::vector<std::string_view> lines;
    size_t start = 0;
    for (;;) {
        size_t nl = text.find('\n', start);
        if (nl == std::string_view::npos) {
            lines.push_back(text.substr(start));
            return lines;
        }
        lines.push_back(text.substr(start, nl - start));
        start = nl + 1;
    }
}

}  // namespace

QColor ToQColor(uint32_t c) {
    if (c & 0x80000000u) return SystemColor(int(c & 0xFF));
    return QColor(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF));
}

QFont ToQFont(const CellFont* font, double scale) {
    QFont q = QApplication::font();
    if (!font) return q;
    if (!font->Face.empty() && font->Face != DefaultFaceName() &&
        QFontDatabase::hasFamily(QString::fromStdString(font->Face)))
        q.setFamily(QString::fromStdString(font->Face));
    if (font->Pitch == kFpFixed) {
        q.setStyleHint(QFont::Monospace);
        q.setFamily(QFontDatabase::systemFont(QFontDatabase::FixedFont).family());
    }
    int px = font->Height != 0 ? std::abs(font->Height) : std::abs(font->Size) * 96 / 72;
    // A positive height includes the internal leading.
    if (font->Height > 0) px = px * 4 / 5;
    q.setPixelSize(std::max(1, int(std::lround(px * 0.8 * scale))));
    q.setBold(font->Style & kFsBold);
    q.setItalic(font->Style & kFsItalic);
    q.setUnderline(font->Style & kFsUnderline);
    q.setStrikeOut(font->Style & kFsStrikeOut);
    return q;
}

QString FromLatin1(const std::string& text) {
    return QString::fromLatin1(text.data(), qsizetype(text.size()));
}

std::string ToLatin1(const QString& text) {
    QByteArray bytes = text.toLatin1();
    return std::string(bytes.constData(), size_t(bytes.size()));
}

int QtTextSurface::TextWidth(std::string_view line, const CellFont* font) {
    QFontMetrics m(CachedFont(font, scale_));
    return m.horizontalAdvance(QString::fromLatin1(line.data(), qsizetype(line.size())));
}

int QtTextSurface::TextHeight(std::string_view, const CellFont* font) {
    return CachedFontEntry(font, scale_).height;
}

void PaintMarker(QPainter& painter, const QRect& box, bool error, bool printing) {
    const int s = box.width();
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    if (error) {
        // A cross with arms of width s/8, from corner to corner.
        const double a = std::max(1.0, s / 8.0);
        QPainterPath path;
        const QPointF c = QRectF(box).center();
        for (double angle : {45.0, 135.0}) {
            QPainterPath arm;
            arm.addRect(
                QRectF(-s * 0.5 * std::sqrt(2.0) + a / 2, -a / 2, s * std::sqrt(2.0) - a, a));
            QTransform t;
            t.translate(c.x(), c.y());
            t.rotate(angle);
            path = path.united(t.map(arm));
        }
        if (!printing) {
            painter.setPen(Qt::NoPen);
            painter.setBrush(QColor(200, 30, 30));
            painter.drawEllipse(box);
            QTransform shrink;
            shrink.translate(c.x(), c.y());
            shrink.scale(0.55, 0.55);
            shrink.translate(-c.x(), -c.y());
            painter.setBrush(Qt::white);
            painter.drawPath(shrink.map(path));
        } else {
            painter.setPen(Qt::NoPen);
            painter.setBrush(Qt::black);
            painter.drawPath(path);
        }
    } else {
        QPolygon tri;
        tri << QPoint(box.left() + s / 2, box.top()) << QPoint(box.right(), box.bottom())
            << QPoint(box.left(), box.bottom());
        painter.setPen(QPen(Qt::black, printing ? s / 16 + 1 : 1));
        painter.setBrush(printing ? QColor(Qt::white) : QColor(250, 200, 40));
        painter.drawPolygon(tri);
        painter.setPen(Qt::NoPen);
        painter.setBrush(Qt::black);
        const int barW = std::max(1, s / 8);
        const int x = box.left() + s / 2 - barW / 2;
        painter.drawRect(x, box.top() + s / 3, barW, s / 3);
        painter.drawRect(x, box.top() + 3 * s / 4, barW, std::max(1, s / 6));
    }
    painter.restore();
}

QColor CompareMarkColor() {
    return QColor(0xC0, 0x20, 0xC0);
}

void PaintCompareMark(QPainter& painter, const QRect& cell) {
    if (cell.width() < 4 || cell.height() < 4) return;
    const QColor color = CompareMarkColor();
    painter.setPen(QPen(color, 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(cell.adjusted(0, 0, -1, -1));
    painter.drawRect(cell.adjusted(1, 1, -2, -2));
    // A corner that shows even on a narrow cell.
    const int s = std::min({8, cell.width() / 2, cell.height() / 2});
    const QPoint corner = cell.topRight();
    const QPoint tri[3] = {corner, corner - QPoint(s, 0), corner + QPoint(0, s)};
    painter.setPen(Qt::NoPen);
    painter.setBrush(color);
    painter.drawPolygon(tri, 3);
    painter.setBrush(Qt::NoBrush);
}

namespace {

// The share of light of an sRGB channel value, as WCAG linearises it.
double LinearChannel(int v) {
    static const auto table = [] {
        std::array<double, 256> t{};
        for (int i = 0; i < 256; ++i) {
            const double c = i / 255.0;
            t[size_t(i)] = c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
        }
        return t;
    }();
    return table[size_t(std::clamp(v, 0, 255))];
}

double Luminance(const QColor& c) {
    return 0.2126 * LinearChannel(c.red()) + 0.7152 * LinearChannel(c.green()) +
           0.0722 * LinearChannel(c.blue());
}

QColor Mix(const QColor& from, const QColor& to, int step, int steps) {
    const auto channel = [&](int a, int b) { return a + ((b - a) * step + steps / 2) / steps; };
    return QColor(channel(from.red(), to.red()), channel(from.green(), to.green()),
                  channel(from.blue(), to.blue()));
}

// `moving` taken towards `target` by the fewest steps that make it readable against `fixed`
// (the target itself when nothing short of it does).
QColor MoveUntilReadable(const QColor& moving, const QColor& fixed, const QColor& target) {
    constexpr int kSteps = 256;
    int low = 0, high = kSteps;  // high always reads (or is the target)
    while (high - low > 1) {
        const int mid = (low + high) / 2;
        if (ContrastRatio(Mix(moving, target, mid, kSteps), fixed) >= kReadableContrast)
            high = mid;
        else
            low = mid;
    }
    return Mix(moving, target, high, kSteps);
}

// The dispatcher's own fills and lines, kept until the cell's background is down.
class RecordingCanvas : public CellCanvas {
  public:
    explicit RecordingCanvas(CellCanvas* out) : out_(out) {}
    void SetFontColor(uint32_t color) override {
        fontColor = color;
        changed = true;
    }
    void FillRect(const CellRectangle& r, uint32_t color) override {
        if (out_ && count_ < kMax) ops_[count_++] = {true, r, 0, 0, 0, 0, color};
    }
    void DrawLine(int x1, int y1, int x2, int y2, uint32_t color) override {
        if (out_ && count_ < kMax) ops_[count_++] = {false, {}, x1, y1, x2, y2, color};
    }
    void Replay() const {
        for (int i = 0; i < count_; ++i) {
            const Op& op = ops_[size_t(i)];
            if (op.fill)
                out_->FillRect(op.rect, op.color);
            else
                out_->DrawLine(op.x1, op.y1, op.x2, op.y2, op.color);
        }
    }
    uint32_t fontColor = 0;
    bool changed = false;

  private:
    struct Op {
        bool fill;
        CellRectangle rect;
        int x1, y1, x2, y2;
        uint32_t color;
    };
    static constexpr int kMax = 4;
    CellCanvas* out_;
    std::array<Op, kMax> ops_{};
    int count_ = 0;
};

CellLook LookOf(GridModel& model, int column, int row, QRect rect, const CellPaintOptions& o,
                RecordingCanvas& canvas) {
    CellLook look;
    // A joined cell paints the model of the first cell of its run.
    int source = column;
    while (source > 0 && model.Def().Cell(source, row).JoinLeft) {
        --source;
        rect.setLeft(rect.left() - model.ColumnWidth(source));
    }
    look.source = source;
    look.rect = rect;
    cmcCellObj& cell = model.Def().Cell(source, row);
    const bool selected = model.DrawnSelected(source, row);

    const uint32_t window = Resolve(kClWindow), windowText = Resolve(kClWindowText);
    const uint32_t own = Resolve(cell.Color);
    const bool plain = cell.Color == kClWindow || own == kWhite;
    uint32_t back;
    bool onHighlight = false, onInactive = false, dark = false;
    if (o.printing) {
        dark = !plain;
        back = dark ? kPrintDark : kWhite;
    } else if (!selected || o.editorVisible) {
        const bool selectLine = model.Def().Style().colorSelectLine && row == model.Row() &&
                                source >= model.FixedCols() && !o.chooser;
        back = selectLine ? Tint(window, windowText, 7, 8) : own;
    } else if (o.focused || o.chooser) {
        back = Resolve(kClHighlight);
        onHighlight = true;
    } else {
        back = Tint(window, windowText, 3, 4);
        onInactive = true;
    }
    look.fill = back != kWhite || o.printing;
    look.back = ToQColor(back);
    if (onHighlight) {
        // The selection's colour is ours: darkened or lightened until its text reads on it.
        const QColor text = ToQColor(kClHighlightText);
        if (ContrastRatio(text, look.back) < kReadableContrast)
            look.back = MoveUntilReadable(
                look.back, text, Luminance(text) > Luminance(look.back) ? Qt::black : Qt::white);
    }
    look.line =
        plain ? (o.printing ? QColor(Qt::black) : QColor(0x80, 0x80, 0x80)) : QColor(Qt::white);

    look.font = EffectiveFont(cell, model.Def().BasicCell());
    uint32_t textColor = look.font ? look.font->Color : kClWindowText;
    if (onHighlight) textColor = kClHighlightText;
    if (cell.IsBound()) {
        cmcCellCapsule req;
        model.FillPaintRequest(req, source, row, selected);
        req.canvas = &canvas;
        req.rect = {rect.left(), rect.top(), rect.right() + 1, rect.bottom() + 1};
        model.Dispatcher()(req, false);
        look.text = std::move(req.displayText);
        look.flags = req.resultFlags;
        look.mark = req.mark;
        if (canvas.changed) textColor = canvas.fontColor;
    } else {
        look.text = cell.Text;
    }

    if (o.printing) {
        look.pen = dark ? QColor(Qt::white) : QColor(Qt::black);
    } else {
        if (onInactive) {
            const uint32_t t = Resolve(textColor);
            if (textColor == kClBtnFace || t == back || t == 0x00C0C0C0 || textColor == kClGrayText)
                textColor = kClWindow;
        }
        look.pen = ReadableOn(ToQColor(textColor), look.back);
    }
    return look;
}

}  // namespace

double ContrastRatio(const QColor& a, const QColor& b) {
    const double la = Luminance(a), lb = Luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

QColor ReadableOn(const QColor& text, const QColor& back) {
    // A screen of cells has few pairs of colours: the last ones are remembered.
    struct Pair {
        QRgb text = 0, back = 0, out = 0;
        bool set = false;
    };
    static std::array<Pair, 8> pairs;
    static size_t next = 0;
    const QRgb t = text.rgb(), b = back.rgb();
    for (const Pair& p : pairs)
        if (p.set && p.text == t && p.back == b) return QColor(p.out);
    QColor out = text;
    if (ContrastRatio(text, back) < kReadableContrast) {
        // Black or white, whichever stands out more, always reads (at least 4.58:1).
        const QColor target = ContrastRatio(Qt::black, back) >= ContrastRatio(Qt::white, back)
                                  ? Qt::black
                                  : Qt::white;
        out = MoveUntilReadable(text, back, target);
    }
    pairs[next] = {t, b, out.rgb(), true};
    next = (next + 1) % pairs.size();
    return out;
}

CellLook LookOfCell(GridModel& model, int column, int row, QRect rect,
                    const CellPaintOptions& options, CellCanvas* canvas) {
    RecordingCanvas recording(canvas);
    CellLook look = LookOf(model, column, row, rect, options, recording);
    recording.Replay();
    return look;
}

void PaintGridCell(QPainter& painter, GridModel& model, int column, int row, QRect rect,
                   const CellPaintOptions& o) {
    if (!model.Built() || model.ColumnWidth(column) < 1 || model.RowHeight(row) < 1) return;
    QtCellCanvas drawn(painter);
    RecordingCanvas canvas(&drawn);
    const CellLook look = LookOf(model, column, row, rect, o, canvas);
    rect = look.rect;
    const cmcCellObj& cell = model.Def().Cell(look.source, row);
    const bool rightJoined =
        column + 1 < model.ColumnCount() && model.Def().Cell(column + 1, row).JoinLeft;
    if (look.fill) painter.fillRect(rect, look.back);

    // Lines along the bottom and the right edge.
    const QColor lineColor = look.line;
    painter.setPen(lineColor);
    const auto line = [&](int x1, int y1, int x2, int y2) {
        // Unscaled on screen a one-pixel rectangle gives the pen's pixels at a fraction of its
        // cost: the engine draws a pen's column as one span per pixel row.
        if (o.printing || painter.deviceTransform().type() > QTransform::TxTranslate)
            painter.drawLine(x1, y1, x2, y2);
        else
            painter.fillRect(QRect(QPoint(x1, y1), QPoint(x2, y2)), lineColor);
    };
    if (cell.BottomLine) line(rect.left(), rect.bottom(), rect.right(), rect.bottom());
    if (!rightJoined && cell.RightLine == kRightLineFull)
        line(rect.right(), rect.top(), rect.right(), rect.bottom());
    if (!rightJoined && cell.RightLine == kRightLineLow)
        line(rect.right(), rect.top() + (rect.bottom() - rect.top()) * 7 / 10, rect.right(),
             rect.bottom());

    FontCacheEntry& fontEntry = CachedFontEntry(look.font, o.scale);
    painter.setFont(fontEntry.qfont);
    canvas.Replay();
    painter.setPen(look.pen);
    const std::string& text = look.text;
    const uint8_t flags = look.flags;
    MarkerPlace mark = look.mark;

    // Layout: lines stacked, aligned as the markup says. On screen the laid-out texts are
    // kept per font; paper is laid out afresh for the printer's resolution.
    const bool cached = !o.printing;
    std::optional<QFontMetrics> metrics;
    if (!cached) metrics.emplace(painter.font());
    const auto lines = SplitLines(text);
    const int lineHeight = cached ? fontEntry.height : metrics->height();
    const int ascent = cached ? fontEntry.ascent : metrics->ascent();
    const int block = lineHeight * int(lines.size());
    const int pad = int(std::lround(4 * o.scale)), one = int(std::lround(1 * o.scale));
    int y = cell.VAlign == kAlignTop ? rect.top() + one
            : cell.VAlign == kAlignMiddle
                ? rect.top() + (rect.bottom() + 1 - rect.top() - block) / 2
                : rect.bottom() - block - one;
    int textRight = rect.left();
    for (std::string_view line : lines) {
        const QStaticText* laid = nullptr;
        QString q;
        int w = 0;
        if (cached) {
            laid = &fontEntry.Text(line);
            w = int(std::lround(laid->size().width()));
        } else {
            q = QString::fromLatin1(line.data(), qsizetype(line.size()));
            w = metrics->horizontalAdvance(q);
        }
        int x = cell.HAlign == kAlignLeft ? rect.left() + pad
                : cell.HAlign == kAlignCentre
                    ? rect.left() + (rect.right() + 1 - rect.left() - w) / 2
                    : rect.right() + 1 - w - pad;
        x = std::max(x, rect.left());
        const bool fits = x + w + 1 < rect.right();
        if (!fits) {
            painter.save();
            painter.setClipRect(rect, Qt::IntersectClip);
        }
        if (laid)
            painter.drawStaticText(x, y, *laid);
        else
            painter.drawText(x, y + ascent, q);
        if (!fits) painter.restore();
        textRight = std::max(textRight, std::min(x + w, rect.right()));
        y += lineHeight;
    }

    if (o.markers && (flags & (cmcCellCapsule::kWarning | cmcCellCapsule::kError))) {
        const int s = o.printing ? rect.height() / 2 : std::min(14, rect.height() - 2);
        if (s > 2) {
            if (mark == MarkerPlace::kAuto)
                mark = cell.HAlign == kAlignRight ? MarkerPlace::kLeft : MarkerPlace::kAfterText;
            int x;
            if (mark == MarkerPlace::kLeft)
                x = rect.left() + s / 8;
            else if (mark == MarkerPlace::kAfterText)
                x = textRight + 2 < rect.right() - s - 1 ? textRight + 2 : rect.right() - s - 1;
            else
                x = rect.right() - s - 1;
            x = std::max(x, rect.left());
            QRect box(x, rect.bottom() - s, s, s);
            PaintMarker(painter, box, flags & cmcCellCapsule::kError, o.printing);
        }
    }
    if (o.compareMarks && !o.printing && cell.IsBound() && model.CompareValue(look.source, row))
        PaintCompareMark(painter, rect);
}

void PaintGrid(QPainter& painter, GridModel& model, const QRect& clip,
               const CellPaintOptions& options) {
    if (!model.Built()) return;
    const int lastRow = model.LastVisibleRow(), lastCol = model.LastVisibleColumn();
    auto paintRow = [&](int r) {
        auto paint = [&](int c) {
            CellRectangle cr = model.CellRect(c, r);
            QRect rect(QPoint(cr.left, cr.top), QPoint(cr.right - 1, cr.bottom - 1));
            if (rect.isEmpty() || !rect.intersects(clip)) {
                // A joined cell reaches left of its own rectangle.
                if (!(model.Def().Cell(c, r).JoinLeft && rect.top() <= clip.bottom() &&
                      rect.bottom() >= clip.top()))
                    return;
            }
            PaintGridCell(painter, model, c, r, rect, options);
        };
        // Scrolled columns first, then the fixed ones over them.
        for (int c = model.LeftColumn(); c <= lastCol; ++c) paint(c);
        for (int c = 0; c < model.FixedCols(); ++c) paint(c);
    };
    for (int r = model.TopRow(); r <= lastRow; ++r) paintRow(r);
    for (int r = 0; r < model.FixedRows(); ++r) paintRow(r);
}
