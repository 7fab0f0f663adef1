#include <gtest/gtest.h>

#include <set>
#include <string>

#include "sheet/CellCatalogue.h"
#include "sheet/cmcHash.h"

namespace {

TEST(CellCatalogue, NamesHaveTheirFixedNumbers) {
    struct Case {
        const char* name;
        int number;
    } labels[] = {
        {"CL_Null", 0},
        {"Flex0", 1},
        {"CL_EeDebugWin_Adr", 4},
        {"CL_EeDebugWin_0", 5},
        {"CL_EeDebugWin_A", 15},
        {"CL_EeDebugWin_F", 20},
        {"CL_Free_Byte_Dec", 21},
        {"CallSheet", 51},
        {"CL_PMenu_Edit", 67},
        {"CL_PMenu_Help", 75},
        {"CL_ComDsc_AllCall_Distress", 144},
        {"CL_ComDsc_AllCall_Routine_Pow", 151},
        {"CL_ComDsc_IndvCall_Distress_Pow", 156},
        {"CL_ComDsc_GroupCall_Routine_Pow", 167},
        {"CL_ComDsc_Alarm_OnOff_Discrete", 182},
        {"CL_ComDsc_Alarm_Kind_Tx", 183},
        {"CL_ComDsc_Alarm_Kind_Inactivity", 192},
        {"CL_ComDsc_Alarm_Vol_Pos4hr", 197},
        {"CL_ComDsc_Alarm_IntSp_Inactivity", 232},
        {"CL_ComDsc_AllCall_ChCall", 233},
        {"CL_DscCall_Alarm_IntSp", 253},
        {"CL_ComCom_CloneComment", 254},
        {"CL_MakerR_RX_PLLOpt1", 305},
    };
    for (const auto& c : labels) {
        EXPECT_EQ(LabelByName(c.name), c.number) << c.name;
        EXPECT_EQ(LabelName(c.number), c.name);
    }
    EXPECT_EQ(CL_PMenu_Edit, 67);
    EXPECT_EQ(CL_MakerR_RX_PLLOpt1, 305);
    // The transmit checks of the warning list come after the original labels.
    EXPECT_EQ(CL_Check_Int_ChTx, 306);
    EXPECT_EQ(CL_Check_Dsc_Inland, 311);
    EXPECT_EQ(CL_Menu_Clone_Fleet, 312);
    EXPECT_EQ(kNoCellLabel, 313);

    const char* categories[] = {"CT_Null",     "CT_PopupMenu", "CT_IntCh", "CT_UsaCh",
                                "CT_CanCh",    "CT_DscCh",     "CT_WxCh",  "CT_FreeCh",
                                "CT_DscIndId", "CT_DscGrpId"};
    const int tables[] = {0, 0, 1, 2, 3, 4, 5, 6, 7, 8};
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(CategoryByName(categories[i]), i);
        EXPECT_EQ(CategoryName(i), categories[i]);
        EXPECT_EQ(CategoryTable(i), tables[i]);
    }
    EXPECT_EQ(CategoryTable(kNoCellCategory), 0);
}

TEST(CellCatalogue, EveryLabelRoundTripsAndIsUnique) {
    std::set<std::string> seen;
    for (int i = 0; i < kCellLabelCount; ++i) {
        std::string name = LabelName(i);
        EXPECT_TRUE(seen.insert(name).second) << name;
        EXPECT_EQ(LabelByName(name), i);
    }
    EXPECT_EQ(seen.size(), 313u);
}

TEST(CellCatalogue, EmptyNamesAndOutOfRangeNumbers) {
    EXPECT_EQ(CategoryByName(""), 10);
    EXPECT_EQ(LabelByName(""), 313);
    EXPECT_EQ(LabelName(313), "");
    EXPECT_EQ(LabelName(-1), "");
}

TEST(CellCatalogueDeath, UnknownNamesStop) {
    EXPECT_EXIT(CategoryByName("ct_intch"), testing::ExitedWithCode(3),
                "Cannot use the specified category.\n'ct_intch'");
    EXPECT_EXIT(LabelByName("cl_null"), testing::ExitedWithCode(3),
                "Cannot use the specified cell.\n'cl_null'");
    EXPECT_EXIT(CategoryTable(11), testing::ExitedWithCode(3), "Unknown Cell Category. \\(11\\)");
    EXPECT_EXIT(CategoryTable(-1), testing::ExitedWithCode(3), "Unknown Cell Category. \\(-1\\)");
}

// Both vocabularies share one table; a name from one must not be taken for the other.
TEST(CellCatalogueDeath, NamesDoNotCrossVocabularies) {
    LabelByName("CL_Null");
    CategoryByName("CT_Null");
    EXPECT_EXIT(CategoryByName("CL_Dummy"), testing::ExitedWithCode(3), "category");
    EXPECT_EXIT(LabelByName("CT_WxCh"), testing::ExitedWithCode(3), "cell");
}

TEST(Hash, BucketsFollowTheFixedHash) {
    struct Case {
        const char* key;
        uint32_t buckets, bucket;
    } cases[] = {
        {"ab", 10, 7},        // step 5 throughout: (0+5+97)*2+5+98 = 307
        {"ca", 10, 7},        // odd next character halves the step: (5+99)*2+2+97 = 307
        {"aa", 3, 0},         // step 1 halves to 0 and is reset: (1+97)*2+1+97 = 294
        {"\xff", 1031, 514},  // signed byte: 515 - 1
        {"", 1031, 0},
    };
    for (const auto& c : cases) EXPECT_EQ(cmcHash::BucketOf(c.key, c.buckets), c.bucket) << c.key;
}

TEST(Hash, ChainsHoldEveryKey) {
    EXPECT_EQ(cmcHash(0).BucketCount(), 1031u);
    cmcHash one(1);  // every key in one chain
    for (int i = 0; i < 50; ++i) one.Insert("k" + std::to_string(i), i);
    for (int i = 0; i < 50; ++i) {
        const cmcHash::Node* n = one.Find("k" + std::to_string(i));
        ASSERT_NE(n, nullptr);
        EXPECT_EQ(n->value, i);
    }
    EXPECT_EQ(one.Find("k50"), nullptr);
    EXPECT_EQ(one.Find("K1"), nullptr);
}

TEST(HashDeath, DuplicateKeyStops) {
    cmcHash h(7);
    h.Insert("Red", 1);
    EXPECT_EXIT(h.Insert("Red", 2), testing::ExitedWithCode(3), "Overlapped Hash table\\.");
}

}  // namespace
