#pragma once
// The arithmetic of a printed page, without a toolkit: the margins in printer pixels, the page
// frame (header line, title bar, footer line) around the body, cutting a sheet into column and
// row blocks that fit the body, and the smaller font a block that is still too big gets.
#include <string_view>
#include <vector>

struct PrintRectangle {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    bool operator==(const PrintRectangle&) const = default;
};

namespace printlayout {

// Margins from the overlay line "l, t, r, b" (whole millimetres) on a page of the given size in
// pixels at `dpi`: left = l x dpi / 25.4, right = width - r x dpi / 25.4 and so on, truncated.
// Missing or negative numbers count as 0; a margin is never more than a quarter of the page
// side it lies on, so the body never vanishes whatever the overlay says.
PrintRectangle Margins(std::string_view line, int dpi, int pageWidth, int pageHeight);

// Line height b of the frame font (points at dpi) and the bar thickness c = b x 0.1 + 1.
struct FrameMetrics {
    int lineHeight = 0;
    int bar = 0;
};
FrameMetrics FrameFor(int points, int dpi);
// The frame's line height as the font gives it (a preview measures its font).
FrameMetrics FrameForLineHeight(int lineHeight);

// The body inside the frame: below the header line, its bar and a gap of 5 bars, and above the
// footer line with the same bar and gap.
PrintRectangle BodyRect(const PrintRectangle& margins, const FrameMetrics& frame);
// Where the frame draws: header text top, the two bars and the footer text top.
struct FrameParts {
    int headerTop = 0;
    int topBarTop = 0;     // bar from here, `bar` high
    int bottomBarTop = 0;  // bar from here, `bar` high
    int footerTop = 0;
};
FrameParts FramePartsFor(const PrintRectangle& margins, const FrameMetrics& frame);

// Counts of the non-fixed columns of each column block, in order. `widths` are all columns'
// widths; `mayStart[i]` says column i may begin a page (no header cell of it joins its left
// neighbour). A block holds at least one column; it never ends inside a joined header.
std::vector<int> ColumnBlocks(const std::vector<int>& widths, int fixedCols,
                              const std::vector<bool>& mayStart, int bodyWidth);
// Counts of the non-fixed rows of each row block, in order (at least one row each).
std::vector<int> RowBlocks(const std::vector<int>& heights, int fixedRows, int bodyHeight);

// The font height (pixels, positive) for a block of the given extent that does not fit the body:
// the whole part of |height| x the smaller of the two ratios. Extents count as at least 1.
int ShrunkFontHeight(int height, int extentWidth, int extentHeight, int bodyWidth, int bodyHeight);

// Printer pixels to preview pixels: x x screenDpi / printerDpi (whole numbers).
int ToPreview(int x, int screenDpi, int printerDpi);
PrintRectangle ToPreview(const PrintRectangle& r, int screenDpi, int printerDpi);

}  // namespace printlayout
