// Reading sheet definitions: rows, loops, selection directives, style keys, and the channel
// sheet's usable-only view and model and option skips.
#include <gtest/gtest.h>

#include <memory>
#include <set>

#include "base/ScopedInstall.h"
#include "sheet/CellCatalogue.h"
#include "sheet/ChannelSheetDef.h"
#include "sheet/SheetDef.h"
#include "text/cmcGTex.h"

namespace {

// A store over a sheet "S" with the given style and cell lines, and the models the cells use;
// installed as the program's store, where cell models are looked up.
struct InstalledStore {
    explicit InstalledStore(std::unique_ptr<cmcGTex> s)
        : store(std::move(s)), installed(store.get()) {}
    cmcGTex* operator->() { return store.get(); }
    cmcGTex& operator*() { return *store; }
    std::unique_ptr<cmcGTex> store;
    ScopedInstall<InstallGTex> installed;
};

InstalledStore SheetStore(const std::string& style, std::vector<std::string> cells,
                          const std::string& key = "S") {
    std::vector<std::string> lines = {"#" + key + "_Style", style, "#" + key + "_BasicCell",
                                      "{(%CT_IntCh.)}", "#" + key + "_Cells"};
    lines.insert(lines.end(), cells.begin(), cells.end());
    lines.insert(lines.end(), {"#CellModel_E", "S", "#GI_AppInd_chSheet_Usable_Title",
                               "(usable only)", "#GI_AppInd_chSheet_Usable_Font",
                               "DEFAULT_CHARSET,,clMaroon,-13,,fsBold,", "#End_Of_Ovl"});
    auto store = std::make_unique<cmcGTex>();
    store->BindLines(lines);
    return InstalledStore(std::move(store));
}

std::vector<int> IndexesOfColumn(const SheetDef& sheet, int column) {
    std::vector<int> out;
    for (int r = 0; r < sheet.RowCount(); ++r) out.push_back(sheet.Cell(column, r).Index);
    return out;
}

TEST(SheetDef, LoopRepeatsItsOneRowBodyWithRisingItems) {
    struct Case {
        const char* loop;
        std::vector<int> indexes;
    } cases[] = {
        {":(LoopFrom 3)", {1, 2, 3}},
        {":(LoopFrom 0)", {1}},  // a count below 1 counts as 1
        {":(LoopFrom 1)", {1}},
    };
    for (const Case& c : cases) {
        auto store = SheetStore("", {c.loop, "{($E)(%CL_ChList_Atr[1])}x", ":(LoopTo)"});
        SheetDef sheet(*store, "S");
        sheet.Build();
        EXPECT_EQ(IndexesOfColumn(sheet, 0), c.indexes) << c.loop;
        EXPECT_EQ(sheet.Cell(0, 0).Label, CL_ChList_Atr);
        EXPECT_EQ(sheet.Cell(0, 0).Category, CT_IntCh);  // from the basic cell
    }
}

// A body of two lines is read again on each pass (no copying), so rows are numbered by the
// channel counters instead; rows outside the loop stay once.
TEST(SheetDef, MultiLineLoopBodyIsReparsedAndCountersNumberIt) {
    auto store = SheetStore("", {"head", ":(LoopFrom 2)", "{(@ch0++)}a\\(@ch0)",
                                 "{($E)(%CL_ChList_Tag[@ch0])}b", ":(LoopTo)", "tail"});
    SheetDef sheet(*store, "S");
    sheet.Build();
    ASSERT_EQ(sheet.RowCount(), 6);
    std::vector<std::string> texts;
    for (int r = 0; r < 6; ++r) texts.push_back(sheet.Cell(0, r).Text);
    EXPECT_EQ(texts, (std::vector<std::string>{"head", "a1", "b", "a2", "b", "tail"}));
    EXPECT_EQ(sheet.Cell(0, 2).Index, 1);
    EXPECT_EQ(sheet.Cell(0, 4).Index, 2);
}

TEST(SheetDef, ColumnsComeFromTheLongestRowAndEmptyLinesAreEmptyRows) {
    auto store = SheetStore("(FixedRows=5)(FixedCols=1)", {"a|b|c", "", "|x"});
    SheetDef sheet(*store, "S");
    sheet.Build();
    EXPECT_EQ(sheet.ColumnCount(), 3);
    EXPECT_EQ(sheet.RowCount(), 3);
    EXPECT_EQ(sheet.FixedRows(), 2);  // limited to one less than the row count
    EXPECT_EQ(sheet.FixedCols(), 1);
    for (int c = 0; c < 3; ++c) EXPECT_TRUE(sheet.Cell(c, 1).Text.empty());
    EXPECT_EQ(sheet.Cell(1, 2).Text, "x");
    EXPECT_TRUE(sheet.Cell(2, 2).Text.empty());   // missing cells keep the default model
    EXPECT_EQ(sheet.FirstSelectableColumn(), 3);  // no selectable cell at all
}

TEST(SheetDef, StyleKeysAndSelectionDirectives) {
    auto store = SheetStore(
        "(TitleString=Channels)(TitleColor=clMaroon)(NoPrint)(MultiSelect=Line)(ColSizing)"
        "(PrintFontRatio=80)",
        {"h", ":(SelectOFF)", "{($E)}x", ":(SelectON)", "{($E)}y"});
    SheetDef sheet(*store, "S");
    sheet.Build();
    EXPECT_EQ(sheet.Style().title, "Channels");
    EXPECT_EQ(sheet.Style().titleColor, *ColorByName("clMaroon"));
    EXPECT_TRUE(sheet.Style().noPrint);
    EXPECT_EQ(sheet.Style().multiSelect, 2);
    EXPECT_TRUE(sheet.Style().colSizing);
    EXPECT_FALSE(sheet.Style().colorSelectLine);
    EXPECT_EQ(sheet.Style().printFontRatio, 80);
    EXPECT_TRUE(sheet.MultiSelectable(0, 0));
    EXPECT_FALSE(sheet.MultiSelectable(0, 1));
    EXPECT_TRUE(sheet.MultiSelectable(0, 2));
    EXPECT_EQ(sheet.FirstSelectableRow(), 1);
}

TEST(SheetDefDeathTest, NoRowsIsIllegal) {
    auto store = SheetStore("", {});
    SheetDef sheet(*store, "S");
    EXPECT_EXIT(sheet.Build(), testing::ExitedWithCode(3), "Illegal Cell assign");
}

ChannelSheetContext Context(bool usableOnly, int model, std::set<int> unused = {}) {
    ChannelSheetContext context;
    context.usableOnly = usableOnly;
    context.modelVariant = model;
    context.usable = [unused](int category, int row) {
        EXPECT_EQ(category, CT_IntCh);
        return !unused.count(row);
    };
    return context;
}

const std::vector<std::string> kChannelList = {"{($E)}No.", ":(LoopFrom)",
                                               "{($E)(%CL_ChList_No[0])}x", ":(LoopTo)"};

TEST(ChannelSheetDef, ChannelListShowsEveryRowOrOnlyTheUsableOnes) {
    auto store = SheetStore("(TitleString=Channels)(WithUsable)", kChannelList, "GI_Sheet_IntCh_T");
    {
        ChannelSheetDef sheet(*store, "GI_Sheet_IntCh_T", Context(false, 2, {3, 4}));
        sheet.Build();
        EXPECT_EQ(sheet.RowCount(), 1 + 418);
        EXPECT_EQ(sheet.Cell(0, 418).Index, 417);
        EXPECT_EQ(sheet.Style().title, "Channels");
        EXPECT_FALSE(sheet.Style().titleFont);
    }
    ChannelSheetDef sheet(*store, "GI_Sheet_IntCh_T", Context(true, 2, {3, 4, 417}));
    sheet.Build();
    ASSERT_EQ(sheet.RowCount(), 1 + 415);
    std::vector<int> first;
    for (int r = 1; r <= 5; ++r) first.push_back(sheet.Cell(0, r).Index);
    EXPECT_EQ(first, (std::vector<int>{0, 1, 2, 5, 6}));
    EXPECT_EQ(sheet.Cell(0, 415).Index, 416);
    EXPECT_EQ(sheet.Style().title, "Channels (usable only)");
    ASSERT_TRUE(sheet.Style().titleFont);
}

// Only the three channel lists are compacted; another sheet keeps its item numbers.
TEST(ChannelSheetDef, OtherSheetsAreNotCompacted) {
    auto store = SheetStore("", {":(LoopFrom 3)", "{($E)(%CL_Misc_ChNo_1Base[2])}x", ":(LoopTo)"},
                            "GI_Sheet_WxCh");
    ChannelSheetDef sheet(*store, "GI_Sheet_WxCh", Context(true, 2, {3}));
    sheet.Build();
    EXPECT_EQ(IndexesOfColumn(sheet, 0), (std::vector<int>{2, 3, 4}));
}

TEST(ChannelSheetDef, ModelAndOptionDirectivesSkipLines) {
    const std::vector<std::string> cells = {"a",
                                            ":(OnlyOpt2 3)",
                                            "b",
                                            "c",
                                            "d",
                                            "e",
                                            ":(Only_UsaAusExpModel 1)",
                                            "f",
                                            "g",
                                            ":(OnlyOption 1)",
                                            "h",
                                            ":(OnlyOpt3 1)",
                                            "i"};
    struct Case {
        int model;
        std::vector<std::string> texts;
    } cases[] = {
        {2, {"a", "e", "g"}},
        {0, {"a", "e", "f", "g"}},
        {6, {"a", "e", "f", "g"}},
    };
    for (const Case& c : cases) {
        auto store = SheetStore("", cells);
        ChannelSheetDef sheet(*store, "S", Context(false, c.model));
        sheet.Build();
        std::vector<std::string> texts;
        for (int r = 0; r < sheet.RowCount(); ++r) texts.push_back(sheet.Cell(0, r).Text);
        EXPECT_EQ(texts, c.texts) << "model " << c.model;
    }
}

}  // namespace
