// The clone driver against the simulated radio over a real pseudo-terminal, on the manual clock.
#include <gtest/gtest.h>

#include <cstring>
#include <optional>

#include "app/CloneMessages.h"
#include "comm/cmcCloneDrv.h"
#include "comm/cmcComm.h"
#include "support/ManualClock.h"
#include "support/SimOnPty.h"

namespace {

const AddressRange kReadList[] = {{0x0000, 0x471F}, kEndOfRanges};
const AddressRange kFullWriteList[] = {
    {0x01C0, 0x02DF}, {0x0310, 0x46AF}, {0x4710, 0x471F}, kEndOfRanges};

struct Outcome {
    int calls = 0;
    CloneResult result = CloneResult::kPortFailed;
    int word1 = 0, word2 = 0;
    std::vector<uint8_t> information;
    std::vector<uint8_t> image;
    bool portOpenInCallback = true;
    cmcCloneDrv* driver = nullptr;

    static void Done(void* self, dst_CDrv_Result* r) {
        auto* o = static_cast<Outcome*>(self);
        ++o->calls;
        o->result = r->result;
        o->word1 = r->word1;
        o->word2 = r->word2;
        o->information.assign(r->information.Data(), r->information.Data() + r->information.Size());
        o->image.resize(static_cast<size_t>(r->image.Size()));
        r->image.ReadBlock(0, o->image.data(), r->image.Size());
        o->portOpenInCallback = o->driver->Port().IsOpen();
    }
};

// The driver set up as the clone manager sets it up, talking to a simulated radio.
class CloneRun : public ::testing::Test {
  protected:
    void Configure(const SimFaults& faults = {}) {
        sim.emplace(faults);
        drv.emplace();
        drv->SetPort(sim->PortNumber(), "38400,N,8,1");
        drv->SetRequestWords(0x3715, 0);
        drv->SetImageSize(0x8000);
        drv->SetRequestPreamble(48);
        drv->SetDataPreamble(50, 50);
        drv->SetCountInEndFrame(true);
        drv->SetEchoCheck(true);
        sim->SetPeer(&drv->Port());
        out.driver = &*drv;
    }
    void SetUp() override { Configure(); }
    void TearDown() override {
        drv.reset();
        sim.reset();
    }
    // Runs the clock until the completion came; returns the manual milliseconds it took.
    uint32_t Finish(uint32_t limitMs = 120000) {
        uint32_t start = clock.NowMs();
        EXPECT_TRUE(clock.AdvanceUntil([&] { return out.calls > 0; }, limitMs, 5));
        clock.Advance(20);  // nothing further may happen
        EXPECT_EQ(out.calls, 1);
        EXPECT_FALSE(drv->IsBusy());
        return clock.NowMs() - start;
    }
    void FillRadio() {
        for (int a = 0; a < SimRadio::kImageSize; ++a)
            sim->Radio().Image().SetByte(a, static_cast<uint8_t>(a * 7 + (a >> 8)));
        sim->Radio().Image().SetByte(0x0F1A, 1);
        sim->Radio().SetUpIdentity();
    }

    test::ManualClock clock;
    std::optional<test::SimOnPty> sim;
    std::optional<cmcCloneDrv> drv;
    Outcome out;
};

TEST_F(CloneRun, InformationRunGivesWordsAndIdentity) {
    ASSERT_TRUE(drv->StartInfo(&Outcome::Done, &out));
    Finish();
    EXPECT_EQ(out.result, CloneResult::kOk);
    EXPECT_EQ(out.word1, 0x3715);
    EXPECT_EQ(out.word2, 0x0001);
    ASSERT_EQ(out.information.size(), 34u);
    EXPECT_EQ(out.information, sim->Radio().Identity());
    EXPECT_EQ(out.information[0], 34);
    EXPECT_FALSE(out.portOpenInCallback);  // the completion comes after the port is closed
}

TEST_F(CloneRun, FullReadCopiesTheCloneAreaAndCountsData) {
    FillRadio();
    ASSERT_TRUE(drv->StartRead(kReadList, &Outcome::Done, &out));
    Finish();
    ASSERT_EQ(out.result, CloneResult::kOk);
    EXPECT_EQ(drv->DataCounter(), 0x4720);
    EXPECT_EQ(drv->FrameCounter(), 0x4720 / 16);
    for (int a = 0; a < 0x8000; ++a) {
        uint8_t want = a <= 0x471F ? sim->Radio().Image().GetByte(a) : 0;
        ASSERT_EQ(out.image[static_cast<size_t>(a)], want) << "address " << a;
    }
}

TEST_F(CloneRun, FullWriteListSendsAlignedBlocksAndCount4D) {
    cmcEeprom image;
    image.SetSize(0x8000);
    for (int a = 0; a < 0x8000; ++a) image.SetByte(a, static_cast<uint8_t>(a ^ (a >> 8)));
    ASSERT_TRUE(drv->StartWrite(image, kFullWriteList, &Outcome::Done, &out));
    Finish();
    ASSERT_EQ(out.result, CloneResult::kOk);
    EXPECT_EQ(drv->FrameCounter(), 1101);
    EXPECT_EQ(sim->Radio().WrittenCount(), "4D");
    const auto& blocks = sim->Radio().WrittenBlocks();
    ASSERT_EQ(blocks.size(), 1101u);
    EXPECT_EQ(blocks[0], std::make_pair(0x01C0, 16));
    EXPECT_EQ(blocks[17], std::make_pair(0x02D0, 16));
    EXPECT_EQ(blocks[18], std::make_pair(0x0310, 16));
    EXPECT_EQ(blocks[1099], std::make_pair(0x46A0, 16));
    EXPECT_EQ(blocks[1100], std::make_pair(0x4710, 16));
    // What the radio holds now is the image in the written ranges (its own identity aside).
    for (const AddressRange& r : kFullWriteList)
        for (int a = r.first; a <= r.last; ++a)
            if (a < 0x0F2B || a > 0x0F35) {
                ASSERT_EQ(sim->Radio().Image().GetByte(a), image.GetByte(a)) << a;
            }
}

TEST_F(CloneRun, UnalignedRangeIsSplitAtSixteenByteBoundaries) {
    cmcEeprom image;
    image.SetSize(0x8000);
    const AddressRange ranges[] = {{0x0005, 0x0014}, kEndOfRanges};
    ASSERT_TRUE(drv->StartWrite(image, ranges, &Outcome::Done, &out));
    Finish();
    EXPECT_EQ(out.result, CloneResult::kOk);
    EXPECT_EQ(sim->Radio().WrittenBlocks(),
              (std::vector<std::pair<int, int>>{{0x0005, 11}, {0x0010, 5}}));
    EXPECT_EQ(sim->Radio().WrittenCount(), "02");
}

// Each fault of the radio or its link ends the run with its own result code.
TEST_F(CloneRun, FaultsGiveTheirResultCodes) {
    struct Case {
        const char* name;
        SimFaults faults;
        CloneOperation operation;
        CloneResult expected;
    };
    auto f = [](auto set) {
        SimFaults x;
        set(x);
        return x;
    };
    const Case cases[] = {
        {"no echo", f([](SimFaults& x) { x.noEcho = true; }), CloneOperation::kInfo,
         CloneResult::kEchoFailed},
        {"garbled echo", f([](SimFaults& x) { x.garbleEcho = true; }), CloneOperation::kRead,
         CloneResult::kEchoFailed},
        {"silent radio", f([](SimFaults& x) { x.silent = true; }), CloneOperation::kInfo,
         CloneResult::kTimeout},
        {"read refused", f([](SimFaults& x) { x.refuseRead = true; }), CloneOperation::kRead,
         CloneResult::kTimeout},
        {"dropped frame", f([](SimFaults& x) { x.dropFrame = 300; }), CloneOperation::kRead,
         CloneResult::kIncomplete},
        {"bad checksum", f([](SimFaults& x) { x.badChecksum = 5; }), CloneOperation::kRead,
         CloneResult::kBadFrame},
        {"wrong count", f([](SimFaults& x) { x.wrongCount = true; }), CloneOperation::kRead,
         CloneResult::kBadCount},
        {"write refused", f([](SimFaults& x) { x.refuseWrite = true; }), CloneOperation::kWrite,
         CloneResult::kNotAcknowledged},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        drv.reset();
        sim.reset();
        Configure(c.faults);
        out = Outcome{};
        out.driver = &*drv;
        cmcEeprom image;
        image.SetSize(0x8000);
        bool started = c.operation == CloneOperation::kInfo ? drv->StartInfo(&Outcome::Done, &out)
                       : c.operation == CloneOperation::kRead
                           ? drv->StartRead(kReadList, &Outcome::Done, &out)
                           : drv->StartWrite(image, kFullWriteList, &Outcome::Done, &out);
        ASSERT_TRUE(started);
        Finish();
        EXPECT_EQ(out.result, c.expected);
        EXPECT_FALSE(drv->Port().IsOpen());
    }
}

// Answers to a read made by hand: which frames the driver takes and which end the run.
TEST_F(CloneRun, ReadFrameChecks) {
    std::vector<uint8_t> zeros(256, 0);
    auto data = [&](int address, int n, int delta = 0) {
        return SimRadio::Frame(0xE4, SimRadio::DataBody(address, zeros.data(), n, delta));
    };
    auto end = [](int count) {
        char c[3];
        std::snprintf(c, sizeof c, "%02X", count % 256);
        return SimRadio::Frame(0xE5, std::string("Vexa Inc.") + c);
    };
    // The whole clone area in 128-byte frames, optionally leaving some out.
    auto whole = [&](int skipAddress) {
        std::string s;
        int frames = 0;
        for (int a = 0; a < 0x4720; a += 0x80) {
            int n = std::min(0x80, 0x4720 - a);
            if (a == skipAddress) continue;
            s += data(a, n);
            ++frames;
        }
        return std::make_pair(s, frames);
    };
    const std::string lower = SimRadio::Frame(0xE4,
                                              "000002"
                                              "0a0b"
                                              "E9");

    struct Case {
        const char* name;
        std::string answer;
        int imageSize;
        CloneResult expected;
    };
    auto [all, count] = whole(-1);
    auto [missing, missingCount] = whole(0x0800);
    // A middle block, the lowest, then the highest: marks must survive the map's growth.
    std::string shuffled = data(0x1000, 0x80) + data(0x0000, 0x80) + data(0x4700, 0x20);
    for (int a = 0x0080; a < 0x4700; a += 0x80)
        if (a != 0x1000) shuffled += data(a, std::min(0x80, 0x4700 - a));
    const Case cases[] = {
        {"complete", all + end(count), 0x8000, CloneResult::kOk},
        {"any order", shuffled + end(count), 0x8000, CloneResult::kOk},
        {"one block missing", missing + end(missingCount), 0x8000, CloneResult::kIncomplete},
        {"count one too low", all + end(count - 1), 0x8000, CloneResult::kBadCount},
        {"lower-case digits", lower + end(1), 0x8000, CloneResult::kBadFrame},
        {"checksum off by one", data(0, 16, 1) + end(1), 0x8000, CloneResult::kBadFrame},
        {"odd number of digits", SimRadio::Frame(0xE4, "0000010000F") + end(1), 0x8000,
         CloneResult::kBadFrame},
        {"count byte disagrees",
         SimRadio::Frame(0xE4,
                         "000003"
                         "0000"
                         "FD") +
             end(1),
         0x8000, CloneResult::kBadFrame},
        {"at the image size", data(0x4720, 16) + end(1), 0x4720, CloneResult::kOutOfRange},
        {"outside the range list", all + data(0x5000, 16) + end(count + 1), 0x8000,
         CloneResult::kOutOfRange},
        {"unknown command", SimRadio::Frame(0xE7, "0000000000") + end(0), 0x8000,
         CloneResult::kBadFrame},
        {"frame too long", SimRadio::Frame(0xE4, std::string(600, '0')), 0x8000,
         CloneResult::kBadFrame},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        drv.reset();
        sim.reset();
        Configure();
        drv->SetImageSize(c.imageSize);
        out = Outcome{};
        out.driver = &*drv;
        std::string answer = c.answer;
        sim->Radio().SetAnswer(0xE2, [answer](std::string& o) { o += answer; });
        ASSERT_TRUE(drv->StartRead(kReadList, &Outcome::Done, &out));
        Finish();
        EXPECT_EQ(out.result, c.expected);
    }
}

TEST_F(CloneRun, InformationReplyChecks) {
    const std::string words("\x37\x15\x00\x01", 4);
    // The longest frame the program takes: 0xFE, addresses, command, words, information.
    const size_t longest = 521 - 1 - 3 - 4;
    struct Case {
        const char* name;
        std::string body;
        CloneResult expected;
        size_t information = 34;
    } const cases[] = {
        {"words and 34 bytes", words + std::string(34, '\x22'), CloneResult::kOk},
        {"a word byte that is not BCD", std::string("\x37\x15\x3A\x01", 4) + std::string(34, 'x'),
         CloneResult::kBadFrame},
        {"too short", std::string("\x37\x15\x00"), CloneResult::kBadFrame},
        {"longest frame", words + std::string(longest, '\x22'), CloneResult::kOk, longest},
        {"one byte longer", words + std::string(longest + 1, '\x22'), CloneResult::kBadFrame},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        drv.reset();
        sim.reset();
        Configure();
        out = Outcome{};
        out.driver = &*drv;
        std::string frame = SimRadio::Frame(0xE1, c.body);
        sim->Radio().SetAnswer(0xE0, [frame](std::string& o) { o += frame; });
        ASSERT_TRUE(drv->StartInfo(&Outcome::Done, &out));
        Finish();
        EXPECT_EQ(out.result, c.expected);
        if (c.expected == CloneResult::kOk) {
            EXPECT_EQ(out.word1, 0x3715);
            EXPECT_EQ(out.word2, 0x0001);
            EXPECT_EQ(out.information.size(), c.information);
        }
    }
}

TEST_F(CloneRun, SilentRadioTimesOutAfterAboutOneSecond) {
    drv.reset();
    sim.reset();
    SimFaults silent;
    silent.silent = true;
    Configure(silent);
    ASSERT_TRUE(drv->StartInfo(&Outcome::Done, &out));
    uint32_t took = Finish();
    EXPECT_EQ(out.result, CloneResult::kTimeout);
    EXPECT_GE(took, 1000u);
    EXPECT_LT(took, 1400u);
}

TEST_F(CloneRun, MissingAcknowledgementTimesOutTwoSecondsAfterTheEndFrame) {
    drv.reset();
    sim.reset();
    SimFaults noAck;
    noAck.noAck = true;
    Configure(noAck);
    cmcEeprom image;
    image.SetSize(0x8000);
    const AddressRange ranges[] = {{0x0000, 0x000F}, kEndOfRanges};
    ASSERT_TRUE(drv->StartWrite(image, ranges, &Outcome::Done, &out));
    ASSERT_TRUE(clock.AdvanceUntil([&] { return drv->State() == cmcCloneDrv::kAwaitAck; }, 5000));
    uint32_t took = Finish();
    EXPECT_EQ(out.result, CloneResult::kTimeout);
    EXPECT_GE(took, 2000u);
    EXPECT_LT(took, 2100u);
}

TEST_F(CloneRun, RadioGoneMidReadTimesOutWithinASecond) {
    FillRadio();
    ASSERT_TRUE(drv->StartRead(kReadList, &Outcome::Done, &out));
    ASSERT_TRUE(clock.AdvanceUntil([&] { return drv->DataCounter() > 1000; }, 5000));
    sim->Stop();
    uint32_t took = Finish();
    EXPECT_EQ(out.result, CloneResult::kTimeout);
    EXPECT_LT(took, 1300u);  // what was already on its way, then one second
}

TEST_F(CloneRun, StartWhileBusyIsRefusedAndLeavesTheRunAlone) {
    ASSERT_TRUE(drv->StartInfo(&Outcome::Done, &out));
    Outcome other;
    cmcEeprom image;
    image.SetSize(0x8000);
    EXPECT_FALSE(drv->StartInfo(&Outcome::Done, &other));
    EXPECT_FALSE(drv->StartRead(kReadList, &Outcome::Done, &other));
    EXPECT_FALSE(drv->StartWrite(image, kFullWriteList, &Outcome::Done, &other));
    Finish();
    EXPECT_EQ(out.result, CloneResult::kOk);
    EXPECT_EQ(other.calls, 0);
}

TEST_F(CloneRun, PortThatCannotBeOpenedGivesTwo) {
    // Held by another opener.
    cmcComm holder;
    ASSERT_TRUE(holder.Open(sim->PortNumber(), "38400,N,8,1"));
    ASSERT_TRUE(drv->StartInfo(&Outcome::Done, &out));
    Finish();
    EXPECT_EQ(out.result, CloneResult::kPortFailed);
    EXPECT_NE(PortOpenText(drv->Port().LastOpenFailure()).find(sim->DevicePath()),
              std::string::npos);
    EXPECT_NE(PortOpenText(drv->Port().LastOpenFailure()).find("in use"), std::string::npos);
    holder.Close();

    // A number without a device, and a device that does not exist.
    out = Outcome{};
    out.driver = &*drv;
    drv->SetPort(200, "38400,N,8,1");
    ASSERT_TRUE(drv->StartInfo(&Outcome::Done, &out));
    Finish();
    EXPECT_EQ(out.result, CloneResult::kPortFailed);

    PortTable().Assign(201, "/dev/kelda-no-such-device");
    out = Outcome{};
    out.driver = &*drv;
    drv->SetPort(201, "38400,N,8,1");
    ASSERT_TRUE(drv->StartInfo(&Outcome::Done, &out));
    Finish();
    EXPECT_EQ(out.result, CloneResult::kPortFailed);
    EXPECT_NE(PortOpenText(drv->Port().LastOpenFailure()).find("/dev/kelda-no-such-device"),
              std::string::npos);
}

TEST_F(CloneRun, InformationThenReadFromInsideTheCompletion) {
    // The clone commands start the read from the information run's completion.
    struct Chain {
        cmcCloneDrv* drv;
        Outcome read;
        CloneResult infoResult = CloneResult::kPortFailed;
        static void Info(void* self, dst_CDrv_Result* r) {
            auto* c = static_cast<Chain*>(self);
            c->infoResult = r->result;
            EXPECT_FALSE(c->drv->IsBusy());
            EXPECT_TRUE(c->drv->StartRead(kReadList, &Outcome::Done, &c->read));
        }
    } chain{&*drv, {}};
    chain.read.driver = &*drv;
    ASSERT_TRUE(drv->StartInfo(&Chain::Info, &chain));
    ASSERT_TRUE(clock.AdvanceUntil([&] { return chain.read.calls > 0; }, 60000, 5));
    EXPECT_EQ(chain.infoResult, CloneResult::kOk);
    EXPECT_EQ(chain.read.result, CloneResult::kOk);
}

}  // namespace
