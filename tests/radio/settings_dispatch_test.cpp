#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "app/RowCautions.h"
#include "base/EventCodes.h"
#include "base/ScopedInstall.h"
#include "base/cmcEvMan.h"
#include "radio/CellDispatcher.h"
#include "radio/DebugCells.h"
#include "radio/RecordRowCommands.h"
#include "radio/cmcCellCapsule.h"
#include "radio/cmcEeprom.h"
#include "radio/datClipCh.h"
#include "sheet/CellCatalogue.h"
#include "sheet/cmcCellObj.h"
#include "support/CellDoubles.h"
#include "support/ManualClock.h"
#include "support/ScriptedPrompter.h"
#include "text/cmcGTex.h"

// The settings, row and debug cells as the dispatcher reaches them.
namespace {

constexpr int kCheckLabels[] = {CL_Check_Int_ChInh,   CL_Check_Usa_ChInh,  CL_Check_Can_ChInh,
                                CL_Check_WX_ChInh,    CL_Check_Dsc_SelfId, CL_Check_Dsc_Call,
                                CL_Check_Dsc_Tx,      CL_Check_Dsc_Id,     CL_Check_DscGrp_Id,
                                CL_Check_Conf_Softkey};

// The program's host with a compare base and a status line for the debug cells.
struct DebugHost : test::RecordingHost {
    const cmcEeprom* base = nullptr;
    std::string status;
    const cmcEeprom* CompareBase() const override { return base; }
    void ShowDebugStatus(const std::string& text) override { status = text; }
};

class SettingsDispatchTest : public testing::Test {
  protected:
    SettingsDispatchTest() : rows(clipboard) {
        rows.SetCautionAsker(&AskRowCaution);
        host.rows = &rows;
        host.base = &base;
        host.manufacturer = true;
        text.BindLines({"#GI_Sys_AppTitle", "KELDA", "#GI_AppInd_Dsc_SelfIdOff", "OFF",
                        "#GI_Botttom_EditRestrected", "Read only", "#GI_AppMess_S_Copy", "Copied",
                        "#GI_AppMess_S_Paste", "Pasted", "#End_Of_Ovl"});
        choices.Add("GI_Sheet_Sel_Misc_OnOff", 1, {{0, "OFF"}, {1, "ON"}});
        base.SetSize(cmcEeprom::kImageSize);
        hub.Subscribe(&SettingsDispatchTest::OnEvent, this);
    }
    ~SettingsDispatchTest() override { hub.Unsubscribe(&SettingsDispatchTest::OnEvent, this); }
    static void OnEvent(void* self, HubEvent& e) {
        auto* t = static_cast<SettingsDispatchTest*>(self);
        t->events.push_back(e.code == ev::kIndicatorText ? "4:" + std::string(e.Text())
                                                         : std::to_string(e.code));
    }
    static void Notify(void* self, cmcCellCapsule&, int flags) {
        static_cast<SettingsDispatchTest*>(self)->notified = flags;
    }

    EditorSignal Dispatch(int category, int label, int row, int key = 0, int menuCommand = 0) {
        cell = cmcCellObj();
        cell.Category = category;
        cell.Label = label;
        cell.Index = row;
        req.Reset();
        req.cell = &cell;
        req.key = key;
        req.menuCommand = menuCommand;
        if (key != 0) req.grid = &grid;
        req.notify = &SettingsDispatchTest::Notify;
        req.user = this;
        const EditorSignal signal = DispatchCell(req, true);
        hub.Pass();
        return signal;
    }
    bool CheckError(int label) { return CellError(CT_Null, label, 0); }

    cmcEeprom& image() { return host.image; }

    test::ManualClock clock;
    cmcEvMan hub;
    ScopedInstall<InstallEvMan> hubSlot{&hub};
    cmcGTex text;
    ScopedInstall<InstallGTex> textSlot{&text};
    test::ScriptedPrompter prompts;
    test::FixedChoices choices;
    ScopedInstall<InstallChoiceSource> choicesSlot{&choices};
    DebugHost host;
    ScopedInstall<InstallCellHost> hostSlot{&host};
    test::RecordingGrid grid;
    datClipCh clipboard;
    RecordRowCommands rows;
    cmcEeprom base;
    cmcCellObj cell;
    cmcCellCapsule req;
    std::vector<std::string> events;
    int notified = 0;
};

TEST_F(SettingsDispatchTest, EventsFlagsAndRestrictionsReachTheDispatcher) {
    host.modelType = 0;  // the weather switch is the user's
    Dispatch(CT_Null, CL_ComCom_Wx, 0, cellkey::kSpace);
    EXPECT_EQ(image().GetByte(0x0BB8), 0x02);
    EXPECT_EQ(events, (std::vector<std::string>{"4:", "28"}));

    Dispatch(CT_Null, CL_DscCall_Tx, 8, cellkey::kSpace);
    EXPECT_EQ(notified, 0x21);  // cells that depend on it are redrawn

    events.clear();
    Dispatch(CT_Null, CL_ComDsc_Alarm_Kind_Tx, 0, 'a');
    EXPECT_EQ(req.displayText, "TX");
    EXPECT_EQ(events, (std::vector<std::string>{"4:", "4:Read only"}));
}

TEST_F(SettingsDispatchTest, CheckListSeesTheSettingsErrors) {
    for (int i = 0; i < 5; ++i) image().SetByte(0x2210 + i, 0xFF);  // no own ID yet
    for (int label : {CL_Check_Dsc_SelfId, CL_Check_Dsc_Call, CL_Check_Dsc_Tx}) {
        EXPECT_FALSE(CheckError(label)) << LabelName(label);
    }
    // Own ID 012345678: a group ID cannot be the ship's own.
    const int id[] = {1, 23, 45, 67, 80};
    for (int i = 0; i < 5; ++i) image().SetByte(0x2210 + i, static_cast<uint8_t>(id[i]));
    EXPECT_TRUE(CheckError(CL_Check_Dsc_SelfId));
    image().SetByte(0x2227 + 7 * 9, 1);  // call row 9 differs from row 11
    EXPECT_TRUE(CheckError(CL_Check_Dsc_Tx));
    image().SetByte(0x2227 + 7 * 40 + 5, 3);  // row 40: maximum 3 below minimum 4
    image().SetByte(0x2227 + 7 * 40 + 4, 4);
    EXPECT_TRUE(CheckError(CL_Check_Dsc_Call));
    image().SetByte(0x0B80 + 19, 1);  // dual/tri watch key without dual or tri watch
    image().SetByte(0x0BB9, 0);
    EXPECT_TRUE(CheckError(CL_Check_Conf_Softkey));
    image().SetByte(0x0BB9, 0x80);
    for (int i = 0; i < 20; ++i) image().SetByte(0x0B80 + i, 5);
    EXPECT_FALSE(CheckError(CL_Check_Conf_Softkey));
}

TEST_F(SettingsDispatchTest, RowCommandsRunFromThePopupMenu) {
    for (int r = 0; r < 100; ++r) {
        for (int i = 0; i < 16; ++i)
            image().SetByte(0x2430 + 16 * r + i, i < 5 || i == 15 ? 0xFF : ' ');
    }
    const int id[] = {36, 61, 23, 45, 60};
    for (int i = 0; i < 5; ++i) image().SetByte(0x2430 + 16 * 2 + i, static_cast<uint8_t>(id[i]));
    image().SetByte(0x2430 + 16 * 2 + 15, 0);
    Dispatch(CT_DscIndId, CL_DscIndId_Id, 2, 0, CL_PMenu_Copy);
    EXPECT_EQ(events.back(), "4:Copied");
    Dispatch(CT_DscIndId, CL_DscIndId_Comment, 7, 0, CL_PMenu_Paste);
    EXPECT_EQ(image().GetByte(0x2430 + 16 * 7), 36);
    EXPECT_TRUE(prompts.shown().empty());  // the target row was empty
}

TEST_F(SettingsDispatchTest, DebugCellsUseTheInstalledCompareBase) {
    image().SetByte(0x0101, 0x7F);
    test::RecordingCanvas canvas;
    cell = cmcCellObj();
    cell.Label = CL_EeDebugWin_1;
    cell.Index = 0x10;
    req.Reset();
    req.cell = &cell;
    req.canvas = &canvas;
    req.resultFlags = cmcCellCapsule::kSelected;
    DispatchCell(req, false);
    EXPECT_EQ(req.displayText, "7F");
    EXPECT_EQ(canvas.fontColors, std::vector<uint32_t>{cellcolor::kRed});
    EXPECT_EQ(host.status, "7F, 127, 127, \n007F, 127, 127");

    events.clear();
    Dispatch(CT_Null, CL_Menu_Debug_CorrectComp, 0, cellkey::kEnter);
    EXPECT_EQ(events.back(), "8");
}

// Broken images: every settings and check cell renders and checks without changing a byte.
TEST_F(SettingsDispatchTest, BrokenImagesRenderAndCheckWithoutChanges) {
    std::mt19937 random(5);
    for (int pattern : {0xFF, 0x00, -1}) {
        for (int a = 0; a < image().Size(); ++a) {
            image().SetByte(a, static_cast<uint8_t>(pattern >= 0 ? pattern : random()));
        }
        cmcEeprom before;
        before.Assign(image());
        for (int label = CL_ComSet_Light; label <= CL_MakerR_RX_PLLOpt1; ++label) {
            for (int row : {0, 5, 19, 64}) Dispatch(CT_Null, label, row);
        }
        for (int label : kCheckLabels) CheckError(label);
        for (int a = 0; a < image().Size(); ++a) {
            ASSERT_EQ(image().GetByte(a), before.GetByte(a)) << std::hex << a;
        }
    }
}

}  // namespace
