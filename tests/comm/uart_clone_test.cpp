// Clone runs over a port that behaves like a real UART (an honest transmit queue draining at
// 38400 baud) with the simulated radio at the far end, on the manual clock: the pump keeps the
// line busy, a port that never drains and a pulled cable are told apart from a silent radio,
// and a run right after a failed read waits for the radio to finish sending.
#include <gtest/gtest.h>

#include <optional>

#include "app/CloneMessages.h"
#include "base/ScopedInstall.h"
#include "comm/PortNumbering.h"
#include "comm/indCloneMan.h"
#include "sim/SimRadio.h"
#include "support/ManualClock.h"
#include "support/ScriptedPrompter.h"
#include "support/UartModel.h"
#include "text/cmcGTex.h"

namespace {

const AddressRange kReadList[] = {{0x0000, 0x471F}, kEndOfRanges};
const AddressRange kFullWriteList[] = {
    {0x01C0, 0x02DF}, {0x0310, 0x46AF}, {0x4710, 0x471F}, kEndOfRanges};

std::vector<std::string> Overlay() {
    std::vector<std::string> lines = {"#GI_Sys_AppTitle", "KELDA", "#GI_Mess_CloneErr_Head"};
    for (int i = 0; i <= 20; ++i)
        lines.push_back(i == 18 ? "Lost on port %d." : "H" + std::to_string(i));
    lines.push_back("#GI_Mess_CloneErr_Check");
    for (int i = 0; i <= 8; ++i) lines.push_back("C" + std::to_string(i));
    lines.insert(lines.end(), {"#GI_Mess_CloneErr_CheckDevice", "D %d",
                               "#GI_Mess_CloneErr_WriteAgain", "Write again.", "#End_Of_Ovl"});
    return lines;
}

struct Caller {
    int calls = 0;
    CloneResult result = CloneResult::kPortFailed;
    cmcEeprom image;
    static void Done(void* self, dst_CDrv_Result* r) {
        auto* c = static_cast<Caller*>(self);
        ++c->calls;
        c->result = r->result;
        c->image.Assign(r->image);
    }
};

void Accept(void*, dst_CDrv_Result*) {}

class UartClone : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(tex.BindLines(Overlay()));
        for (int a = 0; a < radio.Image().Size(); ++a)
            radio.Image().SetByte(a, static_cast<uint8_t>(a * 7 + 3));
        radio.SetUpIdentity();
        table.Assign(3, "/dev/ttyS9");
        uart.Install();
        man.emplace();  // after Install: the port makes its device when it is made
        man->SetFailureReport(&ShowCloneFailure);
        man->SetRequestWords(SimRadio::kModelWord1, 0);
        man->SetImageSize(0x8000);
        man->SetPortSource([] { return 3; });
        man->SetInfoCheck(&Accept, nullptr);
        man->SetReadCheck(&Accept, nullptr);
        image.SetSize(0x8000);
        for (int a = 0; a < image.Size(); ++a) image.SetByte(a, static_cast<uint8_t>(a * 31));
    }
    void TearDown() override { man.reset(); }
    void Finish(Caller& c, uint32_t limitMs = 60000) {
        ASSERT_TRUE(clock.AdvanceUntil([&] { return c.calls > 0; }, limitMs, 1));
        clock.Advance(20);
        EXPECT_EQ(c.calls, 1);
    }
    uint64_t NowUs() { return static_cast<uint64_t>(clock.NowMs()) * 1000; }

    test::ManualClock clock;
    test::ScriptedPrompter prompter;
    cmcGTex tex;
    ScopedInstall<InstallGTex> texSlot{&tex};
    PortNumbering table;
    ScopedInstall<InstallPortTable> tableSlot{&table};
    SimRadio radio;
    test::UartModel uart{radio, 38400, [this] { return NowUs(); }};
    std::optional<indCloneMan> man;
    cmcEeprom image;
};

TEST_F(UartClone, WriteKeepsTheLineBusyWithinTheQueueAndHoldBackLimits) {
    Caller c;
    ASSERT_TRUE(man->StartWrite(image, kFullWriteList, &Caller::Done, &c));
    Finish(c);
    ASSERT_EQ(c.result, CloneResult::kOk);
    EXPECT_EQ(radio.WritesAccepted(), 1);
    for (int a : {0x01C0, 0x2000, 0x46AF, 0x4710, 0x471F})
        EXPECT_EQ(radio.Image().GetByte(a), image.GetByte(a)) << a;
    // The pump never hands the driver more than one chunk, and the transmitter hardly ever
    // waits for the program: topping the queue up leaves no gap after each burst.
    EXPECT_LE(uart.MaxQueued(), 1024);
    const double busy = static_cast<double>(uart.LastByteUs() - uart.FirstByteUs());
    EXPECT_GT(busy, uart.BytesSent() * 10e6 / 38400 * 0.99);
    EXPECT_LT(static_cast<double>(uart.IdleUs()), busy * 0.01)
        << "idle " << uart.IdleUs() << " us of " << busy;
}

TEST_F(UartClone, APortThatNeverDrainsIsThePortsFaultNotTheRadios) {
    uart.SetStuck(true);
    for (bool write : {false, true}) {
        SCOPED_TRACE(write ? "write" : "information");
        Caller c;
        ASSERT_TRUE(write ? man->StartWrite(image, kFullWriteList, &Caller::Done, &c)
                          : man->StartInfo(&Caller::Done, &c));
        Finish(c);
        EXPECT_EQ(c.result, CloneResult::kSendFailed);
    }
    EXPECT_EQ(radio.WritesAccepted(), 0);
}

TEST_F(UartClone, APulledCableEndsTheRunAtOnceWithItsOwnMessage) {
    Caller c;
    ASSERT_TRUE(man->StartRead(kReadList, &Caller::Done, &c));
    clock.Advance(3000);
    ASSERT_EQ(c.calls, 0);
    uart.Unplug();
    Finish(c, 50);  // not after a time-out: within a few steps
    EXPECT_EQ(c.result, CloneResult::kLineLost);
    ASSERT_EQ(prompter.shown().size(), 1u);
    EXPECT_EQ(prompter.shown()[0].text, "Lost on port 3 (/dev/ttyS9).\n\nC0\nC8");

    // Named by device when the user chose a device rather than a number.
    man->SetPortNamedByDevice(true);
    EXPECT_EQ(CloneFailureText(man->Failure(CloneResult::kLineLost)),
              "Lost on port /dev/ttyS9.\n\nC0\nC8");
}

TEST_F(UartClone, AWriteThatFailsAfterDataWentOutSaysToWriteAgain) {
    Caller c;
    ASSERT_TRUE(man->StartWrite(image, kFullWriteList, &Caller::Done, &c));
    clock.Advance(2000);
    uart.Unplug();
    Finish(c, 50);
    EXPECT_EQ(c.result, CloneResult::kLineLost);
    ASSERT_EQ(prompter.shown().size(), 1u);
    EXPECT_EQ(prompter.shown()[0].text, "Lost on port 3 (/dev/ttyS9).\n\nC0\nC8\n\nWrite again.");

    // Before any data frame the radio's memory is untouched: no such warning.
    prompter.Clear();
    uart.SetStuck(true);
    Caller early;
    ASSERT_TRUE(man->StartWrite(image, kFullWriteList, &Caller::Done, &early));
    Finish(early);
    ASSERT_EQ(prompter.shown().size(), 1u);
    EXPECT_EQ(prompter.shown()[0].text.find("Write again."), std::string::npos);
}

TEST_F(UartClone, ARunRightAfterAFailedReadWaitsUntilTheRadioHasFinishedSending) {
    // A spoilt frame early in the read ends the program's run while the radio goes on sending
    // the rest of its memory for several seconds.
    SimFaults faults;
    faults.badChecksum = 5;
    SimRadio spoiling(faults);
    spoiling.Image().Assign(radio.Image());
    spoiling.SetUpIdentity();
    test::UartModel line(spoiling, 38400, [this] { return NowUs(); });
    line.Install();
    man.emplace();
    man->SetRequestWords(SimRadio::kModelWord1, 0);
    man->SetImageSize(0x8000);
    man->SetPortSource([] { return 3; });
    man->SetInfoCheck(&Accept, nullptr);
    man->SetReadCheck(&Accept, nullptr);

    Caller failed;
    ASSERT_TRUE(man->StartRead(kReadList, &Caller::Done, &failed));
    Finish(failed);
    EXPECT_EQ(failed.result, CloneResult::kBadFrame);
    Caller retry;
    ASSERT_TRUE(man->StartInfo(&Caller::Done, &retry));
    Finish(retry, 20000);
    EXPECT_EQ(retry.result, CloneResult::kOk);
    man.reset();
}

// Every fault of the radio line, each with its code, its words and the time it takes to be
// told, from the start of the run on the manual clock.
TEST_F(UartClone, EveryFaultOfTheLineIsToldWithItsOwnCodeAndWordsInTime) {
    const std::string nmea =
        "$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*47\r\n";
    std::string chatter;
    while (chatter.size() < 38400 / 10 * 20) chatter += nmea;
    enum Op { kInfo, kRead, kWrite };
    struct Case {
        const char* name;
        SimFaults faults;
        Op op;
        CloneResult code;
        const char* words;  // in the message shown
        uint32_t withinMs;  // from the start of the run
        uint32_t unplugAtMs = 0;
        bool stuck = false;
        bool chatters = false;
    };
    auto f = [](auto set) {
        SimFaults faults;
        set(faults);
        return faults;
    };
    const uint32_t readMs = 14000;   // a whole read at 38400 baud, and then some
    const uint32_t writeMs = 28000;  // a whole write
    const Case cases[] = {
        {"silent radio", f([](SimFaults& x) { x.silent = true; }), kInfo, CloneResult::kTimeout,
         "H5\n", 1200},
        {"no cable", f([](SimFaults& x) { x.noEcho = x.silent = true; }), kInfo,
         CloneResult::kEchoFailed, "Nothing at all came back on port 3", 1200},
        {"faulty cable", f([](SimFaults& x) { x.garbleEcho = true; }), kInfo,
         CloneResult::kEchoFailed, "H4\n", 200},
        {"bad checksum", f([](SimFaults& x) { x.badChecksum = 3; }), kRead, CloneResult::kBadFrame,
         "H6\n", 300},
        {"wrong count", f([](SimFaults& x) { x.wrongCount = true; }), kRead, CloneResult::kBadCount,
         "H7\n", readMs},
        {"frame left out", f([](SimFaults& x) { x.dropFrame = 3; }), kRead,
         CloneResult::kIncomplete, "H8\n", readMs},
        {"write refused", f([](SimFaults& x) { x.refuseWrite = true; }), kWrite,
         CloneResult::kNotAcknowledged, "H10\n", writeMs},
        {"write not confirmed", f([](SimFaults& x) { x.noAck = true; }), kWrite,
         CloneResult::kTimeout, "H5\n", writeMs + 2000},
        {"switched off while written", f([](SimFaults& x) { x.stopWrite = 6000; }), kWrite,
         CloneResult::kTimeout, "of 17616 bytes; it may hold part of the data.", 3000},
        {"transmitter stuck", {}, kInfo, CloneResult::kSendFailed, "H17\n", 2200, 0, true},
        {"cable pulled", {}, kRead, CloneResult::kLineLost, "Lost on port 3", 2050, 2000},
        {"another device",
         {},
         kInfo,
         CloneResult::kOtherSender,
         "H19\nKELDA listened on port 3 (/dev/ttyS9) for a second",
         1100,
         0,
         false,
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SimRadio faulty(c.faults);
        faulty.Image().Assign(radio.Image());
        faulty.SetUpIdentity();
        test::UartModel line(faulty, 38400, [this] { return NowUs(); });
        line.Install();
        line.SetStuck(c.stuck);
        if (c.chatters) line.Stream(chatter);
        man.emplace();
        man->SetFailureReport(&ShowCloneFailure);
        man->SetRequestWords(SimRadio::kModelWord1, 0);
        man->SetImageSize(0x8000);
        man->SetPortSource([] { return 3; });
        man->SetInfoCheck(&Accept, nullptr);
        man->SetReadCheck(&Accept, nullptr);
        prompter.Clear();
        Caller caller;
        const uint32_t start = clock.NowMs();
        ASSERT_TRUE(c.op == kInfo ? man->StartInfo(&Caller::Done, &caller)
                    : c.op == kRead
                        ? man->StartRead(kReadList, &Caller::Done, &caller)
                        : man->StartWrite(image, kFullWriteList, &Caller::Done, &caller));
        if (c.unplugAtMs) {
            clock.Advance(c.unplugAtMs);
            line.Unplug();
        }
        ASSERT_TRUE(clock.AdvanceUntil([&] { return caller.calls > 0; }, 60000, 1));
        const uint32_t took = clock.NowMs() - start;
        EXPECT_EQ(caller.result, c.code);
        EXPECT_LE(took, c.withinMs);
        ASSERT_EQ(prompter.shown().size(), 1u);
        EXPECT_NE(prompter.shown()[0].text.find(c.words), std::string::npos)
            << prompter.shown()[0].text;
        man.reset();
    }
}

// A radio finishing a read still starts frames: that line gets its time to fall quiet.
TEST_F(UartClone, ARadioStillSendingIsNotTakenForAnotherDevice) {
    std::string frames;
    uint8_t data[16] = {};
    for (int a = 0; frames.size() < 38400 / 10 * 3; a += 16)
        frames += SimRadio::Frame(0xE4, SimRadio::DataBody(a, data, 16));
    uart.Stream(frames);
    Caller c;
    ASSERT_TRUE(man->StartInfo(&Caller::Done, &c));
    Finish(c, 20000);
    EXPECT_EQ(c.result, CloneResult::kOk);
    EXPECT_GE(clock.NowMs(), 3000u);
}

}  // namespace
