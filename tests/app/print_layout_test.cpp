// Page arithmetic of printing: margins, the page frame, column and row blocks, shrinking.
#include <gtest/gtest.h>

#include <vector>

#include "app/PrintLayout.h"

namespace {

using printlayout::BodyRect;
using printlayout::ColumnBlocks;
using printlayout::FrameFor;
using printlayout::Margins;
using printlayout::RowBlocks;

// A4 at 600 dpi.
constexpr int kW = 4960, kH = 7016;

TEST(PrintLayout, MarginsInPrinterPixels) {
    struct Case {
        const char* line;
        PrintRectangle expected;
    } cases[] = {
        {"10, 10, 10, 10", {236, 236, kW - 236, kH - 236}},
        {" 15 ,\t20,5, 0 ", {354, 472, kW - 118, kH}},
        // Missing and negative numbers are no margin.
        {"10", {236, 0, kW, kH}},
        {"-5, x, 10, 10", {0, 0, kW - 236, kH - 236}},
        // Wider than the page: a quarter of the side at most, the body stays.
        {"300, 300, 1000, 99999999", {kW / 4, kH / 4, kW - kW / 4, kH - kH / 4}},
    };
    for (const Case& c : cases) EXPECT_EQ(Margins(c.line, 600, kW, kH), c.expected) << c.line;
}

TEST(PrintLayout, FrameOfTenPointsAt600Dpi) {
    const auto frame = FrameFor(10, 600);
    EXPECT_EQ(frame.lineHeight, 83);
    EXPECT_EQ(frame.bar, 9);
    const PrintRectangle margins{236, 236, kW - 236, kH - 236};
    const PrintRectangle body = BodyRect(margins, frame);
    EXPECT_EQ(body.top, 236 + 137);
    EXPECT_EQ(body.bottom, kH - 236 - 137);
    EXPECT_EQ(body.left, 236);
    EXPECT_EQ(body.right, kW - 236);
    const auto parts = printlayout::FramePartsFor(margins, frame);
    EXPECT_EQ(parts.topBarTop, 236 + 83 + 9);
    EXPECT_EQ(parts.bottomBarTop, kH - 236 - 83 - 9 - 9);
    EXPECT_EQ(parts.footerTop, kH - 236 - 83 - 1);
}

TEST(PrintLayout, ColumnBlocks) {
    struct Case {
        const char* what;
        std::vector<int> widths;
        int fixed;
        std::vector<bool> starts;  // empty: every column may start a page
        int body;
        std::vector<int> expected;
    } cases[] = {
        {"narrower than the body: one block", {50, 100, 100, 100}, 1, {}, 1000, {3}},
        {"each block fills what fits beside the fixed column",
         {50, 100, 100, 100, 100, 100},
         1,
         {},
         260,
         {2, 2, 1}},
        {"a joined header never splits: 2 and 3 go together",
         {50, 100, 100, 100, 100},
         1,
         {true, true, true, false, true},
         260,
         {1, 2, 1}},
        {"a column wider than the body still gets a page", {50, 900, 100}, 1, {}, 300, {1, 1}},
        {"a run of joined columns wider than the body stays whole",
         {0, 100, 100, 100, 100},
         1,
         {true, true, false, false, true},
         150,
         {3, 1}},
        {"no fixed columns", {100, 100, 100}, 0, {}, 200, {2, 1}},
    };
    for (const Case& c : cases) {
        std::vector<bool> starts = c.starts;
        if (starts.empty()) starts.assign(c.widths.size(), true);
        EXPECT_EQ(ColumnBlocks(c.widths, c.fixed, starts, c.body), c.expected) << c.what;
    }
}

TEST(PrintLayout, RowBlocks) {
    // Header of 30, rows of 20: 100 holds the header and three rows.
    EXPECT_EQ(RowBlocks({30, 20, 20, 20, 20, 20, 20, 20}, 1, 100), (std::vector<int>{3, 3, 1}));
    // A row taller than the body is a page of its own.
    EXPECT_EQ(RowBlocks({30, 500, 20}, 1, 100), (std::vector<int>{1, 1}));
    EXPECT_EQ(RowBlocks({30}, 1, 100), (std::vector<int>{}));
}

TEST(PrintLayout, ShrinkTakesTheTighterSide) {
    // 20 % too wide: the font shrinks to 5/6 of its height.
    EXPECT_EQ(printlayout::ShrunkFontHeight(-83, 1200, 500, 1000, 1000), 69);
    EXPECT_EQ(printlayout::ShrunkFontHeight(83, 500, 2000, 1000, 1000), 41);
    // Empty extents count as one pixel.
    EXPECT_EQ(printlayout::ShrunkFontHeight(83, 0, 0, 1000, 1000), 83000);
}

TEST(PrintLayout, PrinterToPreviewPixels) {
    EXPECT_EQ(printlayout::ToPreview(600, 96, 600), 96);
    EXPECT_EQ(printlayout::ToPreview(PrintRectangle{236, 236, 4724, 6780}, 96, 600),
              (PrintRectangle{37, 37, 755, 1084}));
}

}  // namespace
