#include <gtest/gtest.h>

#include "sheet/CellFont.h"
#include "sheet/CodePage.h"
#include "sheet/NameTables.h"
#include "sheet/TextHelpers.h"

namespace {

TEST(NameTables, LookUpExactNamesOnly) {
    EXPECT_EQ(ColorByName("clAqua"), 0x00FFFF00u);
    EXPECT_EQ(ColorByName("clMaroon"), 0x00000080u);
    EXPECT_EQ(ColorByName("clBackground"), 0x80000001u);
    EXPECT_EQ(ColorByName("clHightlightText"), 0x8000000Eu);
    EXPECT_EQ(ColorByName("clBtnHighlight"), 0x80000014u);
    for (const char* unknown : {"clHighlightText", "clred", "clRed ", "", "Red"})
        EXPECT_FALSE(ColorByName(unknown)) << unknown;

    EXPECT_EQ(CharsetByName("ANSI_CHARSET"), 0);
    EXPECT_EQ(CharsetByName("SHIFTJIS_CHARSET"), 128);
    EXPECT_EQ(CharsetByName("OEM_CHARSET"), 255);
    EXPECT_FALSE(CharsetByName("ansi_charset"));
    EXPECT_EQ(FontStyleByName("fsStrikeOut"), kFsStrikeOut);
    EXPECT_FALSE(FontStyleByName("fsbold"));
    EXPECT_EQ(PitchByName("fpVariable"), kFpVariable);
    EXPECT_FALSE(PitchByName("Fixed"));
}

CellFont Font17() {
    CellFont font;
    font.Face = "Arial";
    font.Charset = 0;
    font.Color = 0x123456;
    font.SetHeight(-17);
    font.Style = kFsItalic;
    font.Pitch = kFpFixed;
    return font;
}

TEST(FontFields, ApplyInOrderWithTheirRules) {
    struct Case {
        const char* fields;
        void (*expect)(CellFont& f);  // turns Font17() into the expected font
    };
    const Case cases[] = {
        // Only the named parts change; an empty face field selects the default face.
        {",,clWhite,,,fsBold,",
         [](CellFont& f) { f.Face = DefaultFaceName(), f.Color = 0x00FFFFFF, f.Style = kFsBold; }},
        // No face field at all: the face stays.
        {"DEFAULT_CHARSET", [](CellFont& f) { f.Charset = 1; }},
        {" \tGREEK_CHARSET \t, \tCourier New",
         [](CellFont& f) { f.Charset = 161, f.Face = "Courier New"; }},
        {"nonsense,,nonsense,0,0,nonsense,nonsense",
         [](CellFont& f) { f.Face = DefaultFaceName(); }},
        {",Arial,,%1,,,", [](CellFont& f) { f.SetHeight(1); }},   // 0 becomes 1
        {",Arial,,%150", [](CellFont& f) { f.SetHeight(-25); }},  // truncates toward zero
        {",Arial,,-20,9", [](CellFont& f) { f.SetSize(9); }},     // size set last wins
        {",Arial,,,,fsBold+junk+fsUnderline",
         [](CellFont& f) { f.Style = kFsBold | kFsUnderline; }},
        {",Arial,,,,junk", [](CellFont& /*f*/) {}},
        {",Arial,,,,,fpVariable,ignored,ignored", [](CellFont& f) { f.Pitch = kFpVariable; }},
    };
    for (const Case& c : cases) {
        CellFont font = Font17();
        ApplyFontFields(font, c.fields);
        CellFont expected = Font17();
        c.expect(expected);
        EXPECT_EQ(font, expected) << c.fields;
    }
}

TEST(FontFields, HeightAndSizeDescribeOneFont) {
    CellFont font;
    font.SetHeight(-17);
    EXPECT_EQ(font.Size, 13);
    ApplyFontFields(font, ",,,,%200");
    EXPECT_EQ(font.Size, 26);
    EXPECT_EQ(font.Height, -35);
    ApplyFontFields(font, ",,,-99999999999");  // saturates instead of overflowing
    EXPECT_EQ(font.Height, INT32_MIN);
    ApplyFontFields(font, ",,,%300");
    EXPECT_EQ(font.Height, INT32_MIN);
}

TEST(TextHelpers, FieldsAndBlanks) {
    EXPECT_EQ(FieldAt("a,b,,c", 2, ','), "");
    EXPECT_EQ(FieldAt("a,b,,c", 3, ','), "c");
    EXPECT_FALSE(FieldAt("a,b,,c", 4, ','));
    EXPECT_EQ(FieldAtAny("a\tb c", 2, " \t"), "c");
    EXPECT_EQ(TrimBlanks(" \t x y\t "), "x y");
    EXPECT_EQ(RemoveBlanks(" a b\tc "), "abc");
    EXPECT_EQ(DupString(nullptr), "");
    EXPECT_EQ(ParseDecimal("  -42x"), -42);
    EXPECT_EQ(ParseDecimal("x1"), 0);

    using G = std::vector<std::string_view>;
    EXPECT_EQ(ParenGroups("(FixedCols=1) x(NoPrint)(TitleString=a(b)c"),
              (G{"FixedCols=1", "NoPrint", "TitleString=a(b"}));
    SetMarkupCodePage(932);  // the second byte of "\x83\x29" is no parenthesis
    EXPECT_EQ(ParenGroups("(TitleString=\x83))"), G{"TitleString=\x83)"});
    SetMarkupCodePage(0);
    EXPECT_EQ(ParenGroups("(LoopFrom 3"), G{"LoopFrom 3"});
}

struct FixedSurface : TextSurface {
    int TextWidth(std::string_view line, const CellFont*) override { return int(line.size()) * 7; }
    int TextHeight(std::string_view, const CellFont*) override { return 13; }
};

TEST(TextHelpers, MeasureWidestLineAndSumOfHeights) {
    FixedSurface surface;
    TextExtent extent = MeasureText(surface, "ab\nabcd\n", nullptr);
    EXPECT_EQ(extent.width, 28);
    EXPECT_EQ(extent.height, 39);
}

}  // namespace
