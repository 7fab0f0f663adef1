#include <gtest/gtest.h>

#include "sheet/CellCatalogue.h"
#include "sheet/ChoiceLists.h"
#include "text/cmcGTex.h"

namespace {

class ChoiceTableTest : public testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(store_.BindLines({
            "#GI_Sheet_Sel_Test_Cells",
            "{(%CL_Dummy[0]:Off)}Off|{(%CL_Dummy[2])}Two",
            "{(%CL_Dummy[1])}On|{(%CL_Dummy[5]:Five)}x|{(%CL_Null[9])}other",
            "{(@ch0=7)(%CL_Dummy[@ch0])}\\(@ch0)",
            "#",
            "#GI_Sheet_Sel_Empty_Cells",
            "nothing bound",
            "#End_Of_Ovl",
        }));
    }
    cmcGTex store_;
    ChoiceLists table_{&store_};
    const char* sheet_ = "GI_Sheet_Sel_Test";
};

TEST_F(ChoiceTableTest, ListsAreBuiltOnceFromTheChooserSheet) {
    const ChoiceLists::List& list = table_.Find(sheet_, CL_Dummy);
    EXPECT_EQ(&list, &table_.Find(sheet_, CL_Dummy));
    EXPECT_EQ(list.lineCount, 3);
    EXPECT_EQ(list.longestLine, 3);
    std::vector<int32_t> positions;
    for (const auto& e : list.byPosition) positions.push_back(e.value);
    EXPECT_EQ(positions, (std::vector<int32_t>{0, 1, 7, 2, 5}));

    const std::pair<int32_t, const char*> texts[] = {
        {0, "Off"}, {1, "On"}, {2, "Two"}, {5, "Five"}, {7, "7"}, {3, "error"}, {9, "error"}};
    for (auto [value, text] : texts) EXPECT_EQ(table_.Text(sheet_, CL_Dummy, value), text) << value;
    EXPECT_EQ(table_.Text(sheet_, CL_Null, 9), "other");
}

TEST_F(ChoiceTableTest, SteppingGoesColumnByColumnAndWraps) {
    const struct {
        int32_t from;
        int step;
        int32_t to;
    } cases[] = {
        {0, 1, 1},  {1, 1, 7},  {7, 1, 2}, {5, 1, 0},  // forward, wrapping after the last
        {0, -1, 5}, {2, -1, 7},                        // backward, wrapping before the first
        {3, 1, 0},  {3, -1, 5},                        // an unlisted value counts as past the end
    };
    for (const auto& c : cases)
        EXPECT_EQ(table_.Step(sheet_, CL_Dummy, c.from, c.step), c.to) << c.from << " " << c.step;
    EXPECT_EQ(table_.Step("GI_Sheet_Sel_Empty", CL_Dummy, 4, 1), 4);
    EXPECT_EQ(table_.Text("GI_Sheet_Sel_Empty", CL_Dummy, 4), "error");
}

TEST_F(ChoiceTableTest, SecondListUnderOneKeyIsFatal) {
    table_.Find(sheet_, CL_Dummy);
    EXPECT_EXIT(table_.Insert(ChoiceLists::Key(sheet_, CL_Dummy), {}), testing::ExitedWithCode(3),
                "Overlapped Hash2 table\\.");
}

}  // namespace
