#include <gtest/gtest.h>

#include <cstring>
#include <functional>

#include "base/ScopedInstall.h"
#include "sheet/BitFieldOverlay.h"
#include "sheet/CodePage.h"
#include "sheet/cmcCellObj.h"
#include "text/cmcGTex.h"

namespace {

// The program's bit-field fragment plus a few models of our own.
class Markup : public testing::Test {
  protected:
    void SetUp() override {
        std::vector<std::string> lines = BitFieldOverlayLines({"1", "2"});
        lines.insert(lines.end() - 1, {"#CellModel_Loop", "S($Loop)", "#CellModel_Sel",
                                       "S(Flag2=1)", "#CellModel_Missing", "x"});
        ASSERT_TRUE(store_.BindLines(lines));
        ParseCell("{($Basic)}", basic_, nullptr, nullptr);
    }

    cmcCellObj Parse(std::string_view cell) {
        cmcCellObj model;
        ParseCell(cell, model, vars_, &basic_);
        return model;
    }

    cmcGTex store_;
    ScopedInstall<InstallGTex> storeSlot_{&store_};
    cmcCellObj basic_;
    int32_t vars_[kChannelCounters] = {0, 5, 0, 0, 0, 0, 0, 0, 0, 123456789};
};

TEST_F(Markup, BasicModel) {
    EXPECT_EQ(basic_.HAlign, kAlignLeft);
    EXPECT_EQ(basic_.VAlign, kAlignMiddle);
    EXPECT_EQ(basic_.Color, kClWindow);
    ASSERT_TRUE(basic_.Font);
    EXPECT_EQ(basic_.Font->Charset, kDefaultCharset);
    EXPECT_EQ(basic_.Font->Face, DefaultFaceName());
    EXPECT_EQ(basic_.Font->Color, kClWindowText);
    EXPECT_EQ(basic_.Font->Height, -17);
    EXPECT_EQ(basic_.PopupMenu, "GI_PMenu_Edit");
    EXPECT_EQ(GetAddress(basic_), (CellAddress{kCellNoCategory, kCellNoLabel, 0}));
}

TEST_F(Markup, CellLines) {
    struct Case {
        const char* line;
        std::function<void(const cmcCellObj&)> check;
    };
    const Case cases[] = {
        {"{($Basic)(PopupMenu=GI_PMenu_NoItem)}",
         [](const cmcCellObj& m) {
             EXPECT_EQ(m.PopupMenu, "GI_PMenu_NoItem");
             EXPECT_EQ(m.VAlign, kAlignMiddle);
         }},
        {"{($iChI)}7",
         [&](const cmcCellObj& m) {
             EXPECT_EQ(m.HAlign, kAlignCentre);
             EXPECT_EQ(m.VAlign, kAlignMiddle);
             EXPECT_TRUE(m.AutoWidth && m.AutoHeight);
             EXPECT_EQ(m.Color, 0x00808080u);
             ASSERT_TRUE(m.Font);
             // The basic cell's font with the default face, white and bold only.
             CellFont expected = *basic_.Font;
             expected.Color = 0x00FFFFFF;
             expected.Style = kFsBold;
             EXPECT_EQ(*m.Font, expected);
             EXPECT_EQ(m.Text, "7");
         }},
        {"{($eWh)^(%CL_FBits[2])}9",
         [](const cmcCellObj& m) {
             EXPECT_TRUE(m.Selectable && m.BottomLine && m.AutoWidth && m.AutoHeight);
             EXPECT_EQ(m.HAlign, kAlignCentre);
             EXPECT_EQ(m.VAlign, kAlignBottom);
             EXPECT_EQ(GetAddress(m), (CellAddress{kCellNoCategory, CL_FBits, 2}));
             EXPECT_EQ(m.Text, "9");
             EXPECT_FALSE(m.Font);
         }},
        {"{($iQp)}",
         [](const cmcCellObj& m) {
             EXPECT_EQ(GetAddress(m), (CellAddress{CT_Null, CL_Misc_QuarterPillar, 0}));
             EXPECT_EQ(m.Text, "");
         }},
        // '!' clears the next flag only; alignment characters use it up without reading it.
        {"{SBWX!SW!B!<X}",
         [](const cmcCellObj& m) {
             EXPECT_FALSE(m.Selectable);
             EXPECT_TRUE(m.AutoWidth);
             EXPECT_FALSE(m.BottomLine);
             EXPECT_EQ(m.HAlign, kAlignLeft);
             EXPECT_EQ(m.RightLine, kRightLineFull);
         }},
        {"{Q}", [](const cmcCellObj& m) { EXPECT_EQ(m.RightLine, kRightLineLow); }},
        {"{XQ!Q+T>}",
         [](const cmcCellObj& m) {
             EXPECT_EQ(m.RightLine, kRightLineNone);
             EXPECT_TRUE(m.JoinLeft && m.OwnedByLeft);
             EXPECT_EQ(m.HAlign, kAlignRight);
         }},
        // Unknown characters, keys and names change nothing.
        {"{ zz (Nothing=1)(Color=clred)(Color clRed)(Flag8=1)(Flag1=2)(Flag1 =1)}",
         [](const cmcCellObj& m) {
             EXPECT_EQ(m.Color, kClWindow);
             EXPECT_EQ(m.Flags, 0);
         }},
        {"{(Flag0=1)(Flag7=1)(Flag0=0)(Flag3=1)}",
         [](const cmcCellObj& m) { EXPECT_EQ(m.Flags, 0x88); }},
        {"{(ImageIndex=-3)(Color=clRed)(PopupMenu=M_x)}",
         [](const cmcCellObj& m) {
             EXPECT_EQ(m.ImageIndex, -3);
             EXPECT_EQ(m.Color, 0x000000FFu);
             EXPECT_EQ(m.PopupMenu, "M_x");
         }},
        {"{(%CT_PopupMenu.)}",
         [](const cmcCellObj& m) {
             EXPECT_EQ(GetAddress(m), (CellAddress{CT_PopupMenu, kCellNoLabel, 0}));
         }},
        {"{(%CT_PopupMenu.CL_PMenu_Edit:Ctrl\\+\\.\\)\\\\)}",
         [](const cmcCellObj& m) {
             EXPECT_EQ(m.Label, CL_PMenu_Edit);
             EXPECT_EQ(m.Argument, "Ctrl+.)\\");
         }},
        {"{(%CL_PMenu_Help:)}", [](const cmcCellObj& m) { EXPECT_EQ(m.Argument, ""); }},
        // Counters change before the display text reads them.
        {"{(@ch1++)(%CT_IntCh.CL_INT_ChNo[@ch1])}\\(@ch1)/\\(@ch1 \t+ 10 )",
         [](const cmcCellObj& m) {
             EXPECT_EQ(GetAddress(m), (CellAddress{CT_IntCh, CL_INT_ChNo, 6}));
             EXPECT_EQ(m.Text, "6/16");
         }},
        {"{(@ch2 = -7)}\\(@ch2)", [](const cmcCellObj& m) { EXPECT_EQ(m.Text, "-7"); }},
        {"\\(@ch9)", [](const cmcCellObj& m) { EXPECT_EQ(m.Text, "123456"); }},
        // Display text: trimming, escapes, text spread around attribute sections.
        {"\\_\\_", [](const cmcCellObj& m) { EXPECT_EQ(m.Text, "  "); }},
        {" \t a{S}b\\Nc\\nd\\x\\\\ \t",
         [](const cmcCellObj& m) { EXPECT_EQ(m.Text, "ab\nc\ndx\\"); }},
        {"{S}", [](const cmcCellObj& m) { EXPECT_EQ(m.Text, ""); }},
        {"a\\", [](const cmcCellObj& m) { EXPECT_EQ(m.Text, "a"); }},
        // Unterminated sections and groups end with the text.
        {"a{S(Color=clRed",
         [](const cmcCellObj& m) {
             EXPECT_TRUE(m.Selectable);
             EXPECT_EQ(m.Color, 0x000000FFu);
             EXPECT_EQ(m.Text, "a");
         }},
        {"{(%CL_FBits[4", [](const cmcCellObj& m) { EXPECT_EQ(m.Index, 4); }},
        {"{(Font=,Arial,,%50)}",
         [&](const cmcCellObj& m) {
             ASSERT_TRUE(m.Font);
             EXPECT_EQ(m.Font->Face, "Arial");
             EXPECT_EQ(m.Font->Height, -8);
             EXPECT_EQ(basic_.Font->Height, -17);  // the parent's font is copied, not changed
         }},
        {"{(Font=,,,%1,,,)}", [](const cmcCellObj& m) { EXPECT_EQ(m.Font->Height, 1); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        c.check(Parse(c.line));
    }
    EXPECT_EQ(vars_[1], 6);
    EXPECT_EQ(vars_[2], -7);
}

TEST_F(Markup, CellsInheritFromTheParentButNotItsText) {
    cmcCellObj parent = Parse("{($eWh)(%CT_IntCh.CL_FBits[3]:arg)(Flag1=1)}parent text");
    cmcCellObj child;
    ParseCell("{!B(%CL_INT_ChNo[4])}", child, vars_, &parent);
    EXPECT_EQ(GetAddress(child), (CellAddress{CT_IntCh, CL_INT_ChNo, 4}));
    EXPECT_FALSE(child.BottomLine);
    EXPECT_TRUE(child.Selectable);
    EXPECT_EQ(child.Argument, "arg");
    EXPECT_EQ(child.Flags, 0x02);
    EXPECT_EQ(child.Text, "");
    EXPECT_EQ(EffectivePopupMenu(child), "GI_PMenu_Edit");
    EXPECT_EQ(EffectiveFont(child, basic_), basic_.Font.get());

    // Split-only parsing resets the model and nothing more.
    ParseCell("{(%CL_FBits[9])}x|y", child, vars_, &parent, true);
    EXPECT_EQ(GetAddress(child), GetAddress(parent));
    EXPECT_EQ(child.Text, "parent text");
    EXPECT_EQ(child.Vars, nullptr);
}

std::vector<std::string> Cut(std::string_view line) {
    std::vector<std::string> texts;
    cmcCellObj model;
    while (!line.empty()) {
        line = ParseCell(line, model, nullptr, nullptr);
        texts.push_back(model.Text);
    }
    return texts;
}

TEST_F(Markup, CuttingLinesIntoCells) {
    using V = std::vector<std::string>;
    EXPECT_EQ(Cut("|a|b|"), (V{"", "a", "b"}));
    EXPECT_EQ(Cut("a\\|b"), (V{"a|b"}));
    EXPECT_EQ(Cut("a||b"), (V{"a", "", "b"}));
    EXPECT_EQ(Cut("{(PopupMenu=a|b)}c"), (V{"", "b)c"}));  // braces do not protect a bar
    EXPECT_EQ(Cut("a}b{S}c{"), (V{"abc"}));
    EXPECT_EQ(Cut(""), V{});
    EXPECT_EQ(Cut("x\\"), V{"x"});

    // The bit-field rows: heading cells over bit cells, empty cells over the pillars.
    EXPECT_EQ(Cut(store_.GetLine("GI_Sheet_FBitsR_Cells", 1)), (V{"", "1", "", "2"}));
    std::string row = store_.GetLine("GI_Sheet_FBitsR_Cells", 3);
    std::string_view data = row;
    std::vector<CellAddress> addresses;
    cmcCellObj model;
    while (!data.empty()) {
        data = ParseCell(data, model, nullptr, &basic_);
        addresses.push_back(GetAddress(model));
    }
    EXPECT_EQ(addresses, (std::vector<CellAddress>{{kCellNoCategory, kCellNoLabel, 0},
                                                   {kCellNoCategory, CL_FBits, 1},
                                                   {CT_Null, CL_Misc_QuarterPillar, 0},
                                                   {kCellNoCategory, CL_FBits, 2}}));
}

TEST_F(Markup, UnfinishedMarkupStaysInsideTheText) {
    // Each line sits at the very end of its own allocation, so a read past it is caught by the
    // address sanitizer.
    const char* endings[] = {"{",
                             "{(",
                             "{(\\",
                             "\\",
                             "{S\\",
                             "{(%CL_FBits[",
                             "{(%CL_FBits[@ch1",
                             "{(Font=",
                             "{(Font=,",
                             "{(%CT_Null.",
                             "{(@ch1",
                             "{(Flag1=",
                             "{($eWh"};
    for (const char* ending : endings) {
        for (size_t length : {size_t(0), size_t(8191) - std::strlen(ending)}) {
            std::string text = std::string(length, 'a') + ending;
            auto buffer = std::make_unique<char[]>(text.size());
            std::memcpy(buffer.get(), text.data(), text.size());
            cmcCellObj model;
            EXPECT_TRUE(ParseCell({buffer.get(), text.size()}, model, vars_, &basic_).empty())
                << ending;
            EXPECT_EQ(model.Text, std::string(length, 'a')) << ending;
        }
    }
}

TEST_F(Markup, MenuItemsAndModelsWithGroupsOnTheirOwn) {
    cmcCellObj menuBasic;
    ParseCell(store_.GetLine("GI_PMenu_Edit_BasicCell"), menuBasic, nullptr, nullptr);
    std::string body = store_.GetLine("GI_PMenu_Edit_Body");
    cmcCellObj item;
    ParseCell(std::string_view(body).substr(body.find('+') + 1), item, nullptr, &menuBasic);
    EXPECT_EQ(item.Text, "Edit...");
    EXPECT_EQ(GetAddress(item), (CellAddress{CT_PopupMenu, CL_PMenu_Edit, 0}));
    EXPECT_EQ(item.Argument, "Enter");

    cmcCellObj model;
    ApplyAttributes(model, "($Sel)^");
    EXPECT_TRUE(model.Selectable);
    EXPECT_TRUE(model.Flag(2));
    EXPECT_EQ(model.HAlign, kAlignCentre);
    ApplyGroup(model, "Color=clTeal");
    EXPECT_EQ(model.Color, 0x00808000u);
}

TEST_F(Markup, DoubleByteCharactersAreNeverMarkup) {
    // "\x95\x7C" is one character whose second byte is the bar; "\x83\x5C" ends in a backslash.
    SetMarkupCodePage(932);
    cmcCellObj model;
    EXPECT_TRUE(ParseCell("a\x95|b\x83\\", model, nullptr, nullptr).empty());
    EXPECT_EQ(model.Text, "a\x95|b\x83\\");
    ParseCell("{(PopupMenu=\x95))}", model, nullptr, nullptr);
    EXPECT_EQ(model.PopupMenu, "\x95)");
    SetMarkupCodePage(0);
    EXPECT_EQ(ParseCell("a\x95|b", model, nullptr, nullptr), "b");
}

using MarkupDeath = Markup;

// A death-test pattern that matches the text literally.
std::string Literal(std::string_view text) {
    std::string out;
    for (char c : text) {
        if (std::string_view("\\^$.|?*+()[]{}").find(c) != std::string_view::npos) out += '\\';
        out += c;
    }
    return out;
}

TEST_F(MarkupDeath, FatalMarkupErrors) {
    const std::pair<const char*, const char*> cases[] = {
        {"{(@ch12++)}", "Ch No. Error"},
        {"{(@chx=1)}", "Ch No. Error"},
        {"{(%CL_FBits[@ch]}", "Ch No. Error"},
        {"\\(@ch1", "Illegal Ch No."},
        {"\\(1)", "Ch No. Error"},
        {"{(%ct_null.CL_FBits)}", "Cannot use the specified category.\n'ct_null'"},
        {"{(%CL_Nope)}", "Cannot use the specified cell.\n'CL_Nope'"},
        {"{($Loop)}", "Cell models nested too deeply.\n'Loop'"},
        {"{($Absent)}", "GTEX Error !\nThe index 'CellModel_Absent' was not found."},
    };
    for (auto [line, message] : cases)
        EXPECT_EXIT(Parse(line), testing::ExitedWithCode(3), Literal(message)) << line;
    // Counters exist only while a sheet's cells are parsed.
    cmcCellObj model;
    EXPECT_EXIT(ParseCell("\\(@ch1)", model, nullptr, nullptr), testing::ExitedWithCode(3),
                "Ch No\\. Error");
}

}  // namespace
