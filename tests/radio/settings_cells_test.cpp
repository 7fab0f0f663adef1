#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "base/EventCodes.h"
#include "base/ScopedInstall.h"
#include "base/cmcEvMan.h"
#include "radio/CellDispatcher.h"
#include "radio/SettingsCells.h"
#include "radio/cmcCellCapsule.h"
#include "radio/cmcEeprom.h"
#include "sheet/CellCatalogue.h"
#include "sheet/cmcCellObj.h"
#include "support/CellDoubles.h"
#include "support/ManualClock.h"
#include "text/cmcGTex.h"

namespace {

constexpr const char* kOnOff = "GI_Sheet_Sel_Misc_OnOff";

class SettingsCellTest : public testing::Test {
  protected:
    SettingsCellTest() {
        text.BindLines({"#GI_AppInd_Dsc_SelfIdOff", "OFF (no ID)", "#GI_Botttom_EnterNumber",
                        "Enter a number from %s to %s.", "Enter seconds from %s to %s.",
                        "Enter milliseconds from %s to %s.", "#GI_Botttom_SoftKeysFollow",
                        "Soft keys follow.", "#End_Of_Ovl"});
        choices.Add(kOnOff, 1, {{0, "OFF"}, {1, "ON"}});
        choices.Add("GI_Sheet_Sel_KeyAs_SkeyMU", 2, {{0, "SCAN"}, {1, "DW"}, {2, "MU2"}});
        choices.Add("GI_Sheet_Sel_KeyAs_SkeyME", 2, {{0, "SCAN"}, {1, "DW"}, {2, "ME2"}});
        image.SetSize(cmcEeprom::kImageSize);
        context.image = &image;
        context.modelType = 2;
        hub.Subscribe(&SettingsCellTest::OnEvent, this);
    }
    ~SettingsCellTest() override { hub.Unsubscribe(&SettingsCellTest::OnEvent, this); }
    static void OnEvent(void* self, HubEvent& e) {
        auto* test = static_cast<SettingsCellTest*>(self);
        test->events.push_back(e.code);
        if (e.code == ev::kIndicatorText) test->bottomBar = e.Text();
    }

    // Runs one request on a cell; returns the request for inspection.
    cmcCellCapsule& Run(int label, int row = 0, int key = 0, const char* commit = nullptr) {
        cell = cmcCellObj();
        cell.Label = label;
        cell.Index = row;
        req.Reset();
        req.cell = &cell;
        req.key = key;
        if (key != 0) req.grid = &grid;
        if (commit) {
            req.commitMode = CommitMode::kText;
            req.inputText = commit;
        }
        req.canvas = &canvas;
        canvas.fontColors.clear();
        context.changeFlags = 0;
        context.swallowed = false;
        handled = DispatchSettingsCell(req, context);
        return req;
    }
    std::string Text(int label, int row = 0) { return Run(label, row).displayText; }
    bool Error(int label, int row = 0) {
        return Run(label, row).resultFlags & cmcCellCapsule::kError;
    }
    bool Silver() const {
        return !canvas.fontColors.empty() && canvas.fontColors.back() == cellcolor::kSilver;
    }

    test::ManualClock clock;
    cmcEvMan hub;
    ScopedInstall<InstallEvMan> hubSlot{&hub};
    cmcGTex text;
    ScopedInstall<InstallGTex> textSlot{&text};
    test::FixedChoices choices;
    ScopedInstall<InstallChoiceSource> choicesSlot{&choices};
    test::RecordingGrid grid;
    test::RecordingCanvas canvas;
    cmcEeprom image;
    SettingsCellContext context;
    cmcCellObj cell;
    cmcCellCapsule req;
    bool handled = false;
    std::vector<int> events;
    std::string bottomBar;
};

TEST_F(SettingsCellTest, OwnIdValidityErrorAndCheckByte) {
    const struct {
        const char* typed;
        std::vector<int> bytes;  // 0x2210-0x2215
        const char* shown;
        bool error;
    } cases[] = {
        {"001234567", {0, 12, 34, 56, 70, 0xFF - 172}, "001234567", true},  // a coast station
        {"012345678", {1, 23, 45, 67, 80, 0xFF - 216}, "012345678", true},  // a group ID
        {"366123456", {36, 61, 23, 45, 60, 0xFF - 225}, "366123456", false},
        // A wrong count is refused: the ID and even its (here stale) check byte stay.
        {"36612345", {36, 61, 23, 45, 60, 0x5A}, "366123456", false},
        {"", {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}, "OFF (no ID)", false},
    };
    for (const auto& c : cases) {
        image.SetByte(0x2215, 0x5A);
        Run(CL_ComDsc_SelfId, 0, 0, c.typed);
        std::vector<int> bytes;
        for (int a = 0x2210; a <= 0x2215; ++a) bytes.push_back(image.GetByte(a));
        EXPECT_EQ(bytes, c.bytes) << c.typed;
        EXPECT_EQ(req.displayText, c.shown) << c.typed;
        EXPECT_EQ(Error(CL_ComDsc_SelfId), c.error) << c.typed;
    }
}

TEST_F(SettingsCellTest, EmptyOwnIdOpensAnEmptyEditorNotTheOffText) {
    for (int a = 0x2210; a < 0x2215; ++a) image.SetByte(a, 0xFF);
    Run(CL_ComDsc_SelfId, 0, cellkey::kEnter);
    EXPECT_EQ(req.signal, EditorSignal::kEditor);
    EXPECT_EQ(req.displayText, "");
}

TEST_F(SettingsCellTest, CallRowsEightAndTenMustAgree) {
    const int row8 = 0x2227 + 7 * 8, row10 = 0x2227 + 7 * 10;
    image.SetByte(row8, 1);
    image.SetByte(row10, 1);
    EXPECT_FALSE(Error(CL_DscCall_Tx, 8));
    Run(CL_DscCall_Tx, 8, cellkey::kSpace);  // ON -> OFF
    EXPECT_EQ(image.GetByte(row8), 0);
    EXPECT_EQ(context.changeFlags & 0x20, 0x20);
    EXPECT_TRUE(Error(CL_DscCall_Tx, 8));
    EXPECT_TRUE(Error(CL_DscCall_Tx, 10));
    EXPECT_FALSE(Error(CL_DscCall_Tx, 9));
    image.SetByte(0x2227 + 7 * 11, 1);
    EXPECT_TRUE(Error(CL_DscCall_Tx, 9));
    EXPECT_TRUE(Error(CL_DscCall_Tx, 11));
    EXPECT_FALSE(Error(CL_DscCall_Tx, 12));
}

TEST_F(SettingsCellTest, AlarmMaximumBelowMinimumIsAnError) {
    const int base = 0x2227 + 7 * 3;
    image.SetByte(base + 4, 5);
    image.SetByte(base + 5, 10);
    EXPECT_FALSE(Error(CL_DscCall_Alarm_Min, 3));
    Run(CL_DscCall_Alarm_Max, 3, 0, "4");
    EXPECT_EQ(image.GetByte(base + 5), 4);
    EXPECT_EQ(context.changeFlags & 0x20, 0x20);
    EXPECT_TRUE(Error(CL_DscCall_Alarm_Min, 3));
    EXPECT_TRUE(Error(CL_DscCall_Alarm_Max, 3));
    Run(CL_DscCall_Alarm_Max, 3, 0, "99");  // refused with the range, not bent to 20
    EXPECT_EQ(image.GetByte(base + 5), 4);
    EXPECT_EQ(RefusalText(req), "Enter a number from 0 to 20.");
    Run(CL_DscCall_Alarm_Max, 3, 0, "20");
    EXPECT_EQ(image.GetByte(base + 5), 20);
    EXPECT_FALSE(Error(CL_DscCall_Alarm_Max, 3));
}

TEST_F(SettingsCellTest, TimersShowTheirUnits) {
    image.SetByte(0x0BC4, 1200 & 0xFF);
    image.SetByte(0x0BC5, 1200 >> 8);
    EXPECT_EQ(Text(CL_MakerR_DwTw_Timer), "1.20 sec");
    Run(CL_MakerR_DwTw_Timer, 0, 0, "0,95");
    EXPECT_EQ(image.GetByte(0x0BC4) | image.GetByte(0x0BC5) << 8, 950);

    image.SetByte(0x0BBE, 0x2C);  // 300
    image.SetByte(0x0BBF, 0x01);
    EXPECT_EQ(Text(CL_ComCom_TotTimer), "300 sec");
    Run(CL_ComCom_TotTimer, 0, cellkey::kEnter);
    EXPECT_EQ(req.displayText, "300");  // no unit while editing
    // Typed values are read as meant or refused with the range: never 600, 5 or 105 unsaid.
    for (const char* wrong : {"700", "5 min", "10,5"}) {
        Run(CL_ComCom_TotTimer, 0, 0, wrong);
        EXPECT_EQ(image.GetByte(0x0BBE) | image.GetByte(0x0BBF) << 8, 300) << wrong;
        EXPECT_EQ(RefusalText(req), "Enter seconds from 0 to 600.") << wrong;
    }
    Run(CL_ComCom_TotTimer, 0, 0, "600 sec");
    EXPECT_EQ(image.GetByte(0x0BBE) | image.GetByte(0x0BBF) << 8, 600);

    image.SetByte(0x0BC1, 120);
    EXPECT_EQ(Text(CL_RadioSet_ScanSpeed), "120 msec");
    EXPECT_EQ(Text(CL_MakerR_TX_Mute_Timer), "0 msec");
}

TEST_F(SettingsCellTest, TimeOffsetIsSignedMinutes) {
    Run(CL_ComConf_UtcOffset, 0, 0, "-5:30");
    EXPECT_EQ(image.GetByte(0x0AFE) | image.GetByte(0x0AFF) << 8, 0x10000 - 330);
    EXPECT_EQ(Text(CL_ComConf_UtcOffset), "-5:30");
}

TEST_F(SettingsCellTest, SilverFollowsTheFunctionSwitches) {
    const struct {
        int label;
        int address, mask;  // silver while these bits are not all set
    } cases[] = {
        {CL_ComCom_TotTimer, 0x0BB9, 0x20},   {CL_ComCom_TotAlarm, 0x0BB9, 0x20},
        {CL_RadioSet_ScanType, 0x0BB8, 0x10}, {CL_RadioSet_ScanSpeed, 0x0BB8, 0x10},
        {CL_RadioSet_Dwtw, 0x0BB9, 0xC0},     {CL_ComDsc_UsaCh, 0x0BB8, 0x01},
        {CL_ComDsc_CanCh, 0x0BB8, 0x04},
    };
    for (const auto& c : cases) {
        image.SetByte(c.address, static_cast<uint8_t>(c.mask & 0x40));  // at most one bit of two
        Run(c.label);
        EXPECT_TRUE(Silver()) << LabelName(c.label);
        image.SetByte(c.address, static_cast<uint8_t>(c.mask));
        Run(c.label);
        EXPECT_FALSE(Silver()) << LabelName(c.label);
    }
}

TEST_F(SettingsCellTest, RegionalSwitchesAskForATreeRebuild) {
    context.modelType = 0;  // the weather switch is the user's
    image.SetByte(0x0BB8, 0x02);
    EXPECT_EQ(Text(CL_ComCom_Wx), "ON");
    Run(CL_ComCom_Wx, 0, cellkey::kSpace);
    EXPECT_EQ(image.GetByte(0x0BB8), 0x00);
    EXPECT_EQ(events, std::vector<int>{ev::kRebuildTree});
    events.clear();
    Run(CL_ComCom_ScanF, 0, cellkey::kSpace);
    EXPECT_EQ(image.GetByte(0x0BB8), 0x10);
    EXPECT_TRUE(events.empty());
}

// Scan and the watches decide the soft keys the save gives the radio: switching one says so in
// the bottom bar; another switch does not.
TEST_F(SettingsCellTest, ScanAndWatchSwitchesSayTheSoftKeysFollow) {
    for (int label :
         {CL_ComCom_ScanF, CL_ComCom_DualWatchF, CL_ComCom_TriWatchF, CL_ComCom_BandEx}) {
        bottomBar.clear();
        Run(label, 0, cellkey::kSpace);
        hub.Pass();
        EXPECT_EQ(bottomBar, label == CL_ComCom_BandEx ? "" : "Soft keys follow.") << label;
    }
}

TEST_F(SettingsCellTest, SoftKeysUseTheModelsListAndCheckTheFunctions) {
    image.SetByte(0x0B80 + 3, 2);
    context.modelType = 0;
    EXPECT_EQ(Text(CL_ComConf_KeyAssign_SoftKey, 3), "MU2");
    context.modelType = 1;
    EXPECT_EQ(Text(CL_ComConf_KeyAssign_SoftKey, 3), "ME2");
    Run(CL_ComConf_KeyAssign_SoftKey, 3, 0, " SCAN ");
    EXPECT_EQ(image.GetByte(0x0B83), 0);

    const struct {
        int function, switches, switches2;
        bool error;
    } cases[] = {{0, 0x00, 0xC0, true},  {0, 0x10, 0x00, false}, {1, 0x10, 0x00, true},
                 {1, 0x00, 0x40, false}, {1, 0x00, 0x80, false}, {2, 0x00, 0x00, false}};
    for (const auto& c : cases) {
        image.SetByte(0x0B80 + 5, static_cast<uint8_t>(c.function));
        image.SetByte(0x0BB8, static_cast<uint8_t>(c.switches));
        image.SetByte(0x0BB9, static_cast<uint8_t>(c.switches2));
        EXPECT_EQ(Error(CL_ComConf_KeyAssign_SoftKey, 5), c.error) << c.function;
    }
}

TEST_F(SettingsCellTest, AlarmFamiliesReadTheirVolumeAndFlags) {
    image.SetByte(0x23F3, 7);     // position ceases: volume
    image.SetByte(0x23F5, 0x02);  // internal speaker on, shutdown off
    EXPECT_EQ(Text(CL_ComDsc_Alarm_Kind_PosCeases), "Warning");
    EXPECT_EQ(Text(CL_ComDsc_Alarm_Vol_PosCeases), "7");
    EXPECT_EQ(Text(CL_ComDsc_Alarm_IntSp_PosCeases), "ON");
    EXPECT_EQ(Text(CL_ComDsc_Alarm_Visual_DistressTx), "ON");
    EXPECT_EQ(Text(CL_ComDsc_Alarm_Shutdown_Inactivity), "Auto");
    Run(CL_ComDsc_Alarm_Vol_PosCeases, 0, 0, "25");
    EXPECT_EQ(image.GetByte(0x23F3), 7);
    Run(CL_ComDsc_Alarm_Vol_PosCeases, 0, 0, "12");
    EXPECT_EQ(image.GetByte(0x23F3), 12);
    Run(CL_ComDsc_Alarm_IntSp_PosCeases, 0, cellkey::kSpace);
    EXPECT_EQ(image.GetByte(0x23F5), 0x00);

    // Read-only cells: olive, and a key is refused and reported.
    Run(CL_ComDsc_Alarm_Kind_Tx, 0, 'x');
    EXPECT_EQ(req.displayText, "TX");
    EXPECT_TRUE(context.swallowed);
    EXPECT_EQ(canvas.fontColors, std::vector<uint32_t>{cellcolor::kOlive});
}

TEST_F(SettingsCellTest, CloneCommentKeepsPrintableCharactersOnly) {
    Run(CL_ComCom_CloneComment, 0, 0, "Boat\x01One \xC3\xA9 and a long tail");
    std::string stored;
    for (int a = 0x0F1B; a < 0x0F1B + 16; ++a) stored += static_cast<char>(image.GetByte(a));
    EXPECT_EQ(stored, "Boat One    and ");
    EXPECT_EQ(image.GetByte(0x0F1B + 16), 0);  // nothing past the field
}

TEST_F(SettingsCellTest, OtherLabelsAreLeftToTheDispatcher) {
    EXPECT_FALSE(IsSettingsLabel(CL_ChList_Atr));
    EXPECT_FALSE(IsSettingsLabel(CL_ComDsc_CallRepeatF));  // no behaviour yet
    EXPECT_TRUE(IsSettingsLabel(CL_ComDsc_Alarm_IntSp_Inactivity));
    Run(CL_ComConf_RxSpeaker);
    EXPECT_FALSE(handled);
}

// Every settings cell renders over broken images without touching a byte, and every row it may
// be given stays inside its field.
TEST_F(SettingsCellTest, BrokenImagesRenderWithoutChanges) {
    std::mt19937 random(11);
    for (int pattern : {0xFF, 0x00, -1}) {
        for (int a = 0; a < image.Size(); ++a) {
            image.SetByte(a, static_cast<uint8_t>(pattern >= 0 ? pattern : random()));
        }
        cmcEeprom before;
        before.Assign(image);
        for (int label = 0; label < kCellLabelCount; ++label) {
            if (!IsSettingsLabel(label)) continue;
            for (int row : {-1, 0, 2, 19, 64, 65, 1000}) {
                Run(label, row);
                ASSERT_TRUE(handled);
            }
        }
        for (int a = 0; a < image.Size(); ++a) {
            ASSERT_EQ(image.GetByte(a), before.GetByte(a)) << std::hex << a;
        }
    }
}

}  // namespace
