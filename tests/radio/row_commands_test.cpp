#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/RowCautions.h"
#include "base/EventCodes.h"
#include "base/ScopedInstall.h"
#include "base/cmcEvMan.h"
#include "radio/MemoryMap.h"
#include "radio/RecordRowCommands.h"
#include "radio/cmcCellCapsule.h"
#include "radio/cmcEeprom.h"
#include "radio/datCh.h"
#include "radio/datClipCh.h"
#include "sheet/CellCatalogue.h"
#include "support/ManualClock.h"
#include "support/ScriptedPrompter.h"
#include "text/cmcGTex.h"

namespace {

constexpr int kInd = mm::kDscIndId;

class RowCommandTest : public testing::Test {
  protected:
    RowCommandTest() : commands(clipboard) {
        commands.SetCautionAsker(&AskRowCaution);
        text.BindLines({"#GI_Sys_AppTitle",
                        "KELDA",
                        "#GI_AppMess_S_Copy",
                        "Copied",
                        "#GI_AppMess_S_Paste",
                        "Pasted",
                        "#GI_AppMess_S_Clear",
                        "Cleared",
                        "#GI_AppMess_S_Delete",
                        "Deleted",
                        "#GI_AppMess_S_Insert",
                        "Inserted",
                        "#GI_AppMess_Conv_Overwrite",
                        "Overwrite?",
                        "#GI_AppMess_Conv_Clear",
                        "Clear?",
                        "#GI_AppMess_Conv_Delete",
                        "Delete?",
                        "#GI_AppMess_Conv_Overflow",
                        "Overflow?",
                        "#End_Of_Ovl"});
        image.SetSize(cmcEeprom::kImageSize);
        for (int row = 0; row < 100; ++row) Blank(row);
        hub.Subscribe(&RowCommandTest::OnEvent, this);
    }
    ~RowCommandTest() override { hub.Unsubscribe(&RowCommandTest::OnEvent, this); }
    static void OnEvent(void* self, HubEvent& e) {
        auto* t = static_cast<RowCommandTest*>(self);
        t->events.push_back(e.code == ev::kIndicatorText
                                ? "4:" + std::string(e.Text())
                                : std::to_string(e.code) + ":" + std::to_string(e.second));
    }

    // Individual ID rows 0-74 then group rows 75-99 share one record array.
    int Address(int row) const { return 0x2430 + 16 * row; }
    void Blank(int row) {
        for (int i = 0; i < 16; ++i) image.SetByte(Address(row) + i, i >= 5 && i < 15 ? ' ' : 0xFF);
    }
    // An individual ID whose digits all are `d` (first byte 11 d).
    void Put(int row, int d) {
        for (int i = 0; i < 5; ++i) image.SetByte(Address(row) + i, static_cast<uint8_t>(11 * d));
        image.SetByte(Address(row) + 4, static_cast<uint8_t>(10 * d));
        image.SetByte(Address(row) + 5, static_cast<uint8_t>('A' + d));
        image.SetByte(Address(row) + 15, 0);
    }
    // What each row of the individual table holds: its digit, or 0 for an empty row.
    std::vector<int> Rows(int first, int count) {
        std::vector<int> out;
        for (int r = first; r < first + count; ++r) {
            const int b = image.GetByte(Address(r));
            out.push_back(b == 0xFF ? 0 : b / 11);
        }
        return out;
    }

    void Run(int command, int row, int table = kInd, int blockFirst = -1, int blockLast = -1) {
        req.Reset();
        if (blockFirst >= 0) {
            req.rowSelFlags = cmcCellCapsule::kRowBlock;
            req.rowSelFirst = blockFirst;
            req.rowSelLast = blockLast;
        }
        record.image = &image;
        record.Load(table, row);
        commands.Run(command, req, record);
        hub.Pass();
    }

    test::ManualClock clock;
    cmcEvMan hub;
    ScopedInstall<InstallEvMan> hubSlot{&hub};
    cmcGTex text;
    ScopedInstall<InstallGTex> textSlot{&text};
    test::ScriptedPrompter prompts;
    cmcEeprom image;
    datClipCh clipboard;
    RecordRowCommands commands;
    cmcCellCapsule req;
    datCh record;
    std::vector<std::string> events;
};

TEST_F(RowCommandTest, RangesAndClearPermission) {
    const struct {
        int table, last;
        bool clear;
    } cases[] = {{mm::kIntCh, 417, false}, {mm::kUsaCh, 417, false}, {mm::kCanCh, 417, false},
                 {mm::kWxCh, 9, false},    {mm::kFreeCh, 69, true},  {mm::kDscIndId, 74, true},
                 {mm::kDscGrpId, 24, true}};
    for (const auto& c : cases) {
        EXPECT_TRUE(commands.InRange(c.table, 0));
        EXPECT_TRUE(commands.InRange(c.table, c.last));
        EXPECT_FALSE(commands.InRange(c.table, c.last + 1));
        EXPECT_EQ(commands.CanClear(c.table), c.clear);
    }
    EXPECT_FALSE(commands.InRange(mm::kDscCh, 16));
    EXPECT_FALSE(commands.InRange(0, 0));
}

TEST_F(RowCommandTest, CopyAndPasteIntoEmptyRowsAsksNothing) {
    Put(2, 1);
    Put(3, 2);
    Run(CL_PMenu_Copy, 2, kInd, 2, 3);
    EXPECT_TRUE(commands.CanPaste(kInd));
    EXPECT_FALSE(commands.CanPaste(mm::kDscGrpId));
    EXPECT_EQ(req.rowSelFlags & cmcCellCapsule::kRowMarkRequest, cmcCellCapsule::kRowMarkRequest);
    EXPECT_EQ(events, std::vector<std::string>{"4:Copied"});

    events.clear();
    Run(CL_PMenu_Paste, 10);
    EXPECT_TRUE(prompts.shown().empty());
    EXPECT_EQ(Rows(9, 4), (std::vector<int>{0, 1, 2, 0}));
    EXPECT_EQ(image.GetByte(Address(10) + 5), 'B');
    EXPECT_EQ(req.rowSelFirst, 10);
    EXPECT_EQ(req.rowSelLast, 11);
    EXPECT_EQ(events, (std::vector<std::string>{"4:Pasted", "13:0"}));
}

TEST_F(RowCommandTest, PasteOverEntriesAsksAndCancelKeepsThem) {
    Put(0, 1);
    Put(5, 7);
    Run(CL_PMenu_Copy, 0);
    prompts.Answer(platform::kAnswerCancel);
    Run(CL_PMenu_Paste, 5);
    ASSERT_EQ(prompts.shown().size(), 1u);
    EXPECT_EQ(prompts.shown()[0].text, "Overwrite?");
    EXPECT_EQ(prompts.shown()[0].caption, "KELDA");
    EXPECT_EQ(prompts.shown()[0].icon, platform::PromptIcon::Warning);
    EXPECT_EQ(Rows(5, 1), std::vector<int>{7});

    events.clear();
    Run(CL_PMenu_Paste, 5);  // answered OK
    EXPECT_EQ(Rows(5, 1), std::vector<int>{1});
    EXPECT_EQ(events, (std::vector<std::string>{"4:Pasted", "16:5"}));
}

TEST_F(RowCommandTest, PasteAtTheLastRowPastesWhatFits) {
    Put(0, 1);
    Put(1, 2);
    Put(2, 3);
    Run(CL_PMenu_Copy, 0, kInd, 0, 2);
    Run(CL_PMenu_Paste, 74);
    EXPECT_EQ(Rows(74, 1), std::vector<int>{1});
    EXPECT_EQ(image.GetByte(Address(75)), 0xFF);  // the group table is untouched
}

TEST_F(RowCommandTest, CarryMovesTheBlockPastItsNeighbour) {
    for (int r = 0; r < 5; ++r) Put(r, r + 1);
    Run(CL_PMenu_CarryUp, 0, kInd, 0, 1);  // touches the first row: nothing
    EXPECT_EQ(Rows(0, 5), (std::vector<int>{1, 2, 3, 4, 5}));
    EXPECT_TRUE(events.empty());

    Run(CL_PMenu_CarryUp, 2, kInd, 2, 3);
    EXPECT_EQ(Rows(0, 5), (std::vector<int>{1, 3, 4, 2, 5}));
    EXPECT_EQ(req.gotoFlag, 1);
    EXPECT_EQ(req.row, 1);
    EXPECT_EQ(req.rowSelFirst, 1);
    EXPECT_EQ(req.rowSelLast, 2);

    Run(CL_PMenu_CarryDown, 1, kInd, 1, 2);
    EXPECT_EQ(Rows(0, 5), (std::vector<int>{1, 2, 3, 4, 5}));
    EXPECT_EQ(req.row, 3);
    EXPECT_EQ(events, (std::vector<std::string>{"13:0", "13:0"}));

    Put(74, 9);
    Run(CL_PMenu_CarryDown, 74);  // touches the last row: nothing
    EXPECT_EQ(Rows(74, 1), std::vector<int>{9});
}

TEST_F(RowCommandTest, ClearNeedsPermissionAndConfirmation) {
    Put(4, 4);
    Put(5, 5);
    prompts.Answer(platform::kAnswerCancel);
    Run(CL_PMenu_Clear, 4, kInd, 4, 5);
    EXPECT_EQ(Rows(4, 2), (std::vector<int>{4, 5}));
    Run(CL_PMenu_Clear, 4, kInd, 4, 5);
    EXPECT_EQ(Rows(4, 2), (std::vector<int>{0, 0}));
    EXPECT_EQ(image.GetByte(Address(4) + 15), 0xFF);
    EXPECT_EQ(image.GetByte(Address(4) + 5), ' ');
    EXPECT_EQ(events, (std::vector<std::string>{"4:Cleared", "16:4", "16:5"}));

    // Channel rows cannot be cleared: no question, no change.
    prompts.Clear();
    image.SetByte(0x0F40, 'X');
    Run(CL_PMenu_Clear, 0, mm::kUsaCh);
    Run(CL_PMenu_Delete, 0, mm::kUsaCh);
    Run(CL_PMenu_Insert, 0, mm::kUsaCh);
    EXPECT_TRUE(prompts.shown().empty());
    EXPECT_EQ(image.GetByte(0x0F40), 'X');
}

TEST_F(RowCommandTest, DeleteClosesTheGapAndInsertOpensOne) {
    for (int r = 0; r < 5; ++r) Put(r, r + 1);
    Put(74, 9);
    Run(CL_PMenu_Delete, 1, kInd, 1, 2);
    EXPECT_EQ(prompts.shown().size(), 1u);  // the rows held entries
    EXPECT_EQ(Rows(0, 4), (std::vector<int>{1, 4, 5, 0}));
    EXPECT_EQ(Rows(72, 3), (std::vector<int>{9, 0, 0}));
    EXPECT_EQ(req.row, 1);
    EXPECT_EQ(req.gotoFlag, 1);
    EXPECT_EQ(req.rowSelFlags & cmcCellCapsule::kRowBlock, 0);

    prompts.Clear();
    Run(CL_PMenu_Delete, 10);  // an empty row goes without a question
    EXPECT_TRUE(prompts.shown().empty());

    Run(CL_PMenu_Insert, 1, kInd, 1, 2);  // the rows pushed out are empty
    EXPECT_TRUE(prompts.shown().empty());
    EXPECT_EQ(Rows(0, 6), (std::vector<int>{1, 0, 0, 4, 5, 0}));
    EXPECT_EQ(Rows(71, 4), (std::vector<int>{0, 0, 9, 0}));
    EXPECT_EQ(req.rowSelFirst, 1);
    EXPECT_EQ(req.rowSelLast, 2);

    Put(74, 8);
    prompts.Answer(platform::kAnswerCancel);
    Run(CL_PMenu_Insert, 0);  // would push row 74 out
    EXPECT_EQ(prompts.shown().back().text, "Overflow?");
    EXPECT_EQ(Rows(73, 2), (std::vector<int>{9, 8}));
    EXPECT_EQ(Rows(0, 1), std::vector<int>{1});
}

// With the channel lists showing usable channels only, a block, a paste or a carry that would
// take in a channel the list leaves out is refused and changes nothing; with all channels shown
// the same commands run.
TEST_F(RowCommandTest, InTheUsableOnlyViewCommandsReachingHiddenChannelsAreRefused) {
    static bool usableOnly = true;
    commands.SetUsableOnlyQuery([] { return usableOnly; });
    const auto mark = [&](int row, bool unused, uint8_t marks) {
        datCh ch(&image);
        ch.Load(mm::kIntCh, row);
        ch.flags = unused ? (ch.flags | datCh::kUnused) : (ch.flags & ~datCh::kUnused);
        ch.marks = marks;
        ch.Store();
    };
    for (int row = 0; row < 8; ++row) mark(row, false, 0);
    mark(3, true, 0);              // hidden
    mark(6, true, datCh::kMarkC);  // not in use, yet shown as the C channel
    const std::vector<uint8_t> before(image.Bytes(), image.Bytes() + image.Size());
    const auto unchanged = [&] { return std::equal(before.begin(), before.end(), image.Bytes()); };

    const struct {
        int command, row, first, last;
    } refused[] = {
        {CL_PMenu_Copy, 2, 2, 4},         // the block spans channel 3
        {CL_PMenu_CarryDown, 2, -1, -1},  // its neighbour is channel 3
        {CL_PMenu_CarryUp, 4, -1, -1},
    };
    for (const auto& c : refused) {
        Run(c.command, c.row, mm::kIntCh, c.first, c.last);
        EXPECT_STREQ(req.refusal, "GI_Botttom_HiddenRows") << c.command;
        EXPECT_TRUE(unchanged()) << c.command;
    }
    Run(CL_PMenu_Copy, 4, mm::kIntCh, 4, 6);  // channel 6 is shown: the C channel
    EXPECT_EQ(req.refusal, nullptr);
    prompts.Answer(platform::kAnswerOk);
    Run(CL_PMenu_Paste, 2, mm::kIntCh);  // three rows from 2 take in channel 3
    EXPECT_STREQ(req.refusal, "GI_Botttom_HiddenRows");
    EXPECT_TRUE(unchanged());

    usableOnly = false;
    prompts.Answer(platform::kAnswerOk);
    Run(CL_PMenu_Paste, 2, mm::kIntCh);
    EXPECT_EQ(req.refusal, nullptr);
    EXPECT_FALSE(unchanged());
    usableOnly = true;
}

TEST_F(RowCommandTest, FreeChannelsMoveWithTheirFrequencies) {
    const int a = 0x0850;
    // Row 0: 156.800 MHz both ways.
    image.SetByte(a + 0, 10132 & 0xFF);
    image.SetByte(a + 1, 10132 >> 8);
    image.SetByte(a + 2, 12544 & 0xFF);
    image.SetByte(a + 3, 12544 >> 8);
    for (int i = 4; i < 7; ++i) image.SetByte(a + i, 'F');
    image.SetByte(a + 7, 0);
    Run(CL_PMenu_Copy, 0, mm::kFreeCh);
    Run(CL_PMenu_Paste, 3, mm::kFreeCh);
    for (int i = 0; i < 8; ++i) EXPECT_EQ(image.GetByte(a + 24 + i), image.GetByte(a + i)) << i;
    // Its channel-table rows are simplex now, like the original's.
    EXPECT_EQ(image.GetByte(0x0310 + 348 + 3) & 0x02, 0x02);

    prompts.Answer(platform::kAnswerOk);
    Run(CL_PMenu_Clear, 3, mm::kFreeCh);
    EXPECT_EQ(image.GetByte(a + 24), 0xFF);
    EXPECT_EQ(image.GetByte(a + 24 + 4), ' ');
}

}  // namespace
