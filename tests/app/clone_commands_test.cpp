// The application object's clone commands over the simulated radio: which ranges a write sends,
// and what a write and a read do to the document.
#include <gtest/gtest.h>

#include <optional>

#include "app/Services.h"
#include "app/indEnviron.h"
#include "app/indMain.h"
#include "base/cmcEvMan.h"
#include "comm/indCloneMan.h"
#include "radio/CellDispatchHost.h"
#include "support/ManualClock.h"
#include "support/ScriptedPrompter.h"
#include "support/SimOnPty.h"
#include "text/cmcGTex.h"

namespace {

class CloneCommands : public testing::Test {
  protected:
    // Wired as the programs wire it, with the shipped data.
    void SetUp() override {
        ServiceSetup setup;
        setup.dataFolder = KELDA_BIN_DIR;
        services = WireServices(std::move(setup));
        app = &services->App();
    }
    void TearDown() override {
        services.reset();
        sim.reset();
    }
    // A radio holding the factory image, with the faults given.
    void StartRadio(const SimFaults& faults) {
        sim.emplace(faults);
        sim->Radio().Image().Assign(app->Reference());
        sim->Radio().SetUpIdentity();
        sim->SetPeer(&app->CloneMan().Driver().Port());
        Environ().comPort = sim->PortNumber();
    }
    void RunToEnd() {
        ASSERT_TRUE(clock.AdvanceUntil(
            [&] { return app->LastCloneOutcome() != cuiMain::CloneOutcome::kRunning; }, 120000, 5));
    }
    int FirstWrittenAddress() {
        const auto& blocks = sim->Radio().WrittenBlocks();
        return blocks.empty() ? -1 : blocks.front().first;
    }

    test::ManualClock clock;
    test::ScriptedPrompter prompts;
    std::unique_ptr<Services> services;
    indMain* app = nullptr;
    std::optional<test::SimOnPty> sim;
};

TEST_F(CloneCommands, TheWriteListFollowsTheVersionsAndManufacturerMode) {
    struct Case {
        const char* radioVersion;
        bool maker;
        int firstAddress;
    };
    const Case cases[] = {
        {"9999", false, 0x0310},  // radio newer than the map: the short list
        {"0000", false, 0x01C0},  // older: the full list with the version block
        {"9A99", false, 0x01C0},  // a letter counts as version 0
        {"9999", true, 0x01C0},   // manufacturer mode always sends everything
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.radioVersion + std::string(c.maker ? " maker" : ""));
        SimFaults faults;
        faults.version = c.radioVersion;
        StartRadio(faults);
        if (c.maker) {
            ASSERT_TRUE(app->Model().EnterManufacturerMode());
        }
        app->WriteToRadio();
        RunToEnd();
        EXPECT_EQ(app->LastCloneOutcome(), cuiMain::CloneOutcome::kDone) << app->LastCloneResult();
        EXPECT_EQ(FirstWrittenAddress(), c.firstAddress);
        sim.reset();
    }
}

TEST_F(CloneCommands, WritingAnUnmodifiedDocumentLeavesItUnmodified) {
    StartRadio({});
    ASSERT_FALSE(app->Modified());
    app->WriteToRadio();
    RunToEnd();
    EXPECT_EQ(app->LastCloneOutcome(), cuiMain::CloneOutcome::kDone);
    EXPECT_FALSE(app->Modified());
}

TEST_F(CloneCommands, DeclinedConfirmationSendsNothing) {
    StartRadio({});
    prompts.Answer(platform::kAnswerCancel);
    app->WriteToRadio();
    EXPECT_EQ(app->LastCloneOutcome(), cuiMain::CloneOutcome::kStopped);
    EXPECT_FALSE(app->CloneMan().IsBusy());
}

TEST_F(CloneCommands, AReadMakesAnUntitledModifiedDocument) {
    StartRadio({});
    sim->Radio().Image().SetByte(0x0F1B, 'Z');  // the clone comment
    app->ReadFromRadio();
    RunToEnd();
    ASSERT_EQ(app->LastCloneOutcome(), cuiMain::CloneOutcome::kDone) << app->LastCloneResult();
    EXPECT_TRUE(app->Untitled());
    EXPECT_TRUE(app->Modified());
    EXPECT_EQ(app->Working().GetByte(0x0F1B), 'Z');
}

}  // namespace
