#include "app/PrintLayout.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>

#include "sheet/TextHelpers.h"

namespace printlayout {

namespace {

// Millimetres to pixels, truncated; at most `limit`.
int MmToPixels(int32_t mm, int dpi, int limit) {
    if (mm <= 0 || dpi <= 0) return 0;
    const double px = static_cast<double>(mm) * dpi / 25.4;
    return px >= limit ? limit : static_cast<int>(px);
}

}  // namespace

PrintRectangle Margins(std::string_view line, int dpi, int pageWidth, int pageHeight) {
    int32_t mm[4] = {0, 0, 0, 0};
    for (int i = 0; i < 4; ++i) {
        auto field = FieldAt(line, i, ',');
        if (!field) break;
        mm[i] = ParseDecimal(TrimBlanks(*field));
    }
    const int w = std::max(pageWidth, 0), h = std::max(pageHeight, 0);
    PrintRectangle r;
    r.left = MmToPixels(mm[0], dpi, w / 4);
    r.top = MmToPixels(mm[1], dpi, h / 4);
    r.right = w - MmToPixels(mm[2], dpi, w / 4);
    r.bottom = h - MmToPixels(mm[3], dpi, h / 4);
    return r;
}

FrameMetrics FrameFor(int points, int dpi) {
    return FrameForLineHeight(std::abs(points * dpi / 72));
}

FrameMetrics FrameForLineHeight(int lineHeight) {
    FrameMetrics f;
    f.lineHeight = std::abs(lineHeight);
    f.bar = static_cast<int>(f.lineHeight * 0.1 + 1);
    return f;
}

FrameParts FramePartsFor(const PrintRectangle& m, const FrameMetrics& f) {
    FrameParts p;
    p.headerTop = m.top;
    p.topBarTop = m.top + f.lineHeight + f.bar;
    p.bottomBarTop = m.bottom - f.lineHeight - f.bar - f.bar;
    p.footerTop = m.bottom - f.lineHeight - 1;
    return p;
}

PrintRectangle BodyRect(const PrintRectangle& m, const FrameMetrics& f) {
    PrintRectangle body = m;
    body.top += f.lineHeight + f.bar + 5 * f.bar;
    body.bottom -= f.lineHeight + f.bar + 5 * f.bar;
    return body;
}

std::vector<int> ColumnBlocks(const std::vector<int>& widths, int fixedCols,
                              const std::vector<bool>& mayStart, int bodyWidth) {
    const int cols = static_cast<int>(widths.size());
    fixedCols = std::clamp(fixedCols, 0, cols);
    long long fixedWidth = 0;
    for (int c = 0; c < fixedCols; ++c) fixedWidth += widths[c];
    std::vector<int> blocks;
    for (int c0 = fixedCols; c0 < cols;) {
        long long used = fixedWidth;
        int k = 0;
        bool stopped = false;
        for (int i = 0; c0 + i < cols; ++i) {
            used += widths[c0 + i];
            const size_t at = static_cast<size_t>(c0 + i);
            if (at >= mayStart.size() || mayStart[at]) k = i;
            if (k > 0 && used > bodyWidth) {
                stopped = true;
                break;
            }
        }
        if (!stopped) k = cols - c0;
        const int count = std::max(k, 1);
        blocks.push_back(count);
        c0 += count;
    }
    return blocks;
}

std::vector<int> RowBlocks(const std::vector<int>& heights, int fixedRows, int bodyHeight) {
    const int rows = static_cast<int>(heights.size());
    fixedRows = std::clamp(fixedRows, 0, rows);
    long long fixedHeight = 0;
    for (int r = 0; r < fixedRows; ++r) fixedHeight += heights[r];
    std::vector<int> blocks;
    for (int r0 = fixedRows; r0 < rows;) {
        long long used = fixedHeight;
        int count = 0;
        for (int i = 0; r0 + i < rows; ++i) {
            used += heights[r0 + i];
            if (i > 0 && used > bodyHeight) break;
            ++count;
        }
        count = std::max(count, 1);
        blocks.push_back(count);
        r0 += count;
    }
    return blocks;
}

int ShrunkFontHeight(int height, int extentWidth, int extentHeight, int bodyWidth, int bodyHeight) {
    const double fh = static_cast<double>(std::max(bodyHeight, 0)) / std::max(extentHeight, 1);
    const double fw = static_cast<double>(std::max(bodyWidth, 0)) / std::max(extentWidth, 1);
    return static_cast<int>(std::abs(height) * std::min(fh, fw));
}

int ToPreview(int x, int screenDpi, int printerDpi) {
    if (printerDpi <= 0) return x;
    return static_cast<int>(static_cast<long long>(x) * screenDpi / printerDpi);
}

PrintRectangle ToPreview(const PrintRectangle& r, int screenDpi, int printerDpi) {
    return {ToPreview(r.left, screenDpi, printerDpi), ToPreview(r.top, screenDpi, printerDpi),
            ToPreview(r.right, screenDpi, printerDpi), ToPreview(r.bottom, screenDpi, printerDpi)};
}

}  // namespace printlayout
