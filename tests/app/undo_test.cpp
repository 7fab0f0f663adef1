// Undo and redo of the working image: the history on its own (steps, caps, pending changes) and
// the application object's steps for edits, row commands, model changes and reads.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "app/Services.h"
#include "app/UndoHistory.h"
#include "app/indEnviron.h"
#include "app/indMain.h"
#include "base/cmcEvMan.h"
#include "comm/indCloneMan.h"
#include "radio/CellDispatchHost.h"
#include "radio/CellDispatcher.h"
#include "radio/MemoryMap.h"
#include "sheet/CellCatalogue.h"
#include "support/ManualClock.h"
#include "support/ScriptedPrompter.h"
#include "support/SimOnPty.h"
#include "text/cmcGTex.h"

namespace {

UndoWhat Named(int row) {
    UndoWhat w;
    w.kind = UndoWhat::kCellEdit;
    w.row = row;
    return w;
}

class History : public testing::Test {
  protected:
    History() {
        image.SetSize(cmcEeprom::kImageSize);
        history.Reset(image);
    }
    cmcEeprom image;
    UndoHistory history;
};

TEST_F(History, StepsPutBackExactlyTheirBytesAndANewStepDropsTheRedoSteps) {
    image.SetByte(10, 1);
    image.SetByte(30000, 2);  // far apart: two runs in one step
    ASSERT_TRUE(history.Commit(image, Named(1)));
    EXPECT_FALSE(history.Commit(image, Named(9)));  // nothing changed: no step
    image.SetByte(10, 3);
    ASSERT_TRUE(history.Commit(image, Named(2)));

    std::vector<UndoHistory::Range> changed;
    ASSERT_TRUE(history.Undo(image, &changed));
    EXPECT_EQ(image.GetByte(10), 1);
    ASSERT_EQ(changed.size(), 1u);
    EXPECT_EQ(changed[0].first, 10);
    EXPECT_EQ(history.NextRedo()->row, 2);
    ASSERT_TRUE(history.Undo(image));
    EXPECT_EQ(image.GetByte(10), 0);
    EXPECT_EQ(image.GetByte(30000), 0);
    EXPECT_FALSE(history.Undo(image));

    ASSERT_TRUE(history.Redo(image));
    EXPECT_EQ(image.GetByte(30000), 2);
    image.SetByte(5, 7);  // an edit after an undo: the old future goes
    ASSERT_TRUE(history.Commit(image, Named(3)));
    EXPECT_FALSE(history.CanRedo());
    EXPECT_FALSE(history.Redo(image));
    EXPECT_EQ(history.NextUndo()->row, 3);
}

TEST_F(History, AChangeNotYetAStepIsUndoneFirstAndAbsorbedBytesAreNoStep) {
    image.SetByte(100, 1);
    history.Commit(image, Named(1));
    image.SetByte(200, 2);  // changed behind the history's back
    ASSERT_TRUE(history.Undo(image));
    EXPECT_EQ(image.GetByte(200), 0);
    EXPECT_EQ(image.GetByte(100), 1);
    EXPECT_EQ(history.UndoCount(), 1u);

    image.SetByte(300, 3);
    history.Absorb(image);  // as the adoption before a save
    EXPECT_FALSE(history.Commit(image, Named(2)));
    ASSERT_TRUE(history.Undo(image));
    EXPECT_EQ(image.GetByte(100), 0);
    EXPECT_EQ(image.GetByte(300), 3);
}

TEST_F(History, TheCapsDropTheOldestSteps) {
    struct Case {
        UndoHistory::Limits limits;
        int stepBytes;  // bytes each step changes
        size_t kept;
    };
    const Case cases[] = {
        {{5, size_t{8} << 20}, 1, 5},  // the step cap
        {{1000, 200000}, 20000, 4},    // the byte cap: each step holds about 40 kB
        {{1000, 1000}, 20000, 0},      // a step larger than the whole cap is not kept
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.stepBytes);
        image.Fill(0);
        history.Reset(image);
        history.SetLimits(c.limits);
        for (int step = 1; step <= 8; ++step) {
            for (int a = 0; a < c.stepBytes; ++a) image.SetByte(a, static_cast<uint8_t>(step));
            history.Commit(image, Named(step));
            EXPECT_LE(history.HeldBytes(), c.limits.bytes);
        }
        EXPECT_EQ(history.UndoCount(), c.kept);
        while (history.Undo(image)) {
        }
        // The oldest kept step puts back what was before it, never the first state.
        EXPECT_EQ(image.GetByte(0), c.kept == 0 ? 8 : 8 - c.kept);
    }
}

TEST_F(History, AThousandOneByteStepsStayFarBelowTheByteCap) {
    for (int step = 0; step < 1500; ++step) {
        image.SetByte((step * 37) % cmcEeprom::kImageSize, static_cast<uint8_t>(step | 1));
        history.Commit(image, Named(step));
    }
    EXPECT_EQ(history.UndoCount(), 1000u);
    EXPECT_LT(history.HeldBytes(), size_t{1} << 20);
}

// The application object with the shipped overlay and the factory image of the start model,
// wired as the programs wire it.
class AppUndo : public testing::Test {
  protected:
    void SetUp() override {
        ServiceSetup setup;
        setup.dataFolder = KELDA_BIN_DIR;
        services = WireServices(std::move(setup));
        app = &services->App();
    }
    void TearDown() override { services.reset(); }
    void Type(int category, int label, int row, const std::string& value) {
        cmcCellObj cell;
        cell.Category = category;
        cell.Label = label;
        cell.Index = row;
        cmcCellCapsule req;
        req.cell = &cell;
        req.commitMode = CommitMode::kText;
        req.inputText = value;
        DispatchCell(req, false);
    }
    void RowCommand(int category, int command, int first, int last) {
        cmcCellObj cell;
        cell.Category = category;
        cell.Label = category == CT_DscIndId ? CL_DscIndId_Comment : CL_ChList_Comment;
        cell.Index = first;
        cmcCellCapsule req;
        req.cell = &cell;
        req.menuCommand = command;
        req.rowSelFlags = cmcCellCapsule::kRowBlock;
        req.rowSelFirst = first;
        req.rowSelLast = last;
        DispatchCell(req, false);
    }
    std::vector<uint8_t> Bytes() {
        const uint8_t* b = app->Working().Bytes();
        return {b, b + app->Working().Size()};
    }

    test::ManualClock clock;
    test::ScriptedPrompter prompts;
    std::unique_ptr<Services> services;
    indMain* app = nullptr;
};

TEST_F(AppUndo, ARandomRunOfEditsAndRowCommandsUndoesToTheStartAndRedoesToTheEnd) {
    const std::vector<uint8_t> start = Bytes();
    std::mt19937 random(20);
    auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
    const int rowCommands[] = {CL_PMenu_Copy,      CL_PMenu_Paste, CL_PMenu_CarryUp,
                               CL_PMenu_CarryDown, CL_PMenu_Clear, CL_PMenu_Delete,
                               CL_PMenu_Insert};
    for (int i = 0; i < 120; ++i) {
        const std::string text = "N" + std::to_string(i);
        switch (pick(5)) {
            case 0:
                Type(CT_IntCh, CL_ChList_Comment, pick(60), text);
                break;
            case 1:
                Type(CT_FreeCh, CL_Fch_ChName, pick(70), text.substr(0, 3));
                break;
            case 2:
                Type(CT_DscIndId, CL_DscIndId_Id, pick(75), "2111" + std::to_string(10000 + i));
                Type(CT_DscIndId, CL_DscIndId_Comment, pick(75), text);
                break;
            default: {
                const int category = pick(2) == 0 ? CT_DscIndId : CT_IntCh;
                const int first = pick(40);
                RowCommand(category, rowCommands[pick(7)], first, first + pick(4));
            }
        }
    }
    const std::vector<uint8_t> end = Bytes();
    ASSERT_NE(start, end);
    const size_t steps = app->History().UndoCount();
    ASSERT_GT(steps, 60u);
    while (app->Undo()) {
    }
    EXPECT_EQ(Bytes(), start);
    EXPECT_TRUE(app->Modified());  // the title keeps saying so until it is saved
    EXPECT_EQ(app->History().RedoCount(), steps);
    while (app->Redo()) {
    }
    EXPECT_EQ(Bytes(), end);
}

TEST_F(AppUndo, CaptionsNameTheStepAndTheMenuCommandsAreDisabledWhenEmpty) {
    EXPECT_FALSE(app->CanUndo());
    EXPECT_EQ(app->UndoCaption(), "Undo");
    EXPECT_EQ(app->RedoCaption(), "Redo");
    // Channel n is row 2n of the channel lists (its "A" channel follows it).
    Type(CT_IntCh, CL_ChList_Comment, 32, "CALLING");
    EXPECT_EQ(app->UndoCaption(), "Undo change of channel 16 name");
    Type(CT_DscIndId, CL_DscIndId_Id, 2, "211234560");
    RowCommand(CT_DscIndId, CL_PMenu_Insert, 2, 4);
    EXPECT_EQ(app->UndoCaption(), "Undo Insert Empty Rows of Individual MMSIs No. 3 to No. 5");
    Type(CT_Null, CL_ComDsc_SelfId, 0, "211234560");
    EXPECT_EQ(app->UndoCaption(), "Undo change of own MMSI (DSC ID of this radio)");
    ASSERT_TRUE(app->Undo());
    EXPECT_EQ(app->RedoCaption(), "Redo change of own MMSI (DSC ID of this radio)");
}

TEST_F(AppUndo, AModelChangeIsOneStepThatPutsTheModelTheFileNameAndTheModifiedMarkBack) {
    char tmpl[] = "/tmp/kelda-undo-XXXXXX";
    const std::string dir = mkdtemp(tmpl);
    const std::string path = dir + "/boat.kcf";
    const std::string other = dir + "/other.kcf";
    const int before = app->Model().ModelType();
    // A saved file, then the same file with an edit not yet saved.
    for (bool edited : {false, true}) {
        SCOPED_TRACE(edited);
        Type(CT_IntCh, CL_ChList_Comment, 6, "MINE");
        ASSERT_EQ(app->SaveToFile(path), 0);
        if (edited) Type(CT_IntCh, CL_ChList_Comment, 8, "MORE");
        const std::vector<uint8_t> held = Bytes();
        app->RunCommand(AppCommand::kChangeModel, 0, "");
        ASSERT_EQ(app->Model().ModelType(), 0);
        EXPECT_TRUE(app->Untitled());
        EXPECT_EQ(app->UndoCaption(), "Undo change of model to USA");
        ASSERT_TRUE(app->Undo());
        EXPECT_EQ(app->Model().ModelType(), before);
        EXPECT_EQ(Bytes(), held);
        EXPECT_EQ(app->DocumentPath(), path);
        EXPECT_EQ(app->Modified(), edited);
        ASSERT_TRUE(app->Redo());
        EXPECT_EQ(app->Model().ModelType(), 0);
        EXPECT_TRUE(app->Untitled());
        EXPECT_FALSE(app->Modified());
        ASSERT_TRUE(app->Undo());
        EXPECT_EQ(app->DocumentPath(), path);
    }
    // Saved under another name after the change: that name stays, and the old bytes differ
    // from what it holds.
    app->RunCommand(AppCommand::kChangeModel, 0, "");
    ASSERT_EQ(app->SaveToFile(other), 0);
    ASSERT_TRUE(app->Undo());
    EXPECT_EQ(app->Model().ModelType(), before);
    EXPECT_EQ(app->DocumentPath(), other);
    EXPECT_TRUE(app->Modified());
    std::remove(path.c_str());
    std::remove(other.c_str());
    rmdir(dir.c_str());
}

TEST_F(AppUndo, SavingKeepsTheHistoryAndNewAndOpenClearIt) {
    char tmpl[] = "/tmp/kelda-undo-XXXXXX";
    const std::string dir = mkdtemp(tmpl);
    const std::string path = dir + "/a.kcf";
    Type(CT_IntCh, CL_ChList_Comment, 6, "SAVED");
    ASSERT_EQ(app->SaveToFile(path), 0);
    EXPECT_FALSE(app->Modified());
    ASSERT_TRUE(app->Undo());
    EXPECT_TRUE(app->Modified());
    ASSERT_TRUE(app->Redo());

    prompts.SetDefaultAnswer(platform::kAnswerNo);  // open without saving first
    ASSERT_EQ(app->OpenFile(path), 0);
    EXPECT_FALSE(app->CanUndo());
    EXPECT_FALSE(app->CanRedo());
    Type(CT_IntCh, CL_ChList_Comment, 6, "AGAIN");
    app->New();
    EXPECT_FALSE(app->CanUndo());
    std::remove(path.c_str());
    rmdir(dir.c_str());
}

TEST_F(AppUndo, AReadIsOneStepAndNothingMovesWhileTheRadioIsBusy) {
    Type(CT_IntCh, CL_ChList_Comment, 8, "BEFORE");
    const std::vector<uint8_t> edited = Bytes();
    test::SimOnPty sim;
    sim.Radio().Image().Assign(app->Reference());
    sim.Radio().Image().SetByte(0x0F1B, 'Z');
    sim.Radio().SetUpIdentity();
    sim.SetPeer(&app->CloneMan().Driver().Port());
    Environ().comPort = sim.PortNumber();
    prompts.SetDefaultAnswer(platform::kAnswerNo);  // do not save the edit first
    app->ReadFromRadio();
    ASSERT_TRUE(app->CloneMan().IsBusy());
    EXPECT_FALSE(app->CanUndo());
    EXPECT_FALSE(app->Undo());
    EXPECT_EQ(Bytes(), edited);
    ASSERT_TRUE(clock.AdvanceUntil(
        [&] { return app->LastCloneOutcome() != cuiMain::CloneOutcome::kRunning; }, 120000, 5));
    ASSERT_EQ(app->LastCloneOutcome(), cuiMain::CloneOutcome::kDone);
    EXPECT_EQ(app->UndoCaption(), "Undo read from the radio");
    EXPECT_TRUE(app->Untitled());
    ASSERT_TRUE(app->Undo());
    EXPECT_EQ(Bytes(), edited);
    EXPECT_TRUE(app->Modified());
    EXPECT_EQ(app->UndoCaption(), "Undo change of channel 4 name");
}

TEST_F(AppUndo, AWriteIsReadBackAndComparedWhenAsked) {
    struct Case {
        SimFaults faults;
        cuiMain::CloneOutcome outcome;
        size_t mismatches;
        bool readsUnanswered = false;  // written, then the read-back goes unanswered
    };
    SimFaults corrupt;
    corrupt.corruptStore = 0x0F40 + 10 * 32;  // the first letter of channel 16's name
    SimFaults refusing;
    refusing.refuseRead = true;  // says so in its identity: nothing is written
    const Case cases[] = {
        {{}, cuiMain::CloneOutcome::kDone, 0},
        {corrupt, cuiMain::CloneOutcome::kMismatch, 1},
        {{}, cuiMain::CloneOutcome::kNotVerified, 0, true},
        {refusing, cuiMain::CloneOutcome::kRefused, 0},
    };
    Environ().verifyAfterWrite = true;
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.outcome));
        test::SimOnPty sim(c.faults);
        sim.Radio().Image().Assign(app->Reference());
        sim.Radio().SetUpIdentity();
        sim.SetPeer(&app->CloneMan().Driver().Port());
        if (c.readsUnanswered) sim.Radio().SetAnswer(0xE2, [](std::string&) {});
        Environ().comPort = sim.PortNumber();
        prompts.Clear();
        app->WriteToRadio();
        ASSERT_TRUE(clock.AdvanceUntil(
            [&] { return app->LastCloneOutcome() != cuiMain::CloneOutcome::kRunning; }, 240000, 5));
        EXPECT_EQ(app->LastCloneOutcome(), c.outcome) << app->LastCloneResult();
        EXPECT_EQ(sim.Radio().WritesAccepted(),
                  c.outcome == cuiMain::CloneOutcome::kRefused ? 0 : 1);
        EXPECT_EQ(app->VerifyAfterWriteChoosable(), true);  // the check is on: it can go off
        if (c.outcome == cuiMain::CloneOutcome::kRefused) {
            Environ().verifyAfterWrite = false;
            EXPECT_FALSE(app->VerifyAfterWriteChoosable());
            Environ().verifyAfterWrite = true;
        }
        ASSERT_EQ(app->VerifyMismatches().size(), c.mismatches);
        if (c.mismatches == 0) continue;
        EXPECT_EQ(app->VerifyMismatches()[0].address, corrupt.corruptStore);
        ASSERT_EQ(app->VerifyMeaning().size(), 4u);  // the name shows in all four channel lists
        EXPECT_EQ(app->VerifyMeaning()[0].rfind(
                      "International Channels | Channel 16 | Name: \"DISTRESS\" -> \"", 0),
                  0u)
            << app->VerifyMeaning()[0];
        ASSERT_FALSE(prompts.shown().empty());
        EXPECT_EQ(prompts.shown().back().icon, platform::PromptIcon::Error);
        EXPECT_NE(prompts.shown().back().text.find("Address 1080: written 44"), std::string::npos)
            << prompts.shown().back().text;
    }
}

}  // namespace
