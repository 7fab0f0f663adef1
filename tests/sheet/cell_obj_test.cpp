#include <gtest/gtest.h>

#include "sheet/cmcCellObj.h"

namespace {

TEST(CellObj, ResetWithoutParentKeepsOnlyCategoryAndIndex) {
    cmcCellObj model;
    model.Category = 3;
    model.Label = 7;
    model.Index = 12;
    model.Argument = "x";
    model.Selectable = true;
    model.Font = std::make_unique<CellFont>();
    model.PopupMenu = "M";
    model.Text = "t";
    ResetFromParent(model);
    EXPECT_EQ(GetAddress(model), (CellAddress{3, kCellNoLabel, 12}));
    EXPECT_FALSE(model.Argument);
    EXPECT_FALSE(model.Selectable);
    EXPECT_FALSE(model.Font);
    EXPECT_EQ(model.PopupMenu, "");
    EXPECT_EQ(GetText(model), "");
    EXPECT_EQ(model.Color, kClWindow);
    EXPECT_EQ(model.ImageIndex, -1);
}

TEST(CellObj, ResetFromParentCopiesAllButFontAndPopupMenu) {
    cmcCellObj parent;
    parent.Category = 2;
    parent.Label = 5;
    parent.Index = 4;
    parent.Argument = "arg";
    parent.HAlign = kAlignRight;
    parent.BottomLine = true;
    parent.Flags = 0x81;
    parent.Color = 0xFF;
    parent.Font = std::make_unique<CellFont>();
    parent.PopupMenu = "GI_PMenu_Edit";
    parent.Text = "parent";

    cmcCellObj model;
    model.Parent = &parent;
    model.Font = std::make_unique<CellFont>();
    ResetFromParent(model);
    EXPECT_EQ(model.Parent, &parent);
    EXPECT_EQ(GetAddress(model), GetAddress(parent));
    EXPECT_EQ(model.Argument, "arg");
    EXPECT_EQ(model.HAlign, kAlignRight);
    EXPECT_TRUE(model.BottomLine);
    EXPECT_EQ(model.Flags, 0x81);
    EXPECT_EQ(model.Color, 0xFFu);
    EXPECT_EQ(model.Text, "parent");
    EXPECT_FALSE(model.Font);
    EXPECT_EQ(model.PopupMenu, "");
    // ... both are found through the parent.
    EXPECT_EQ(EffectiveFont(model, parent), parent.Font.get());
    EXPECT_EQ(EffectivePopupMenu(model), "GI_PMenu_Edit");
}

TEST(CellObj, EffectivePopupMenuTakesTheNearestName) {
    cmcCellObj root, middle, leaf;
    middle.Parent = &root;
    leaf.Parent = &middle;
    EXPECT_EQ(EffectivePopupMenu(leaf), "");
    root.PopupMenu = "A";
    EXPECT_EQ(EffectivePopupMenu(leaf), "A");
    middle.PopupMenu = "B";
    EXPECT_EQ(EffectivePopupMenu(leaf), "B");
}

TEST(CellObj, CopyModelIsDeep) {
    cmcCellObj parent;
    cmcCellObj source;
    source.Parent = &parent;
    source.Index = 9;
    source.Argument = "a";
    source.Font = std::make_unique<CellFont>();
    source.Font->SetHeight(-17);
    source.Text = "x";
    cmcCellObj target;
    CopyModel(target, source);
    source.Font->SetHeight(-30);
    source.Argument = "b";
    EXPECT_EQ(target.Parent, &parent);
    EXPECT_EQ(target.Index, 9);
    EXPECT_EQ(target.Argument, "a");
    ASSERT_TRUE(target.Font);
    EXPECT_EQ(target.Font->Height, -17);
    EXPECT_EQ(target.Text, "x");
}

}  // namespace
