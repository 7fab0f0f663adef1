#include <gtest/gtest.h>

#include <algorithm>

#include "app/SheetTree.h"
#include "text/cmcGTex.h"

namespace {

// A small tree in the shape of the shipped one.
std::vector<std::string> TreeOverlay() {
    return {"#GI_Tree_Main",
            "Sheets",
            "#GI_Tree_Main_BasicCell",
            "{(%CT_Null.)}",
            "#GI_Tree_Main_Body",
            "+Radio{(%CallSheet:GI_Sheet_ComCom)}",
            " +International{(%CallSheet:GI_Sheet_IntCh)}",
            " +USA{(%CallSheet:GI_Sheet_UsaCh)(Flag1=1)}",
            " +Canada{(%CallSheet:GI_Sheet_CanCh)(Flag2=1)}",
            " +Weather{(%CallSheet:GI_Sheet_WxCh)(Flag3=1)}",
            " +DSC{(%CallSheet:GI_Sheet_DscSetup)}",
            "  +Individual{(%CallSheet:GI_Sheet_DscIndId)}",
            "  +Export only{(%CallSheet:GI_Sheet_Export)(Flag4=1)}",
            " +Maker{(%CallSheet:GI_Sheet_Maker)(Flag0=1)}",
            "#GI_WarningCheckList",
            "{(%CL_Check_Int_ChInh:GI_Sheet_IntCh)}",
            "{(%CL_Check_Dsc_Id:GI_Sheet_DscIndId)}",
            "{(%CL_Check_Dsc_SelfId:GI_Sheet_DscSetup)}",
            "#End_Of_Ovl"};
}

std::vector<std::string> Captions(const SheetTree& t) {
    std::vector<std::string> out;
    for (const auto& n : t.Nodes()) out.push_back(std::string(n.depth, ' ') + n.Caption());
    return out;
}

class SheetTreeTest : public testing::Test {
  protected:
    void SetUp() override {
        text.BindLines(TreeOverlay());
        tree.Build(text, "GI_Tree_Main");
    }
    cmcGTex text;
    SheetTree tree;
};

TEST_F(SheetTreeTest, RegionalBitsAndModelDecideTheNodes) {
    struct Case {
        int availability, model;
        bool maker;
        std::vector<std::string> captions;
    } cases[] = {
        {0x07,
         2,
         false,
         {"Radio", " International", " USA", " Canada", " Weather", " DSC", "  Individual",
          "  Export only"}},
        {0x00, 0, false, {"Radio", " International", " DSC", "  Individual"}},
        {0x02, 6, true, {"Radio", " International", " Weather", " DSC", "  Individual", " Maker"}},
    };
    for (const auto& c : cases) {
        tree.Build(text, "GI_Tree_Main");
        tree.ApplyRegional(c.availability, c.model, c.maker);
        EXPECT_EQ(Captions(tree), c.captions) << c.availability << "/" << c.model;
    }
}

// Sheets switched back on come back after the international list, in their fixed order.
TEST_F(SheetTreeTest, RegionalSheetsReturnAfterTheInternationalList) {
    tree.ApplyRegional(0x00, 2, false);
    tree.ApplyRegional(0x05, 2, false);
    EXPECT_EQ(Captions(tree),
              (std::vector<std::string>{"Radio", " International", " USA", " Canada", " DSC",
                                        "  Individual", "  Export only"}));
}

TEST_F(SheetTreeTest, WarningListMarksNodesAndCollapsedParentsShowTheWorst) {
    auto lists = RunWarningCheckList(text, [](cmcCellObj& cell) {
        std::string ref = cell.Argument.value_or("");
        if (ref == "GI_Sheet_DscIndId") return 8;
        if (ref == "GI_Sheet_DscSetup" || ref == "GI_Sheet_IntCh") return 4;
        return 0;
    });
    EXPECT_EQ(lists.errors, (std::vector<std::string>{"GI_Sheet_DscIndId"}));
    EXPECT_EQ(lists.warnings, (std::vector<std::string>{"GI_Sheet_IntCh", "GI_Sheet_DscSetup"}));
    auto counts = tree.Mark({lists.errors.begin(), lists.errors.end()},
                            {lists.warnings.begin(), lists.warnings.end()});
    EXPECT_EQ(counts.errors, 1);
    EXPECT_EQ(counts.warnings, 2);
    int dsc = tree.FindByReference("GI_Sheet_DscSetup");
    ASSERT_GE(dsc, 0);
    tree.Nodes()[dsc].expanded = false;
    EXPECT_EQ(tree.ShownOverlay(dsc), SheetTree::kOverlayError);
    tree.Nodes()[dsc].expanded = true;
    EXPECT_EQ(tree.ShownOverlay(dsc), SheetTree::kOverlayWarning);
    EXPECT_EQ(tree.ShownOverlay(0), SheetTree::kNoOverlay);  // the root is expanded
}

TEST(SheetTree, SheetNameOfAReference) {
    EXPECT_EQ(SheetTree::SheetName("[x]GI_Sheet_IntCh,3"), "GI_Sheet_IntCh");
    EXPECT_EQ(SheetTree::SheetName("GI_Sheet_DscCall"), "GI_Sheet_DscCall");
}

}  // namespace
