#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/EventCodes.h"
#include "base/ScopedInstall.h"
#include "base/cmcEvMan.h"
#include "radio/CompareBaseImage.h"
#include "radio/DebugCells.h"
#include "radio/cmcCellCapsule.h"
#include "radio/cmcEeprom.h"
#include "sheet/CellCatalogue.h"
#include "sheet/cmcCellObj.h"
#include "support/CellDoubles.h"
#include "support/ManualClock.h"

namespace {

class DebugCellTest : public testing::Test {
  protected:
    DebugCellTest() {
        image.SetSize(cmcEeprom::kImageSize);
        base.SetSize(cmcEeprom::kImageSize);
        context.image = &image;
        context.compareBase = &base;
        hub.Subscribe(&DebugCellTest::OnEvent, this);
    }
    ~DebugCellTest() override { hub.Unsubscribe(&DebugCellTest::OnEvent, this); }
    static void OnEvent(void* self, HubEvent& e) {
        static_cast<DebugCellTest*>(self)->events.push_back({e.code, e.second});
    }

    // The byte cell of an address, as the debug grid binds it.
    cmcCellCapsule& Byte(int address, int key = 0, CommitMode commitMode = CommitMode::kNone,
                         const char* input = "", bool current = false) {
        cell = cmcCellObj();
        cell.Label = CL_EeDebugWin_0 + address % 16;
        cell.Index = address / 16;
        req.Reset();
        req.cell = &cell;
        req.key = key;
        if (key != 0) req.grid = &grid;
        req.commitMode = commitMode;
        req.inputText = input;
        req.canvas = &canvas;
        if (current) req.resultFlags = cmcCellCapsule::kSelected;
        canvas.fontColors.clear();
        context.statusLine.clear();
        EXPECT_TRUE(DispatchDebugCell(req, context));
        hub.Pass();
        return req;
    }
    bool Red() const {
        return !canvas.fontColors.empty() && canvas.fontColors.back() == cellcolor::kRed;
    }

    test::ManualClock clock;
    cmcEvMan hub;
    ScopedInstall<InstallEvMan> hubSlot{&hub};
    test::InstalledOverlay overlay;
    cmcEeprom image, base;
    DebugCellContext context;
    test::RecordingGrid grid;
    test::RecordingCanvas canvas;
    cmcCellObj cell;
    cmcCellCapsule req;
    std::vector<std::pair<int, int>> events;
};

TEST_F(DebugCellTest, CommitsHexDigitsAndBitWindowValues) {
    const struct {
        CommitMode mode;
        const char* input;
        int stored;
    } cases[] = {
        {CommitMode::kText, "7", 0x07},          {CommitMode::kText, "a5", 0xA5},
        {CommitMode::kText, "x1F9", 0x1F},       {CommitMode::kText, "zz", 0x33},
        {CommitMode::kChoice, "47972352", 0xB7},  // 0xB7 << 18
    };
    for (const auto& c : cases) {
        image.SetByte(0x0123, 0x33);
        events.clear();
        Byte(0x0123, 0, c.mode, c.input);
        EXPECT_EQ(image.GetByte(0x0123), c.stored) << c.input;
        EXPECT_EQ(events.empty(), c.stored == 0x33) << c.input;  // a change redraws (13)
    }
}

TEST_F(DebugCellTest, DiffersFromTheBaseInRedUntilTheBaseIsSet) {
    image.SetByte(0x0010, 0xAB);
    EXPECT_EQ(Byte(0x0010).displayText, "AB");
    EXPECT_TRUE(Red());
    Byte(0x0011);
    EXPECT_FALSE(Red());
    base.Assign(image);  // what event 8 does
    Byte(0x0010);
    EXPECT_FALSE(Red());
}

TEST_F(DebugCellTest, CurrentCellReportsByteAndWord) {
    image.SetByte(0x0200, 0xFE);
    image.SetByte(0x0201, 0xFF);
    Byte(0x0200, 0, CommitMode::kNone, "", true);
    EXPECT_EQ(context.statusLine, "FE, 254, -2, \nFFFE, 65534, -2");
    Byte(0x0201);
    EXPECT_EQ(context.statusLine, "");
    EXPECT_EQ(DebugStatusText(image, 0x7FFF), "00, 0, 0, \n0000, 0, 0");  // last byte: no word
}

TEST_F(DebugCellTest, FunctionKeysFindTheNextDifference) {
    image.SetByte(0x0010, 1);
    image.SetByte(0x2000, 1);
    const struct {
        int from, key, to;  // -1: nothing found, nothing posted
    } cases[] = {
        {0x3FFF, cellkey::kF3, 0x0010},  // wraps around
        {0x0010, cellkey::kF3, 0x2000}, {0x2000, cellkey::kF3, 0x0010},
        {0x2000, cellkey::kF2, 0x0010}, {0x0010, cellkey::kF2, -1},  // backward does not wrap
    };
    for (const auto& c : cases) {
        events.clear();
        Byte(c.from, c.key);
        if (c.to < 0) {
            EXPECT_TRUE(events.empty());
        } else {
            EXPECT_EQ(events, (std::vector<std::pair<int, int>>{{ev::kDebugGoto, c.to}}));
        }
    }
}

TEST_F(DebugCellTest, KeysOpenTheEditorOrTheBitWindow) {
    image.SetByte(0x0040, 0x05);
    Byte(0x0040, 'c');
    EXPECT_EQ(req.signal, EditorSignal::kEditor);
    EXPECT_EQ(req.displayText, "c");
    Byte(0x0040, 'g');
    EXPECT_EQ(req.signal, EditorSignal::kNone);
    Byte(0x0040, cellkey::kEnter);
    EXPECT_EQ(req.signal, EditorSignal::kChooser);
    ASSERT_EQ(grid.opened.size(), 1u);
    EXPECT_EQ(grid.opened[0].listLabel, CL_FBits);
    EXPECT_EQ(grid.opened[0].value, 0x05 << 18);
}

TEST_F(DebugCellTest, AddressColumnDecimalByteAndMenuCommands) {
    cell = cmcCellObj();
    cell.Label = CL_EeDebugWin_Adr;
    cell.Index = 0x3F;
    req.Reset();
    req.cell = &cell;
    DispatchDebugCell(req, context);
    EXPECT_EQ(req.displayText, " 3F0");

    cell.Label = CL_Free_Byte_Dec;
    cell.Index = 0x0100;
    req.Reset();
    req.cell = &cell;
    req.commitMode = CommitMode::kText;
    req.inputText = "300";
    DispatchDebugCell(req, context);
    EXPECT_EQ(image.GetByte(0x0100), 0);  // a byte holds 0-255: refused, not bent to 255
    EXPECT_STREQ(req.refusal, "GI_Botttom_EnterNumber");
    req.inputText = "200";
    DispatchDebugCell(req, context);
    EXPECT_EQ(image.GetByte(0x0100), 200);

    const struct {
        int label, event;
    } menus[] = {{CL_Menu_Debug_Compare, ev::kDebugCompare},
                 {CL_Menu_Debug_CorrectComp, ev::kCopyCompareBase},
                 {CL_Menu_Debug_Window, ev::kOpenFreeDebug},
                 {CL_Menu_Debug_EeWindow, ev::kOpenEepromDebug}};
    for (const auto& m : menus) {
        events.clear();
        cell.Label = m.label;
        req.Reset();
        req.cell = &cell;
        DispatchDebugCell(req, context);  // drawing the menu runs nothing
        req.key = cellkey::kEnter;
        DispatchDebugCell(req, context);
        EXPECT_EQ(events, (std::vector<std::pair<int, int>>{{m.event, 0}}));
    }
}

// A row far outside the image (where row x 16 would overflow an int and wrap onto a real
// byte) names no byte: the cell shows nothing and a commit changes nothing.
TEST_F(DebugCellTest, IndexesOutsideTheGridOrImageShowAndChangeNothing) {
    for (int a = 0; a < image.Size(); ++a) image.SetByte(a, 0x5A);
    const struct {
        int label, index;
    } cases[] = {
        {CL_EeDebugWin_5, 268435456}, {CL_EeDebugWin_0, 0x7FFFFFFF},  {CL_EeDebugWin_F, -1},
        {CL_EeDebugWin_0, 1024},      {CL_EeDebugWin_Adr, 268435456}, {CL_Free_Byte_Dec, 32768},
        {CL_Free_Byte_Dec, -1},
    };
    cmcEeprom before;
    before.Assign(image);
    for (const auto& c : cases) {
        SCOPED_TRACE(LabelName(c.label) + "[" + std::to_string(c.index) + "]");
        EXPECT_EQ(DebugCellAddress(image, c.label, c.index), -1);
        cell = cmcCellObj();
        cell.Label = c.label;
        cell.Index = c.index;
        for (CommitMode mode : {CommitMode::kNone, CommitMode::kText}) {
            req.Reset();
            req.cell = &cell;
            req.commitMode = mode;
            req.inputText = "12";
            EXPECT_TRUE(DispatchDebugCell(req, context));
            EXPECT_EQ(req.displayText, "");
        }
    }
    EXPECT_FALSE(image.Differs(before));
    EXPECT_EQ(DebugCellAddress(image, CL_EeDebugWin_F, 1023), 0x3FFF);
    EXPECT_EQ(DebugCellAddress(image, CL_Free_Byte_Dec, 0x7FFF), 0x7FFF);
}

TEST_F(DebugCellTest, CompareListsDifferencesOnce) {
    image.SetByte(0x0005, 0x12);
    image.SetByte(0x471F, 0x80);
    EXPECT_EQ(DebugCompareText(base, image), "0005 : 00 -> 12\n471F : 00 -> 80");
    base.Assign(image);
    EXPECT_EQ(DebugCompareText(base, image), "");
    cmcEeprom small;
    small.SetSize(16);
    EXPECT_EQ(DebugCompareText(small, image), "Not match size !");
}

TEST_F(DebugCellTest, EventEightAndTheCompareRenewTheBase) {
    cmcEeprom scratch;
    CompareBaseImage compare(image, scratch);
    image.SetByte(0x0005, 0x12);
    hub.Send(ev::kCopyCompareBase);
    EXPECT_TRUE(scratch.Equals(image));
    context.compareBase = &scratch;
    Byte(0x0005);
    EXPECT_FALSE(Red());  // after "Set Comp" nothing is red

    image.SetByte(0x0006, 0x34);
    EXPECT_EQ(compare.Compare(), "0006 : 00 -> 34");
    EXPECT_EQ(compare.Compare(), "");  // a compare right after another lists nothing
}

}  // namespace
