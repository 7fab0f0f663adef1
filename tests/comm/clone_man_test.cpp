// The clone manager over the simulated radio: configuration, checks, messages and progress.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <optional>

#include "app/CloneMessages.h"
#include "base/ScopedInstall.h"
#include "comm/indCloneMan.h"
#include "platform/Clock.h"
#include "support/ManualClock.h"
#include "support/ScriptedPrompter.h"
#include "support/SimOnPty.h"
#include "text/cmcGTex.h"

namespace {

const AddressRange kReadList[] = {{0x0000, 0x471F}, kEndOfRanges};

std::vector<std::string> Overlay() {
    std::vector<std::string> lines = {"#GI_Sys_AppTitle", "KELDA", "#GI_Mess_CloneErr_Head"};
    for (int i = 0; i <= 20; ++i)
        lines.push_back(i == 2 ? "Serial port %d (100%) cannot be opened."
                               : "H" + std::to_string(i));
    lines.push_back("#GI_Mess_CloneErr_Check");
    for (int i = 0; i <= 7; ++i) lines.push_back("C" + std::to_string(i));
    lines.push_back("#GI_Mess_CloneErr_CheckDevice");
    lines.push_back("D %d");
    lines.push_back("#End_Of_Ovl");
    return lines;
}

struct View : CloneManView {
    std::vector<std::string> calls;
    int lastFilled = -1;
    void RunStarted(CloneOperation operation, bool progress) override {
        calls.push_back("start " + std::to_string(static_cast<int>(operation)) +
                        (progress ? " progress" : ""));
    }
    void ProgressChanged(int filled) override { lastFilled = filled; }
    void RunEnded() override { calls.push_back("end"); }
};

struct Caller {
    int calls = 0;
    CloneResult result = CloneResult::kPortFailed;
    static void Done(void* self, dst_CDrv_Result* r) {
        auto* c = static_cast<Caller*>(self);
        ++c->calls;
        c->result = r->result;
    }
};

class CloneManager : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(tex.BindLines(Overlay()));
        sim.emplace();
        man.emplace();
        man->SetFailureReport(&ShowCloneFailure);
        man->SetRequestWords(0x3715, 0);
        man->SetImageSize(0x8000);
        man->SetPortSource([this] { return port; });
        man->SetView(&view);
        sim->SetPeer(&man->Driver().Port());
        port = sim->PortNumber();
    }
    void TearDown() override {
        man.reset();
        sim.reset();
    }
    void Finish() {
        ASSERT_TRUE(clock.AdvanceUntil([&] { return caller.calls > 0; }, 60000, 5));
        clock.Advance(50);
        EXPECT_EQ(caller.calls, 1);
    }

    test::ManualClock clock;
    test::ScriptedPrompter prompter;
    cmcGTex tex;
    ScopedInstall<InstallGTex> texSlot{&tex};
    std::optional<test::SimOnPty> sim;
    std::optional<indCloneMan> man;
    View view;
    Caller caller;
    int port = 0;
};

TEST_F(CloneManager, FailedOpenNamesPortDeviceAndReasonThenFourHints) {
    port = 9;  // no device has this number
    ASSERT_TRUE(man->StartInfo(&Caller::Done, &caller));
    Finish();
    EXPECT_EQ(caller.result, CloneResult::kPortFailed);
    ASSERT_EQ(prompter.shown().size(), 1u);
    const auto& box = prompter.shown()[0];
    EXPECT_EQ(box.text,
              "Serial port 9 (100%) cannot be opened.\n"
              "port 9: no serial device has this number\n\nC0\nC1\nC2\nC3");
    EXPECT_EQ(box.caption, "KELDA");
    EXPECT_EQ(box.icon, platform::PromptIcon::Error);
    EXPECT_EQ(view.calls, (std::vector<std::string>{"start 1", "end"}));
}

TEST_F(CloneManager, SuccessfulReadShowsNoMessageAndFillsEverySegment) {
    struct Check {
        int calls = 0;
        static void Run(void* self, dst_CDrv_Result*) { ++static_cast<Check*>(self)->calls; }
    } check;
    man->SetReadCheck(&Check::Run, &check);
    ASSERT_TRUE(man->StartRead(kReadList, &Caller::Done, &caller));
    EXPECT_EQ(man->ExpectedBytes(), 0x4720);
    clock.Advance(1000);
    EXPECT_GT(view.lastFilled, 0);
    EXPECT_LT(view.lastFilled, 32);
    Finish();
    EXPECT_EQ(caller.result, CloneResult::kOk);
    EXPECT_EQ(check.calls, 1);
    EXPECT_TRUE(prompter.shown().empty());
    EXPECT_EQ(view.lastFilled, 33);  // all 32 segments drawn
    EXPECT_EQ(view.calls, (std::vector<std::string>{"start 2 progress", "end"}));
}

TEST_F(CloneManager, RunsWithoutTheirCheckFail) {
    ASSERT_TRUE(man->StartInfo(&Caller::Done, &caller));
    Finish();
    EXPECT_EQ(caller.result, CloneResult::kNotIdentified);
    ASSERT_EQ(prompter.shown().size(), 1u);
    EXPECT_EQ(prompter.shown()[0].text, "H11\n\nC0\nC1\nC2\nC3\nC4\nC5");

    caller = Caller{};
    ASSERT_TRUE(man->StartRead(kReadList, &Caller::Done, &caller));
    Finish();
    EXPECT_EQ(caller.result, CloneResult::kIncomplete);
}

TEST_F(CloneManager, CheckMayChangeTheResultTheCallerSees) {
    man->SetInfoCheck([](void*, dst_CDrv_Result* r) { r->result = CloneResult::kNotReady; },
                      nullptr);
    ASSERT_TRUE(man->StartInfo(&Caller::Done, &caller));
    Finish();
    EXPECT_EQ(caller.result, CloneResult::kNotReady);
    EXPECT_EQ(prompter.shown().at(0).text, "H14\n\nC0\nC4\nC5");
}

TEST_F(CloneManager, EveryStartIsRefusedWhileBusy) {
    ASSERT_TRUE(man->StartInfo(&Caller::Done, &caller));
    Caller other;
    cmcEeprom image;
    image.SetSize(0x8000);
    EXPECT_TRUE(man->IsBusy());
    EXPECT_FALSE(man->StartInfo(&Caller::Done, &other));
    EXPECT_FALSE(man->StartRead(kReadList, &Caller::Done, &other));
    EXPECT_FALSE(man->StartWrite(image, kReadList, &Caller::Done, &other));
    EXPECT_EQ(view.calls.size(), 1u);
    Finish();
    EXPECT_EQ(other.calls, 0);
}

// What the line did tells the user more than "the answer did not match": a port with nothing
// on it at all says only that (there was no answer to compare), and a port where something else
// keeps sending says so; each names the port.
TEST_F(CloneManager, ALineThatGivesNothingBackOrNeverFallsQuietIsNamedInTheMessage) {
    const std::string where = "port 7 (" + sim->DevicePath() + ")";
    sim->Stop();  // no cable on this port: not even the echo comes back
    ASSERT_TRUE(man->StartInfo(&Caller::Done, &caller));
    Finish();
    EXPECT_EQ(caller.result, CloneResult::kEchoFailed);
    ASSERT_EQ(prompter.shown().size(), 1u);
    EXPECT_EQ(prompter.shown()[0].text, "Nothing at all came back on " + where +
                                            ": the programming cable is not on this port, or "
                                            "it is not plugged in.\n\nC0\nC1\nC2\nC3");

    // Something else on the port sends all the time; the link echoes it back to the program.
    SimFaults silent;
    silent.silent = true;
    sim.emplace(silent);
    sim->SetPeer(&man->Driver().Port());
    const int noise = ::open(sim->DevicePath().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    ASSERT_GE(noise, 0);
    auto chatter = platform::GetClock().CreateTimer([noise] {
        const char line[] = "$GPGGA,123519,4807.038,N\r\n";
        if (::write(noise, line, sizeof line - 1) < 0) return;
    });
    chatter->Start(20);
    prompter.Clear();
    caller = {};
    const uint32_t start = clock.NowMs();
    ASSERT_TRUE(man->StartInfo(&Caller::Done, &caller));
    Finish();
    chatter.reset();
    ::close(noise);
    EXPECT_EQ(caller.result, CloneResult::kOtherSender);
    EXPECT_LE(clock.NowMs() - start, 1200u);  // told within about a second, not after 15
    ASSERT_EQ(prompter.shown().size(), 1u);
    EXPECT_EQ(prompter.shown()[0].text,
              "H19\nKELDA listened on " + where +
                  " for a second: data came all the time, and none of it was from a radio."
                  "\n\nC1\nC3")
        << prompter.shown()[0].text;

    // A radio that answers wrongly is not a port with nothing on it.
    SimFaults garbled;
    garbled.garbleEcho = true;
    sim.emplace(garbled);
    sim->SetPeer(&man->Driver().Port());
    prompter.Clear();
    caller = {};
    ASSERT_TRUE(man->StartInfo(&Caller::Done, &caller));
    Finish();
    EXPECT_EQ(caller.result, CloneResult::kEchoFailed);
    ASSERT_EQ(prompter.shown().size(), 1u);
    EXPECT_EQ(prompter.shown()[0].text, "H4\n\nC0\nC1\nC2\nC3");
}

TEST_F(CloneManager, ARadioThatStopsSendingInTheMiddleOfAReadIsToldSo) {
    ASSERT_TRUE(man->StartRead(kReadList, &Caller::Done, &caller));
    ASSERT_TRUE(clock.AdvanceUntil([&] { return man->Driver().DataCounter() >= 4096; }, 60000, 5));
    sim->Stop();  // switched off: the line stays, nothing more comes
    Finish();
    EXPECT_EQ(caller.result, CloneResult::kTimeout);
    ASSERT_EQ(prompter.shown().size(), 1u);
    const std::string& text = prompter.shown()[0].text;
    const std::string stopped =
        "H5\nThe radio stopped sending after " + std::to_string(man->Driver().DataCounter()) +
        " of 18208 bytes: was it switched off, or did the cable come loose?\n\nC0";
    EXPECT_EQ(text.rfind(stopped, 0), 0u) << text;

    // A radio that never sent anything did not answer, and no more is said.
    SimFaults silent;
    silent.silent = true;
    sim.emplace(silent);
    sim->SetPeer(&man->Driver().Port());
    prompter.Clear();
    caller = {};
    ASSERT_TRUE(man->StartRead(kReadList, &Caller::Done, &caller));
    Finish();
    EXPECT_EQ(caller.result, CloneResult::kTimeout);
    ASSERT_EQ(prompter.shown().size(), 1u);
    EXPECT_EQ(prompter.shown()[0].text, "H5\n\nC0\nC1\nC2\nC3");
}

TEST_F(CloneManager, MessagesOfTheOtherCodes) {
    struct Case {
        CloneResult code;
        const char* text;
    } const cases[] = {
        {CloneResult::kOk, ""},
        {CloneResult::kTimeout, "H5\n\nC0\nC1\nC2\nC3"},
        {CloneResult::kNotAcknowledged, "H10\n\nC0\nC2\nC3"},
        {CloneResult::kIdentityUnread, "H12\n\nC0\nC1\nC2\nC3\nC4\nC5"},
        {CloneResult::kOtherModel, "H13\n\nC6\nC7"},
        {CloneResult::kNewerData, "H16"},
        {CloneResult::kSendFailed, "H17\n\nC0\nC1\nC2\nC3"},
    };
    for (const Case& c : cases) EXPECT_EQ(CloneFailureText(man->Failure(c.code)), c.text) << c.code;
    // A port named by its device path (--device) was not chosen in the Port menu.
    CloneFailure named = man->Failure(CloneResult::kTimeout);
    named.portNamedByDevice = true;
    named.device = "/dev/ttyUSB3";
    EXPECT_EQ(CloneFailureText(named), "H5\n\nC0\nD /dev/ttyUSB3\nC2\nC3");
    ShowCloneFailure(man->Failure(CloneResult::kOk));
    EXPECT_TRUE(prompter.shown().empty());
}

}  // namespace
namespace {

TEST(CloneProgressLine, BytesOfTheTotalAndTheTimeLeftAtThePaceSoFar) {
    struct Case {
        CloneOperation operation;
        int done, total;
        uint32_t elapsedMs;
        const char* line;
    } const cases[] = {
        {CloneOperation::kRead, 0, 18208, 300,
         "Reading: 0 of 18208 bytes, estimating the time left"},
        {CloneOperation::kRead, 5000, 18208, 800,
         "Reading: 5000 of 18208 bytes, estimating the time left"},
        {CloneOperation::kRead, 9104, 18208, 6000, "Reading: 9104 of 18208 bytes, about 6 s left"},
        {CloneOperation::kWrite, 1000, 18208, 2000,
         "Writing: 1000 of 18208 bytes, about 35 s left"},
        {CloneOperation::kWrite, 100, 18208, 2000,
         "Writing: 100 of 18208 bytes, about 6 min 3 s left"},
        {CloneOperation::kRead, 18208, 18208, 14000, "Reading: 18208 of 18208 bytes"},
        {CloneOperation::kRead, 20000, 18208, 14000, "Reading: 18208 of 18208 bytes"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ProgressLine({c.operation, c.done, c.total, c.elapsedMs}), c.line);
}

}  // namespace
