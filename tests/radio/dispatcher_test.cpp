#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "base/EventCodes.h"
#include "base/ScopedInstall.h"
#include "base/cmcEvMan.h"
#include "radio/CellDispatcher.h"
#include "radio/CellSources.h"
#include "radio/MemoryMap.h"
#include "radio/RowCommander.h"
#include "sheet/CellCatalogue.h"
#include "sheet/cmcCellObj.h"
#include "support/CellDoubles.h"
#include "support/ManualClock.h"
#include "text/OverlayKeys.h"

using namespace std::string_view_literals;

namespace {

struct EventLog {
    struct Seen {
        int code;
        int mode;
        intptr_t first;
        int second;
        std::string text;
    };
    std::vector<Seen> seen;
    static void On(void* self, HubEvent& e) {
        static_cast<EventLog*>(self)->seen.push_back({e.code, e.mode, e.first, e.second, e.Text()});
    }
    int Count(int code) const {
        int n = 0;
        for (auto& s : seen) n += s.code == code;
        return n;
    }
    const Seen* Last(int code) const {
        for (auto it = seen.rbegin(); it != seen.rend(); ++it)
            if (it->code == code) return &*it;
        return nullptr;
    }
};

struct FakeRows : RowCommander {
    std::vector<int> ran;
    bool InRange(int, int row) const override { return row < 5; }
    bool CanClear(int table) const override { return table == mm::kFreeCh; }
    bool CanPaste(int table) const override { return table == mm::kIntCh; }
    void Run(int command, cmcCellCapsule&, datCh&) override { ran.push_back(command); }
};

class DispatchTest : public testing::Test {
  protected:
    DispatchTest() {
        hub.Subscribe(&EventLog::On, &events);
        // Empty address book entries and blank free-channel frequencies, as the radio keeps them.
        for (int a = 0x2430; a < 0x2430 + 16 * 100; ++a) host.image.SetByte(a, 0xFF);
        for (int row = 0; row < 70; ++row)
            for (int i = 0; i < 4; ++i) host.image.SetByte(0x0850 + 8 * row + i, 0xFF);
    }

    // One input or render call on a fresh request for (category, label, row).
    cmcCellCapsule& Call(int category, int label, int row, int key = 0) {
        cell = cmcCellObj();
        cell.Category = category;
        cell.Label = label;
        cell.Index = row;
        req.Reset();
        req.cell = &cell;
        req.grid = &grid;
        req.key = key;
        result = DispatchCell(req, false);
        return req;
    }
    cmcCellCapsule& Commit(int category, int label, int row, const std::string& text) {
        cell = cmcCellObj();
        cell.Category = category;
        cell.Label = label;
        cell.Index = row;
        req.Reset();
        req.cell = &cell;
        req.grid = &grid;
        req.commitMode = CommitMode::kText;
        req.inputText = text;
        result = DispatchCell(req, true);
        return req;
    }
    // A choice made in the drop-down chooser.
    cmcCellCapsule& Choose(int category, int label, int row, int item) {
        chosen = cmcCellObj();
        chosen.Label = Flex0;
        chosen.Index = item;
        chooser.Reset();
        chooser.cell = &chosen;
        cell = cmcCellObj();
        cell.Category = category;
        cell.Label = label;
        cell.Index = row;
        req.Reset();
        req.cell = &cell;
        req.grid = &grid;
        req.parent = &chooser;
        req.commitMode = CommitMode::kChoice;
        result = DispatchCell(req, true);
        return req;
    }
    uint8_t Byte(int a) const { return host.image.GetByte(a); }
    std::string Bytes(int a, int n) const {
        std::string s;
        for (int i = 0; i < n; ++i) s += char(Byte(a + i));
        return s;
    }

    test::ManualClock clock;
    cmcEvMan hub;
    ScopedInstall<InstallEvMan> hubSlot{&hub};
    EventLog events;
    test::InstalledOverlay overlay;  // the shipped one
    test::RecordingHost host;
    ScopedInstall<InstallCellHost> hostSlot{&host};
    test::RecordingGrid grid;
    cmcCellObj cell, chosen;
    cmcCellCapsule req, chooser;
    EditorSignal result = EditorSignal::kNone;
};

TEST_F(DispatchTest, ChannelCellsShowAndEditTheImage) {
    host.modelType = 0;  // a model whose user chooses the weather channels
    const struct {
        int category, label, row, key;
        const char* commit;  // committed text instead of a key
        const char* shown;
        int address;
        std::string_view bytes;  // expected bytes at address afterwards (empty: none)
    } cases[] = {
        {CT_IntCh, CL_ChList_No, 1, 0, nullptr, "0A", 0, {}},
        {CT_UsaCh, CL_ChList_No, 234, 0, nullptr, "1001", 0, {}},
        {CT_CanCh, CL_ChList_No, 262, 0, nullptr, "1060", 0, {}},
        {CT_IntCh, CL_ChList_Comment, 10, 0, "harbour 1~{", "HARBOUR 1", 0x0F40 + 100,
         "HARBOUR 1 "sv},
        {CT_UsaCh, CL_ChList_Comment, 10, 0, nullptr, "HARBOUR 1", 0, {}},  // names shared
        {CT_IntCh, CL_ChList_Tag, 2, ' ', nullptr, "Tag", 0x04D0 + 2, "\x40"sv},
        {CT_IntCh, CL_ChList_TxInh, 2, ' ', nullptr, "RX only", 0x04D0 + 2, "\x44"sv},
        {CT_IntCh, CL_ChList_Poc, 2, 8, nullptr, "POC", 0x04D0 + 2, "\x64"sv},
        {CT_IntCh, CL_ChList_Simp, 2, ' ', nullptr, "Simplex", 0x04D0 + 2, "\x66"sv},
        {CT_IntCh, CL_ChList_Simp, 3, 0, nullptr, "---", 0, {}},
        {CT_IntCh, CL_ChList_Atr, 2, 0, nullptr, "Used ", 0, {}},
        {CT_CanCh, CL_ChList_Atr, 7, ' ', nullptr, "Not used ", 0x0690 + 7, "\x80"sv},
        {CT_CanCh, CL_ChList_Tag, 7, 0, nullptr, "---", 0, {}},
        {CT_DscCh, CL_DSC_ChAtr, 16, 0, nullptr, "Used", 0, {}},
        {CT_DscCh, CL_DSC_ChAtr, 17, ' ', nullptr, "Not used", 0x2160 + 16, "\x80"sv},
        {CT_DscCh, CL_DSC_TxInh, 17, 0, nullptr, "---", 0, {}},
        {CT_DscCh, CL_DSC_ChSimp, 1001, 0, nullptr, "---", 0, {}},
        {CT_DscCh, CL_DSC_Comment, 6, 0, "ship to ship", "SHIP TO SH", 0x0F40 + 120,
         "SHIP TO SH"sv},
        {CT_WxCh, CL_WX_ChAtr, 3, ' ', nullptr, "Not used", 0x0BB0, "\x08\x00"sv},
        {CT_WxCh, CL_WX_ChComment, 3, 0, nullptr, "---", 0, {}},
        {CT_WxCh, CL_WX_ChComment, 4, 0, "wx4", "WX4", 0x20C0 + 40, "WX4       "sv},
        {CT_FreeCh, CL_Fch_FreqR, 0, 0, "156.8", "156.80000", 0x0850, "\x94\x27\x00\x31"sv},
        {CT_FreeCh, CL_Fch_FreqT, 0, 0, nullptr, "<-", 0, {}},
        {CT_FreeCh, CL_Fch_FreqR, 1, 0, "156.80625", "156.80625", 0x0858, "\x29\x4f\x01\x62"sv},
        {CT_FreeCh, CL_Fch_ChName, 1, 0, "f1c", "F1", 0x0858 + 4, "F1 \x03"sv},
        {CT_IntCh, CL_ChList_No, 349, 0, nullptr, "F1  ", 0, {}},
        {CT_IntCh, CL_ChList_Simp, 348, 0, nullptr, "Simplex", 0x04D0 + 348, "\x02"sv},
        {CT_DscIndId, CL_DscIndId_Id, 0, 0, "366 123 456", "366123456", 0x2430,
         "\x24\x3d\x17\x2d\x3c"sv},
        {CT_DscIndId, CL_DscIndId_Comment, 0, 0, "base", "BASE", 0x2430 + 5, "BASE      \x00"sv},
        {CT_DscGrpId, CL_DscGrpId_Id, 0, 0, "012345678", "012345678", 0x2430 + 16 * 75,
         "\x01\x17\x2d\x43\x50"sv},
        {CT_DscIndId, CL_DscIndId_Id, 1, 0, "1234", "", 0x2440, "\xff\xff\xff\xff\xff"sv},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(LabelName(c.label) + " row " + std::to_string(c.row));
        if (c.commit != nullptr) {
            Commit(c.category, c.label, c.row, c.commit);
        } else if (c.key != 0) {
            Call(c.category, c.label, c.row, c.key);
        }
        EXPECT_EQ(Call(c.category, c.label, c.row).displayText, c.shown);
        if (!c.bytes.empty()) {
            EXPECT_EQ(Bytes(c.address, int(c.bytes.size())), c.bytes);
        }
    }
}

// A refused value changes nothing and the bottom bar says why: a mistyped MMSI keeps the
// entry and its name, and the weather choices that saving puts back are the factory's.
TEST_F(DispatchTest, RefusedValuesChangeNothingAndTheBottomBarSaysWhy) {
    Commit(CT_DscIndId, CL_DscIndId_Id, 0, "235123456");
    Commit(CT_DscIndId, CL_DscIndId_Comment, 0, "ocean star");
    Commit(CT_Null, CL_ComDsc_SelfId, 0, "366123456");
    const struct {
        int model, category, label, row, key;
        const char* commit;
        const char* says;
    } cases[] = {
        {2, CT_DscIndId, CL_DscIndId_Id, 0, 0, "23512345", "An ID has 9 digits"},
        {2, CT_DscIndId, CL_DscIndId_Id, 0, 0, "2351234567", "An ID has 9 digits"},
        {2, CT_DscIndId, CL_DscIndId_Id, 0, 0, "MMSI?", "An ID has 9 digits"},
        {2, CT_Null, CL_ComDsc_SelfId, 0, 0, "36612345", "An ID has 9 digits"},
        {2, CT_WxCh, CL_WX_ChAtr, 3, ' ', nullptr, "factory setting of this model"},
        {4, CT_WxCh, CL_WX_ChAtr, 3, 0, "Used", "factory setting of this model"},
        {1, CT_Null, CL_ComCom_Wx, 0, ' ', nullptr, "factory setting of this model"},
        {3, CT_Null, CL_ComCom_Wx, 0, cellkey::kEnter, nullptr, "factory setting of this model"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(LabelName(c.label) + (c.commit ? std::string(" = ") + c.commit : ""));
        host.modelType = c.model;
        cmcEeprom before;
        before.Assign(host.image);
        events.seen.clear();
        grid.opened.clear();
        if (c.commit != nullptr) {
            Commit(c.category, c.label, c.row, c.commit);
        } else {
            Call(c.category, c.label, c.row, c.key);
        }
        hub.Pass();
        EXPECT_FALSE(host.image.Differs(before));
        EXPECT_EQ(result, EditorSignal::kNone);
        EXPECT_TRUE(grid.opened.empty());
        const EventLog::Seen* bar = events.Last(ev::kIndicatorText);
        ASSERT_NE(bar, nullptr);
        EXPECT_NE(bar->text.find(c.says), std::string::npos) << bar->text;
    }
    EXPECT_EQ(Call(CT_DscIndId, CL_DscIndId_Id, 0).displayText, "235123456");
    EXPECT_EQ(Call(CT_DscIndId, CL_DscIndId_Comment, 0).displayText, "OCEAN STAR");
    EXPECT_EQ(Call(CT_Null, CL_ComDsc_SelfId, 0).displayText, "366123456");
    // Where the user does choose them, the same keys work.
    host.modelType = 6;
    const uint8_t switches = Byte(0x0BB8);
    Call(CT_Null, CL_ComCom_Wx, 0, ' ');
    EXPECT_NE(Byte(0x0BB8), switches);
}

TEST_F(DispatchTest, AttributeChooserSetsMarksAndView) {
    Choose(CT_IntCh, CL_ChList_Atr, 12, 1);
    hub.Pass();
    EXPECT_EQ(Byte(0x0BB2 + 2), 12);
    EXPECT_EQ(req.displayText, "Used P");
    ASSERT_NE(events.Last(ev::kRedrawChannelSheet), nullptr);
    EXPECT_EQ(events.Last(ev::kRedrawChannelSheet)->first, 0);
    EXPECT_EQ(events.Last(ev::kRedrawChannelSheet)->mode, HubEvent::kPosted);

    // The P channel marked unused is an error, and the check cell finds it.
    Call(CT_IntCh, CL_ChList_Atr, 12, ' ');
    EXPECT_EQ(req.displayText, "Not used P");
    EXPECT_TRUE(req.resultFlags & cmcCellCapsule::kError);
    EXPECT_TRUE(CellError(CT_Null, CL_Check_Int_ChInh, 0));
    EXPECT_FALSE(CellError(CT_Null, CL_Check_Usa_ChInh, 0));

    Choose(CT_IntCh, CL_ChList_Atr, 12, 2);  // C mark clears unused as well
    EXPECT_EQ(Byte(0x0AB0 + 2), 12);
    EXPECT_EQ(Byte(0x04D0 + 12) & 0x80, 0);
    EXPECT_EQ(req.displayText, "Used PC");

    Choose(CT_IntCh, CL_ChList_Atr, 12, 4);
    hub.Pass();
    EXPECT_EQ(events.Last(ev::kRedrawChannelSheet)->first, 1);

    // In the usable-only view the other list is used and space does nothing.
    host.usableOnly = true;
    Call(CT_IntCh, CL_ChList_Atr, 13, ' ');
    EXPECT_EQ(req.displayText, ChoiceText(keys::kSheetSelChATRUse, 1, 0));
    EXPECT_EQ(Byte(0x04D0 + 13), 0);
    Call(CT_IntCh, CL_ChList_Atr, 13, cellkey::kEnter);
    ASSERT_FALSE(grid.opened.empty());
    EXPECT_EQ(grid.opened.back().sheet, "GI_Sheet_Sel_ChATRUse");
    EXPECT_EQ(result, EditorSignal::kChooser);
}

// "Used" and "Not used" set what they say from either state; Space still toggles.
TEST_F(DispatchTest, InUseChooserItemsDoWhatTheySay) {
    const int unusedByte = 0x04D0 + 30;
    const struct {
        bool unusedBefore;
        int item;
        bool unusedAfter;
    } cases[] = {{true, 0, false}, {false, 0, false}, {false, 3, true}, {true, 3, true}};
    for (const auto& c : cases) {
        host.image.SetByte(unusedByte, c.unusedBefore ? 0x80 : 0x00);
        Choose(CT_IntCh, CL_ChList_Atr, 30, c.item);
        EXPECT_EQ((Byte(unusedByte) & 0x80) != 0, c.unusedAfter)
            << "item " << c.item << " on a channel " << (c.unusedBefore ? "not " : "") << "in use";
    }
    host.image.SetByte(unusedByte, 0x00);
    Call(CT_IntCh, CL_ChList_Atr, 30, ' ');
    EXPECT_EQ(Byte(unusedByte) & 0x80, 0x80);
    Call(CT_IntCh, CL_ChList_Atr, 30, cellkey::kBackspace);
    EXPECT_EQ(Byte(unusedByte) & 0x80, 0);
}

TEST_F(DispatchTest, RestrictedCellsSwallowKeysAndSayWhy) {
    host.image.SetByte(0x04D0 + 20, 0x80);  // row 20 unused
    const struct {
        int label, row, key;
        bool reported;
    } cases[] = {
        {CL_ChList_Comment, 20, 'a', true},
        {CL_ChList_Comment, 20, cellkey::kF2, true},
        {CL_ChList_Tag, 20, ' ', true},
        {CL_ChList_Tag, 20, cellkey::kF2, false},
        {CL_ChList_Simp, 21, ' ', true},
        {CL_ChList_No, 4, 'x', true},
        {CL_ChList_Simp, 350, cellkey::kEnter, true},
        {CL_ChList_Comment, 22, 'a', false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(LabelName(c.label) + " row " + std::to_string(c.row));
        hub.Pass();
        events.seen.clear();
        grid.opened.clear();
        Call(CT_IntCh, c.label, c.row, c.key);
        hub.Pass();
        const EventLog::Seen* last = events.Last(ev::kIndicatorText);
        ASSERT_NE(last, nullptr);  // every key first clears the bottom bar
        if (c.reported) {
            EXPECT_EQ(last->text, OverlayLine(keys::kBotttomEditRestrected, 0));
            EXPECT_EQ(last->first, 0xFFFF);
            EXPECT_EQ(last->second, 0x80);
            EXPECT_EQ(result, EditorSignal::kNone);
            EXPECT_TRUE(grid.opened.empty());
        } else {
            EXPECT_EQ(last->text, "");
        }
    }
    EXPECT_EQ(Bytes(0x0F40 + 200, 10), std::string(10, '\0'));

    test::RecordingCanvas canvas;
    Call(CT_IntCh, CL_ChList_No, 4);
    cell.Category = CT_IntCh;
    req.Reset();
    req.cell = &cell;
    req.canvas = &canvas;
    DispatchCell(req, false);
    ASSERT_EQ(canvas.fontColors.size(), 1u);
    EXPECT_EQ(canvas.fontColors[0], 0x00008080u);
}

TEST_F(DispatchTest, EmptyAddressBookRowHandsTheKeyToItsId) {
    Call(CT_DscGrpId, CL_DscGrpId_Comment, 3, 'B');
    EXPECT_EQ(req.displayText, "");
    EXPECT_EQ(req.label, CL_DscGrpId_Id);
    EXPECT_EQ(req.gotoFlag, 1);
    EXPECT_EQ(req.replayKey, 'B');
    EXPECT_EQ(result, EditorSignal::kNone);
    Call(CT_DscGrpId, CL_DscGrpId_Id, 3, '0');
    EXPECT_EQ(result, EditorSignal::kEditor);
    EXPECT_EQ(req.displayText, "0");
    EXPECT_EQ(req.gotoFlag, 0);
}

TEST_F(DispatchTest, AddressBookChecks) {
    Commit(CT_DscIndId, CL_DscIndId_Id, 0, "211000001");
    hub.Pass();
    EXPECT_EQ(events.Last(ev::kRepaintLabel)->second, CL_DscIndId_Id);
    Commit(CT_DscIndId, CL_DscIndId_Comment, 0, "a");
    Commit(CT_DscIndId, CL_DscIndId_Id, 4, "211000001");
    EXPECT_EQ(Call(CT_DscIndId, CL_DscIndId_Id, 4).resultFlags & 0x0C, cmcCellCapsule::kWarning);
    EXPECT_EQ(Call(CT_DscIndId, CL_DscIndId_Id, 0).resultFlags & 0x0C, 0);
    EXPECT_TRUE(Call(CT_DscIndId, CL_DscIndId_Comment, 4).resultFlags & cmcCellCapsule::kError);
    EXPECT_EQ(CellCheckFlags(CT_Null, CL_Check_Dsc_Id, 0),
              cmcCellCapsule::kWarning | cmcCellCapsule::kError);

    Commit(CT_DscIndId, CL_DscIndId_Id, 5, "012345678");  // a group ID among individuals
    EXPECT_TRUE(Call(CT_DscIndId, CL_DscIndId_Id, 5).resultFlags & cmcCellCapsule::kError);
    Commit(CT_DscGrpId, CL_DscGrpId_Id, 0, "211000001");  // an individual among groups
    EXPECT_TRUE(CellError(CT_DscGrpId, CL_DscGrpId_Id, 0));
    EXPECT_EQ(CellCheckFlags(CT_Null, CL_Check_DscGrp_Id, 0), cmcCellCapsule::kError);
}

TEST_F(DispatchTest, CleanImagePassesEveryCheck) {
    host.image.SetByte(0x0BB8, 0x10);  // scan on: the soft keys' default function is usable
    for (int i = 0; i < 5; ++i) host.image.SetByte(0x2210 + i, 0xFF);  // no own ID yet
    // Weather channels: all ten unused is an error; one in use is not.
    host.image.SetByte(0x0BB0, 0xFF);
    host.image.SetByte(0x0BB1, 0x03);
    EXPECT_TRUE(CellError(CT_Null, CL_Check_WX_ChInh, 0));
    host.image.SetByte(0x0BB1, 0x01);
    for (int label = CL_Check_Int_ChInh; label <= CL_Check_Conf_Softkey; ++label)
        EXPECT_EQ(CellCheckFlags(CT_Null, label, 0), 0) << LabelName(label);
}

TEST_F(DispatchTest, RenderingNeverChangesTheImage) {
    std::mt19937 rng(3);
    for (int i = 0; i < host.image.Size(); ++i) host.image.SetByte(i, uint8_t(rng()));
    cmcEeprom before;
    before.Assign(host.image);
    for (int category = 0; category <= 10; ++category) {
        for (int label = 0; label <= 306; ++label) {
            for (int row : {0, 1, 16, 347, 417, 1060, -3}) {
                cell = cmcCellObj();
                cell.Category = category;
                cell.Label = label;
                cell.Index = row;
                req.Reset();
                req.cell = &cell;
                DispatchCell(req, false);
            }
        }
    }
    EXPECT_TRUE(host.image.Equals(before));
    EXPECT_TRUE(host.commands.empty());
    EXPECT_EQ(host.recheckArmed, 0);
    EXPECT_EQ(host.modifiedUpdates, 0);
}

TEST_F(DispatchTest, LabelsWithoutBehaviourSayYet) {
    for (int label : {int(CL_INT_ChNo), int(CL_ComDsc_CallRepeatF), int(CL_Fch_WN),
                      int(CL_Menu_Port_SpeedHigh), int(CL_PMenu_Edit)}) {
        Call(CT_IntCh, label, 2, 'x');
        EXPECT_EQ(req.displayText, std::to_string(label) + " *Yet*");
        EXPECT_EQ(result, EditorSignal::kNone);
    }
    // A record label outside its own table has no behaviour either.
    EXPECT_EQ(Call(CT_Null, CL_ChList_Tag, 2).displayText,
              std::to_string(CL_ChList_Tag) + " *Yet*");
}

TEST_F(DispatchTest, EnterKeysMenuCommandsAndNotify) {
    // Key 256 is Enter: a choice cell opens its chooser.
    Call(CT_IntCh, CL_ChList_Tag, 2, cellkey::kDoubleClick);
    EXPECT_EQ(result, EditorSignal::kChooser);
    ASSERT_EQ(grid.opened.size(), 1u);
    EXPECT_EQ(grid.opened[0].sheet, "GI_Sheet_Sel_ChTag");

    // Menu command Edit acts as Enter; row commands run inside the range only; Help opens help.
    FakeRows rows;
    host.rows = &rows;
    for (int command :
         {int(CL_PMenu_Edit), int(CL_PMenu_Copy), int(CL_PMenu_Insert), int(CL_PMenu_Help)}) {
        for (int row : {2, 9}) {
            cell = cmcCellObj();
            cell.Category = CT_IntCh;
            cell.Label = CL_ChList_Tag;
            cell.Index = row;
            req.Reset();
            req.cell = &cell;
            req.grid = &grid;
            req.menuCommand = command;
            DispatchCell(req, true);
        }
    }
    EXPECT_EQ(grid.opened.size(), 3u);
    EXPECT_EQ(rows.ran, (std::vector<int>{CL_PMenu_Copy, CL_PMenu_Insert}));
    EXPECT_EQ(host.helpOpened, (std::vector<int>{CL_ChList_Tag, CL_ChList_Tag}));
    EXPECT_EQ(host.recheckArmed, 9);
    EXPECT_EQ(host.modifiedUpdates, 9);

    struct Seen {
        int flags = -1;
        static void On(void* self, cmcCellCapsule&, int f) { static_cast<Seen*>(self)->flags = f; }
    } seen;
    for (auto [category, label, flags] :
         {std::tuple{CT_IntCh, CL_ChList_Tag, 0x09}, std::tuple{CT_Null, CL_Menu_File_New, 0x01}}) {
        cell = cmcCellObj();
        cell.Category = category;
        cell.Label = label;
        req.Reset();
        req.cell = &cell;
        req.notify = &Seen::On;
        req.user = &seen;
        DispatchCell(req, false);
        EXPECT_EQ(seen.flags, -1);
        DispatchCell(req, true);
        EXPECT_EQ(seen.flags, flags);
        seen.flags = -1;
    }
}

TEST_F(DispatchTest, CommandCellsRunAndShowMenuState) {
    cmcCellObj save;
    save.Label = CL_Menu_File_Save;
    CellRun(save, cellkey::kEnter);
    host.untitled = false;
    CellRun(save, cellkey::kDoubleClick);
    CellRun(save, ' ');
    ASSERT_EQ(host.commands.size(), 2u);
    EXPECT_EQ(host.commands[0].command, AppCommand::kSaveAs);
    EXPECT_EQ(host.commands[1].command, AppCommand::kSave);

    host.recent = {"", "a&b.kcf"};
    const struct {
        int label, index;
        uint8_t flags;
        const char* caption;
    } states[] = {
        {CL_Menu_File_Recent, 0, kFlagDisabled, nullptr},
        {CL_Menu_File_Recent, 2, kFlagDisabled | kFlagHidden, nullptr},
        {CL_Menu_File_Recent, 1, kFlagCaption, "&2 a&&b.kcf"},
        {CL_Menu_View_FontSize, 1, kFlagChecked, nullptr},
        {CL_Menu_View_FontSize, 2, 0, nullptr},
        {CL_Menu_View_ToolBar, 0, kFlagChecked, nullptr},
        {CL_Menu_Port_Com, 1, kFlagChecked, nullptr},
        {CL_Menu_Port_Usb, 0, 0, nullptr},
        {CL_Model, 2, kFlagChecked, nullptr},
        {CL_Model, 0, 0, nullptr},
        {CL_PMenu_NoItem, 0, kFlagDisabled | kFlagHidden, nullptr},
        {CL_PMenu_CarryUp, 0, kFlagDisabled, nullptr},
        {CL_PMenu_Paste, 0, kFlagDisabled, nullptr},
        {CL_PMenu_Clear, 0, kFlagDisabled, nullptr},
        {CL_Menu_File_Print_Current, 0, 0, nullptr},
    };
    for (const auto& s : states) {
        cmcCellObj item;
        item.Label = s.label;
        item.Index = s.index;
        CellText(item, 0);
        EXPECT_EQ(item.Flags, s.flags) << LabelName(s.label) << " " << s.index;
        if (s.caption != nullptr) {
            EXPECT_EQ(GetText(item), s.caption);
        }
    }

    // Popup items see the table of the cell the menu was opened on.
    FakeRows rows;
    host.rows = &rows;
    cmcCellObj opener;
    opener.Category = CT_IntCh;
    cmcCellCapsule openerReq;
    openerReq.cell = &opener;
    for (auto [label, category, row, disabled] :
         {std::tuple{CL_PMenu_Paste, CT_IntCh, 0, false},
          std::tuple{CL_PMenu_Paste, CT_FreeCh, 0, true},
          std::tuple{CL_PMenu_Clear, CT_FreeCh, 0, false},
          std::tuple{CL_PMenu_Clear, CT_IntCh, 0, true},
          std::tuple{CL_PMenu_Delete, CT_FreeCh, 0, false},
          std::tuple{CL_PMenu_Insert, CT_IntCh, 0, true},
          std::tuple{CL_PMenu_CarryUp, CT_IntCh, 3, false},
          std::tuple{CL_PMenu_CarryDown, CT_IntCh, 9, true}}) {  // outside the row range
        opener.Category = category;
        opener.Index = row;
        cell = cmcCellObj();
        cell.Category = CT_PopupMenu;
        cell.Label = label;
        req.Reset();
        req.cell = &cell;
        req.parent = &openerReq;
        DispatchCell(req, false);
        EXPECT_EQ(bool(cell.Flags & kFlagDisabled), disabled) << LabelName(label);
    }

    host.commands.clear();
    const struct {
        int label, index;
        AppCommand command;
        int argument;
    } runs[] = {
        {CL_Menu_Port_Com, 3, AppCommand::kSelectPort, 3},
        {CL_Menu_Port_ComList2, 0, AppCommand::kPortDialog, 2},
        {CL_Model, 6, AppCommand::kChangeModel, 6},
        {CL_Menu_File_Recent, 1, AppCommand::kOpenRecent, 1},
        {CL_Menu_Clone_Write, 0, AppCommand::kCloneWrite, 0},
        {CL_Menu_Clone_Fleet, 0, AppCommand::kCloneFleet, 0},
    };
    for (const auto& r : runs) {
        cmcCellObj item;
        item.Label = r.label;
        item.Index = r.index;
        CellRun(item, cellkey::kEnter);
        ASSERT_FALSE(host.commands.empty());
        EXPECT_EQ(host.commands.back().command, r.command) << LabelName(r.label);
        EXPECT_EQ(host.commands.back().argument, r.argument) << LabelName(r.label);
    }
    EXPECT_EQ(events.Count(ev::kMenusBuilt), 1);
    cmcCellObj sheet;
    sheet.Label = CallSheet;
    sheet.Argument = "GI_Sheet_IntCh";
    CellRun(sheet, cellkey::kEnter);
    EXPECT_EQ(host.commands.back().text, "GI_Sheet_IntCh");
}

TEST_F(DispatchTest, CloneInformationShowsUnprintableIdentityBytesAsSpaces) {
    host.infoRevision = std::string("1.0\0\0", 5);
    host.infoComment = std::string("BOAT\x01\x7F\xFF", 7);
    EXPECT_EQ(Call(CT_Null, CL_CloneInfo_Revision, 0).displayText, "1.0  ");
    EXPECT_EQ(Call(CT_Null, CL_CloneInfo_Comment, 0).displayText, "BOAT            ");
    host.infoRevision = "12345";
    EXPECT_EQ(Call(CT_Null, CL_CloneInfo_Revision, 0).displayText, "12345");
}

TEST_F(DispatchTest, PaintingCellsAndSoftKeyMarks) {
    test::RecordingCanvas canvas;
    cell = cmcCellObj();
    cell.Category = CT_Null;
    cell.Label = CL_Misc_QuarterPillar;
    req.Reset();
    req.cell = &cell;
    req.canvas = &canvas;
    req.rect = {10, 20, 30, 40};
    DispatchCell(req, false);
    ASSERT_EQ(canvas.fills.size(), 1u);
    EXPECT_EQ(canvas.fills[0].first.top, 34);
    EXPECT_EQ(canvas.fills[0].first.bottom, 40);
    EXPECT_EQ(canvas.fills[0].second, 0x00808080u);
    cell.Label = CL_CannotEdit;
    DispatchCell(req, false);
    ASSERT_EQ(canvas.lines.size(), 1u);
    EXPECT_EQ(canvas.lines[0].x1, 30);
    EXPECT_EQ(canvas.lines[0].y1, 20);
    EXPECT_EQ(canvas.lines[0].x2, 10);
    EXPECT_EQ(canvas.lines[0].y2, 40);

    cmcCellObj softKey;
    softKey.Label = CL_ComConf_KeyAssign_SoftKey;
    cmcCellCapsule opener;
    opener.cell = &softKey;
    for (auto [item, b8, b9, marked] :
         {std::tuple{0, 0x00, 0x00, true}, std::tuple{0, 0x10, 0x00, false},
          std::tuple{1, 0x00, 0x00, true}, std::tuple{1, 0x00, 0x40, false},
          std::tuple{2, 0x00, 0x00, false}}) {
        host.image.SetByte(0x0BB8, b8);
        host.image.SetByte(0x0BB9, b9);
        cell = cmcCellObj();
        cell.Label = CL_FlexMarking;
        cell.Index = item;
        req.Reset();
        req.cell = &cell;
        req.parent = &opener;
        DispatchCell(req, false);
        EXPECT_EQ(req.mark == MarkerPlace::kAfterText, marked) << item;
        EXPECT_EQ(bool(req.resultFlags & cmcCellCapsule::kError), marked) << item;
    }
}

// Arbitrary text committed into any record cell changes only bytes of that record.
TEST_F(DispatchTest, CommittedJunkStaysInsideItsRecord) {
    const std::string inputs[] = {
        "",      "zz",   "-1", "999999999999", "\xE2\x82\xAC\xC3", std::string(1000, '7'),
        "1.2.3", "156.8"};
    struct Target {
        int category, label, row;
        std::set<int> allowed;
    };
    auto range = [](int a, int n, std::set<int> extra = {}) {
        for (int i = 0; i < n; ++i) extra.insert(a + i);
        return extra;
    };
    const Target targets[] = {
        {CT_IntCh, CL_ChList_Comment, 5, range(0x0F40 + 50, 10)},
        {CT_IntCh, CL_ChList_Tag, 5, range(0x04D0 + 5, 1)},
        {CT_DscCh, CL_DSC_Comment, 2, range(0x0F40 + 40, 10)},
        {CT_WxCh, CL_WX_ChComment, 9, range(0x20C0 + 90, 10)},
        {CT_FreeCh, CL_Fch_FreqR, 69,
         range(0x0850 + 8 * 69, 8, {0x04D0 + 417, 0x0310 + 417, 0x0690 + 417})},
        {CT_FreeCh, CL_Fch_FreqT, 0, range(0x0850, 8, {0x04D0 + 348, 0x0310 + 348, 0x0690 + 348})},
        {CT_FreeCh, CL_Fch_ChName, 0, range(0x0850, 8, {0x04D0 + 348, 0x0310 + 348, 0x0690 + 348})},
        {CT_DscIndId, CL_DscIndId_Id, 74, range(0x2430 + 16 * 74, 16)},
        {CT_DscGrpId, CL_DscGrpId_Id, 24, range(0x2430 + 16 * 99, 16)},
        {CT_IntCh, CL_ChList_Comment, 418, {}},
        {CT_DscCh, CL_DSC_Comment, 29, {}},
    };
    std::mt19937 rng(11);
    for (int i = 0; i < host.image.Size(); ++i) host.image.SetByte(i, uint8_t(rng()));
    host.image.SetByte(0x2160 + 1, 0);  // DSC channel 2 in use
    for (const Target& t : targets) {
        for (const std::string& in : inputs) {
            cmcEeprom before;
            before.Assign(host.image);
            Commit(t.category, t.label, t.row, in);
            Choose(t.category, t.label, t.row, 1);
            for (int a = 0; a < host.image.Size(); ++a) {
                if (host.image.GetByte(a) != before.GetByte(a)) {
                    ASSERT_TRUE(t.allowed.count(a))
                        << LabelName(t.label) << " row " << t.row << " changed " << std::hex << a;
                }
            }
        }
    }
}

}  // namespace

namespace {

TEST_F(DispatchTest, SettingsAndDebugCellsAnswerThroughTheDispatcher) {
    Call(CT_Null, CL_ComDsc_IntCh, 0, ' ');
    EXPECT_EQ(Byte(0x2224) & 0x02, 0x02);
    EXPECT_EQ(host.recheckArmed, 1);

    // Rows 8 and 10 of the call table must agree; the check cell sees it.
    EXPECT_FALSE(CellError(CT_Null, CL_Check_Dsc_Tx, 0));
    host.image.SetByte(0x2227 + 7 * 8, 1);
    EXPECT_TRUE(CellError(CT_Null, CL_Check_Dsc_Tx, 0));

    host.image.SetByte(0x0013, 0xA7);
    EXPECT_EQ(Call(CT_Null, CL_EeDebugWin_3, 1).displayText, "A7");
}

}  // namespace
