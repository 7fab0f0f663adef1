// The grid model of a sheet: cursor moves over selectable cells, marks and the anchor of a
// multi-selection, user input turned into dispatcher calls, redraw masks, column widths.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "app/GridModel.h"
#include "app/indEnviron.h"
#include "base/ScopedInstall.h"
#include "base/cmcEvMan.h"
#include "sheet/CellCatalogue.h"
#include "sheet/SheetDef.h"
#include "support/ManualClock.h"
#include "support/MemoryInstanceLock.h"
#include "support/MemorySettingsStore.h"
#include "text/cmcGTex.h"

namespace {

// 7 pixels a character, 15 a line: enough to tell widths apart.
struct FixedSurface : TextSurface {
    int TextWidth(std::string_view line, const CellFont*) override { return 7 * int(line.size()); }
    int TextHeight(std::string_view, const CellFont*) override { return 15; }
};

struct Host : GridHost {
    FixedSurface surface;
    int width = 400, height = 200;
    bool extending = false;
    int commits = 0;
    struct Editor {
        int column, row;
        std::string text;
        int selStart, selLength;
    };
    std::vector<Editor> editors;
    std::set<std::pair<int, int>> invalid;
    std::vector<std::pair<int, int>> chosen;

    TextSurface& Surface() override { return surface; }
    int ClientWidth() const override { return width; }
    int ClientHeight() const override { return height; }
    void InvalidateCell(int c, int r) override { invalid.insert({c, r}); }
    void InvalidateAll() override {}
    void OpenEditor(int c, int r, const std::string& t, int s, int l) override {
        editors.push_back({c, r, t, s, l});
    }
    void CommitEditor() override { ++commits; }
    bool Extending() const override { return extending; }
    void Choose(int c, int r) override { chosen.push_back({c, r}); }
};

// A dispatcher double: records each input call and answers as a test scripts it.
struct Call {
    int key, menuCommand;
    CommitMode commitMode;
    int label, index;
    std::string input;
    uint8_t rowSelFlags;
    int first, last;
};
std::vector<Call> gCalls;
std::function<EditorSignal(cmcCellCapsule&)> gAnswer;

EditorSignal FakeDispatch(cmcCellCapsule& req, bool notify) {
    if (!notify) {  // painting and fitting: the shown text
        req.displayText = "value" + std::to_string(req.cell->Index);
        return EditorSignal::kNone;
    }
    gCalls.push_back({req.key, req.menuCommand, req.commitMode, req.cell->Label, req.cell->Index,
                      req.inputText, req.rowSelFlags, req.rowSelFirst, req.rowSelLast});
    return gAnswer ? gAnswer(req) : EditorSignal::kNone;
}

class GridModelTest : public testing::Test {
  protected:
    void SetUp() override {
        gCalls.clear();
        gAnswer = nullptr;
        hub_ = std::make_unique<cmcEvMan>();
        hubSlot_.emplace(hub_.get());
        environ_ =
            std::make_unique<indEnviron>("grid-test", indEnviron::kKeyPath, 1280, 800, settings_,
                                         std::make_unique<test::MemoryInstanceLock>());
        environSlot_.emplace(environ_.get());
    }
    void TearDown() override {
        model_.reset();
        storeSlot_.reset();
        environSlot_.reset();
        environ_.reset();
        hubSlot_.reset();
    }

    // A sheet "S" with the style and cell lines; E is an editable cell model.
    GridModel& Make(const std::string& style, std::vector<std::string> cells,
                    bool chooser = false) {
        std::vector<std::string> lines = {"#S_Style", style, "#S_BasicCell", "{(%CT_IntCh.)}",
                                          "#S_Cells"};
        lines.insert(lines.end(), cells.begin(), cells.end());
        lines.insert(lines.end(),
                     {"#CellModel_E", "SWH", "#GI_CellWidthRegList", "S:Wide", "#End_Of_Ovl"});
        model_.reset();
        store_ = std::make_unique<cmcGTex>();
        store_->BindLines(lines);
        storeSlot_.emplace(store_.get());
        model_ = std::make_unique<GridModel>(std::make_unique<SheetDef>(*store_, "S"), host_);
        model_->SetDispatcher(&FakeDispatch);
        if (chooser) {
            cmcCellCapsule owner;
            model_->SetChooser(owner);
            model_->SetScrollBars(false);
        }
        model_->Build();
        return *model_;
    }
    // A channel-list shape: a heading row and n rows of three editable cells.
    GridModel& List(int n, const std::string& style = "(FixedRows=1)(MultiSelect=Line)") {
        return Make(style, {"H|H|H", ":(LoopFrom " + std::to_string(n) + ")",
                            "{($E)(%CL_ChList_Atr[0])}a|{($E)(%CL_ChList_Tag[0])}b|"
                            "{($E)(%CL_ChList_Comment[0])}c",
                            ":(LoopTo)"});
    }
    std::pair<int, int> At() const { return {model_->Column(), model_->Row()}; }

    test::ManualClock clock_;
    Host host_;
    test::MemorySettingsStore settings_;
    std::unique_ptr<cmcEvMan> hub_;
    std::unique_ptr<indEnviron> environ_;
    std::unique_ptr<cmcGTex> store_;
    std::unique_ptr<GridModel> model_;
    std::optional<ScopedInstall<InstallEvMan>> hubSlot_;
    std::optional<ScopedInstall<InstallEnviron>> environSlot_;
    std::optional<ScopedInstall<InstallGTex>> storeSlot_;
};

using Nav = GridModel::NavKey;

TEST_F(GridModelTest, CursorStartsOnTheFirstSelectableCellAndSkipsTheOthers) {
    // Row 1: S _ S; row 2: _ S _; row 3: S _ _.  (_ = not selectable)
    auto& m = Make("", {"h|h|h", "{S}1|x|{S}3", "y|{S}5|z", "{S}7||"});
    EXPECT_EQ(At(), std::make_pair(0, 1));
    struct Case {
        std::pair<int, int> from;
        int dx, dy;
        std::pair<int, int> to;
    } cases[] = {
        {{0, 1}, 1, 0, {2, 1}},   // straight over the unselectable middle
        {{2, 1}, 1, 0, {2, 1}},   // last in the row and no column beyond
        {{0, 1}, 0, 1, {0, 3}},   // straight down the column
        {{0, 3}, 0, -1, {0, 1}},  // and back up
        {{1, 2}, 0, 1, {0, 3}},   // nothing below in the column: the next row's nearest cell
        {{0, 1}, 0, -1, {0, 1}},  // the heading row never holds the cursor
        {{1, 2}, -1, 0, {0, 1}},  // next column left: the cell nearest the remembered row
    };
    for (const Case& c : cases) {
        m.SelectCell(c.from.first, c.from.second);
        m.MoveCursor(0, 0);  // a move of no steps keeps the remembered row at the cursor
        m.MoveCursor(c.dx, c.dy);
        EXPECT_EQ(At(), c.to) << c.from.first << "," << c.from.second << " by " << c.dx << ","
                              << c.dy;
    }
}

TEST_F(GridModelTest, KeysOfTheSheet) {
    auto& m = List(30);
    m.SelectCell(0, 1);
    m.NavigationKey(Nav::kPageDown, false);
    EXPECT_EQ(At(), std::make_pair(0, 11));  // ten steps
    m.NavigationKey(Nav::kPageUp, false);
    EXPECT_EQ(At(), std::make_pair(0, 1));
    // Home and End over the row, with Ctrl over the sheet; Tab and Shift+Tab in reading order.
    const struct {
        Nav key;
        bool ctrl;
        std::pair<int, int> to;
    } jumps[] = {
        {Nav::kEnd, false, {2, 1}},      {Nav::kNext, false, {0, 2}},
        {Nav::kPrevious, false, {2, 1}}, {Nav::kHome, false, {0, 1}},
        {Nav::kPrevious, false, {0, 1}},  // nothing before the first cell: it stays
        {Nav::kEnd, true, {2, 30}},      {Nav::kNext, false, {2, 30}},
        {Nav::kHome, false, {0, 30}},    {Nav::kHome, true, {0, 1}},
    };
    for (const auto& j : jumps) {
        m.NavigationKey(j.key, j.ctrl);
        EXPECT_EQ(At(), j.to) << int(j.key) << (j.ctrl ? " with Ctrl" : "");
    }
    EXPECT_EQ(m.TopRow(), 1);           // back at the top
    m.NavigationKey(Nav::kDown, true);  // Ctrl+Down does nothing
    EXPECT_EQ(At(), std::make_pair(0, 1));
    EXPECT_TRUE(gCalls.empty());
    // Right on the last cell of a row could not move: the dispatcher gets the key.
    m.SelectCell(2, 1);
    m.NavigationKey(Nav::kRight, false);
    ASSERT_EQ(gCalls.size(), 1u);
    EXPECT_EQ(gCalls[0].key, GridModel::kKeyRight);
    EXPECT_EQ(At(), std::make_pair(2, 1));
    m.NavigationKey(Nav::kLeft, false);  // moved: nothing dispatched
    EXPECT_EQ(gCalls.size(), 1u);
    EXPECT_GT(host_.commits, 0);  // every key commits an open editor first
}

TEST_F(GridModelTest, ChooserWrapsOnlyWithoutScrollBars) {
    auto& m = Make("", {"{S(%Flex0[0])}one", "{S(%Flex0[1])}two", "{S(%Flex0[2])}three"}, true);
    m.SelectCell(0, 2);
    m.MoveCursor(0, 1);
    EXPECT_EQ(At(), std::make_pair(0, 0));
    m.MoveCursor(0, -1);
    EXPECT_EQ(At(), std::make_pair(0, 2));
    m.SetScrollBars(true);
    m.MoveCursor(0, 1);
    EXPECT_EQ(At(), std::make_pair(0, 2));
    // Enter and a double click choose; other keys do nothing and reach no dispatcher.
    m.KeyInput('x');
    m.KeyInput(cellkey::kEnter);
    m.DoubleClick(0, 2);
    EXPECT_EQ(host_.chosen.size(), 2u);
    EXPECT_TRUE(gCalls.empty());
}

TEST_F(GridModelTest, ShiftMarksLinesAndTheRequestCarriesTheBlock) {
    auto& m = List(6);
    m.SelectCell(1, 2);
    host_.extending = true;
    m.MoveCursor(0, 1);
    m.MoveCursor(0, 1);
    host_.extending = false;
    EXPECT_TRUE(m.MultiSelectionActive());
    for (int r = 1; r <= 6; ++r) {
        const bool in = r >= 2 && r <= 4;
        EXPECT_EQ(m.Marked(1, r), in) << r;
        for (int c = 0; c < 3; ++c) {
            EXPECT_EQ(m.RowMarked(c, r), in) << c << "," << r;
            EXPECT_EQ(m.DrawnSelected(c, r), in) << c << "," << r;
        }
    }
    // Shift+Up shrinks the block towards the anchor.
    host_.extending = true;
    m.MoveCursor(0, -1);
    host_.extending = false;
    EXPECT_FALSE(m.Marked(1, 4));
    EXPECT_FALSE(m.RowMarked(0, 4));
    m.MenuCommand(CL_PMenu_Copy);
    ASSERT_EQ(gCalls.size(), 1u);
    EXPECT_EQ(gCalls[0].menuCommand, CL_PMenu_Copy);
    EXPECT_EQ(gCalls[0].rowSelFlags & cmcCellCapsule::kRowBlock, cmcCellCapsule::kRowBlock);
    EXPECT_EQ(gCalls[0].first, 1);  // items of the rows in the first non-fixed column
    EXPECT_EQ(gCalls[0].last, 2);
    // The command did not ask to keep the block: it is cleared, the current cell stays marked.
    EXPECT_FALSE(m.MultiSelectionActive());
    EXPECT_FALSE(m.RowMarked(0, 2));
    EXPECT_TRUE(m.Marked(1, 3));
    // A plain move after a new block clears it.
    host_.extending = true;
    m.MoveCursor(0, 1);
    host_.extending = false;
    m.MoveCursor(0, 1);
    EXPECT_FALSE(m.MultiSelectionActive());
    EXPECT_FALSE(m.Marked(1, 4));
    EXPECT_TRUE(m.Marked(1, 5));
}

TEST_F(GridModelTest, WithoutMultiSelectShiftMarksNothing) {
    auto& m = List(4, "(FixedRows=1)");
    host_.extending = true;
    m.MoveCursor(0, 2);
    EXPECT_FALSE(m.MultiSelectionActive());
    EXPECT_FALSE(m.Marked(0, 1));
    EXPECT_TRUE(m.Marked(0, 3));
}

TEST_F(GridModelTest, ARowCommandAsksTheGridToMarkTheBlockItReports) {
    auto& m = List(8);
    m.SelectCell(0, 3);
    gAnswer = [](cmcCellCapsule& req) {
        req.rowSelFlags |= cmcCellCapsule::kRowMarkRequest;
        req.rowSelFirst = 2;
        req.rowSelLast = 4;
        return EditorSignal::kNone;
    };
    m.MenuCommand(CL_PMenu_Paste);
    EXPECT_TRUE(m.MultiSelectionActive());
    for (int r = 1; r <= 8; ++r) EXPECT_EQ(m.Marked(0, r), r >= 3 && r <= 5) << r;
    // The anchor went to the other end: Shift+Down from row 3 (item 2) keeps item 4 as anchor.
    host_.extending = true;
    m.MoveCursor(0, 1);
    EXPECT_FALSE(m.Marked(0, 3));
    EXPECT_TRUE(m.Marked(0, 4));
    EXPECT_TRUE(m.Marked(0, 5));
}

TEST_F(GridModelTest, InputBecomesDispatcherCalls) {
    auto& m = List(5);
    m.SelectCell(2, 2);
    // A typed character: the dispatcher answers "open the editor" with text and selection.
    gAnswer = [](cmcCellCapsule& req) {
        req.displayText = "ALPHA";
        req.selStart = 1;
        req.selLength = 4;
        return EditorSignal::kEditor;
    };
    m.KeyInput('A');
    ASSERT_EQ(host_.editors.size(), 1u);
    EXPECT_EQ(host_.editors[0].text, "ALPHA");
    EXPECT_EQ(host_.editors[0].selStart, 1);
    EXPECT_EQ(host_.editors[0].selLength, 4);
    EXPECT_EQ(gCalls.back().key, 'A');
    gAnswer = nullptr;
    m.CommitText(2, 2, "BRAVO");
    EXPECT_EQ(gCalls.back().commitMode, CommitMode::kText);
    EXPECT_EQ(gCalls.back().input, "BRAVO");
    EXPECT_EQ(gCalls.back().key, 0);
    // Double click on the current cell is key 256; elsewhere it does nothing.
    m.DoubleClick(2, 2);
    EXPECT_EQ(gCalls.back().key, cellkey::kDoubleClick);
    size_t n = gCalls.size();
    m.DoubleClick(1, 4);
    EXPECT_EQ(gCalls.size(), n);
    // A go-to with a replay key hands the key on to another cell, which gets it next.
    gAnswer = [](cmcCellCapsule& req) {
        if (req.cell->Label == CL_ChList_Comment) {
            req.category = req.cell->Category;
            req.label = CL_ChList_Atr;
            req.row = req.cell->Index;
            req.gotoFlag = 1;
            req.replayKey = req.key;
        }
        return EditorSignal::kNone;
    };
    m.KeyInput('z');
    EXPECT_EQ(At(), std::make_pair(0, 2));
    EXPECT_EQ(gCalls.back().label, CL_ChList_Atr);
    EXPECT_EQ(gCalls.back().key, 'z');
}

TEST_F(GridModelTest, ADispatcherThatNeverStopsHandingOnKeysIsCutOff) {
    auto& m = List(3);
    gAnswer = [](cmcCellCapsule& req) {
        req.replayKey = 'q';
        return EditorSignal::kNone;
    };
    m.KeyInput('q');
    EXPECT_EQ(gCalls.size(), size_t(1 + GridModel::kMaxReplays));
}

TEST_F(GridModelTest, ACellOwnedByItsLeftNeighbourSelectsWithIt) {
    auto& m = Make("", {"{S}a|{T}b|{T}c", "{S}d|e|f"});
    m.SelectCell(0, 1);
    m.Click(2, 0);
    EXPECT_EQ(At(), std::make_pair(0, 0));
    for (int c = 0; c < 3; ++c) EXPECT_TRUE(m.DrawnSelected(c, 0)) << c;
    EXPECT_FALSE(m.DrawnSelected(1, 1));
    m.DoubleClick(1, 0);  // on a cell owned by the current one
    EXPECT_EQ(gCalls.back().key, cellkey::kDoubleClick);
    m.Click(1, 1);  // not selectable and owned by nobody
    EXPECT_EQ(At(), std::make_pair(0, 0));
}

TEST_F(GridModelTest, RedrawMaskBits) {
    auto cell = [](int category, int label, int index) {
        cmcCellObj c;
        c.Category = category;
        c.Label = label;
        c.Index = index;
        return c;
    };
    const cmcCellObj t = cell(CT_IntCh, CL_ChList_Atr, 5);
    struct Case {
        int mask;
        cmcCellObj c;
        bool hit;
    } cases[] = {
        {0x01, cell(CT_IntCh, CL_ChList_Atr, 5), true},
        {0x01, cell(CT_IntCh, CL_ChList_Atr, 6), false},
        {0x02, cell(CT_IntCh, CL_ChList_Tag, 99), true},
        {0x02, cell(CT_UsaCh, CL_ChList_Atr, 5), false},
        {0x04, cell(CT_UsaCh, CL_ChList_Atr, 1), true},
        {0x04, cell(CT_IntCh, CL_ChList_Tag, 5), false},
        {0x08, cell(CT_UsaCh, CL_ChList_Tag, 5), true},
        {0x08, cell(CT_IntCh, kCellNoLabel, 5), false},  // unbound cells never by index
        {0x10, cell(CT_IntCh, CL_ChList_Tag, 4), true},
        {0x10, cell(CT_IntCh, CL_ChList_Tag, 7), false},
        {0x10, cell(CT_UsaCh, CL_ChList_Tag, 6), false},
        {0x20, cell(CT_Null, CL_Dummy, 0), true},
        {0x20, cell(CT_IntCh, kCellNoLabel, 5), false},
        {0x40, cell(CT_IntCh, CL_ChList_Tag, 5), true},
        {0x40, cell(CT_IntCh, CL_ChList_Tag, 4), false},
        {0x80, cell(CT_IntCh, CL_ChList_Tag, 4), true},
        {0x80, cell(CT_IntCh, CL_ChList_Tag, 6), false},
        {0x00, cell(CT_IntCh, CL_ChList_Atr, 5), false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(GridModel::RedrawMatches(t, c.c, c.mask), c.hit)
            << "mask " << c.mask << " label " << c.c.Label << " index " << c.c.Index;
    // An index rule needs a target with a category.
    EXPECT_FALSE(GridModel::RedrawMatches(cell(kCellNoCategory, CL_ChList_Atr, 5),
                                          cell(CT_IntCh, CL_ChList_Tag, 5), 0x08));
}

TEST_F(GridModelTest, ANotifiedChangeRepaintsTheRowOnScreenOnly) {
    auto& m = List(40);
    host_.invalid.clear();
    cmcCellObj t = m.CellAt(1, 3);
    m.RedrawMatching(t, 0x08);  // same row
    std::set<std::pair<int, int>> row3 = {{0, 3}, {1, 3}, {2, 3}};
    EXPECT_EQ(host_.invalid, row3);
    host_.invalid.clear();
    t.Index = 35;  // a row far below the visible ones: nothing to repaint
    m.RedrawMatching(t, 0x08);
    EXPECT_TRUE(host_.invalid.empty());
}

TEST_F(GridModelTest, ColumnWidthsAreLimitedFittedAndKept) {
    const std::string key = std::string(indEnviron::kKeyPath) + "\\Display\\Wide\\colwidth";
    struct Case {
        int stored, width;
    } cases[] = {{5, 10}, {0, 10}, {900, 650}, {100000, 650}, {123, 123}};
    for (const Case& c : cases) {
        model_.reset();
        environ_->WriteInt(key, "2", c.stored);
        auto& m = List(3);
        EXPECT_EQ(m.ColumnWidth(2), c.width) << c.stored;
        EXPECT_EQ(environ_->ReadInt(key, "2"), c.width) << "saved back as limited";
    }
    auto& m = List(3);
    // A user's drag is limited by the client area too.
    host_.width = 300;
    m.SetColumnWidth(1, 5000);
    EXPECT_EQ(m.ColumnWidth(1), 300 - 0);
    m.SetColumnWidth(1, 2);
    EXPECT_EQ(m.ColumnWidth(1), 10);
    // Fitting takes the widest shown text ("value2" is 6 characters) or heading, plus 8.
    m.FitColumn(2);
    EXPECT_EQ(m.ColumnWidth(2), 6 * 7 + 8);
    EXPECT_EQ(environ_->ReadInt(key, "2"), 50);
    EXPECT_EQ(environ_->ReadInt(key, "1"), 10);
    auto& again = List(3);
    EXPECT_EQ(again.ColumnWidth(2), 50);
    GridModel::ResetColumnWidths();
    EXPECT_EQ(environ_->ReadInt(key, "2"), -1);
}

TEST_F(GridModelTest, SavedPositionAndInitialCell) {
    auto& m = List(50);
    m.SelectCell(1, 45);
    auto pos = m.CurrentPosition();
    EXPECT_GT(pos.top, 1);
    model_->SetSavedPosition(pos);
    model_->Build();
    EXPECT_EQ(At(), std::make_pair(1, 45));
    EXPECT_EQ(model_->TopRow(), pos.top);
    // A position outside the rebuilt grid is dropped.
    model_->SetSavedPosition({7, 400, 0, 300});
    model_->Build();
    EXPECT_EQ(At(), std::make_pair(0, 1));
    EXPECT_EQ(model_->TopRow(), 1);
    model_->SetSavedPosition({});
    model_->SetInitialCell(CL_ChList_Tag, 30);
    model_->Build();
    EXPECT_EQ(At(), std::make_pair(1, 31));
}

TEST_F(GridModelTest, BrokenSheetsStopOrStayUsable) {
    // A sheet with no selectable cell is disabled and ignores input.
    auto& off = Make("", {"a|b", "c|d"});
    EXPECT_TRUE(off.Disabled());
    off.KeyInput('x');
    off.MoveCursor(1, 0);
    EXPECT_TRUE(gCalls.empty());
    // A loop without its end: the body is read once, no hang.
    auto& open = Make("", {":(LoopFrom 5)", "{S}a"});
    EXPECT_EQ(open.RowCount(), 1);
    // A cell outside the grid is an internal fault.
    auto& m = List(2);
    EXPECT_EXIT(m.CellAt(3, 0), testing::ExitedWithCode(3), "Illegal Cell selection");
    EXPECT_EXIT(m.CellAt(0, -1), testing::ExitedWithCode(3), "Illegal Cell selection");
}

}  // namespace
