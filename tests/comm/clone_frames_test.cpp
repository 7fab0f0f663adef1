// The clone protocol's frames, built and taken apart without a port.
#include <gtest/gtest.h>

#include <string>

#include "comm/CloneFrames.h"

namespace cf = clone_frames;

namespace {

std::string Bytes(const cmcBuff& b) {
    return std::string(reinterpret_cast<const char*>(b.Data()), static_cast<size_t>(b.Size()));
}

cmcBuff Buff(const std::string& s) {
    cmcBuff b;
    b.AppendBytes(s.data(), static_cast<int>(s.size()));
    return b;
}

// A frame from the radio as the framer hands it over: one 0xFE, to, from, command, body.
cmcBuff FromRadio(uint8_t command, const std::string& body) {
    return Buff(std::string("\xFE\xEF\xEE", 3) + static_cast<char>(command) + body);
}

}  // namespace

TEST(CloneFrames, BuiltFramesAreByteExact) {
    cmcBuff request;
    cf::AppendRequest(request, cf::kCmdRead, 0x3715, 0x0102, 2);
    EXPECT_EQ(Bytes(request), std::string("\xFE\xFE\xFE\xFE\xEE\xEF\xE2\x37\x15\x01\x02\xFD", 12));

    // Address 0x01C0, two bytes 0xAB 0x0F: 01+C0+02+AB+0F = 0x17D, so the checksum is 0x83.
    const uint8_t data[] = {0xAB, 0x0F};
    cmcBuff frame;
    cf::AppendDataFrame(frame, 0x01C0, data, 2, 1);
    EXPECT_EQ(Bytes(frame), std::string("\xFE\xFE\xFE\xEE\xEF\xE4", 6) + "01C002AB0F83\xFD");

    cmcBuff end;
    cf::AppendEndFrame(end, 0x14D);  // the count is kept to two digits
    EXPECT_EQ(Bytes(end), std::string("\xFE\xFE\xEE\xEF\xE5", 5) + "Vexa Inc.4D\xFD");
    end.SetSize(0);
    cf::AppendEndFrame(end, std::nullopt);
    EXPECT_EQ(Bytes(end), std::string("\xFE\xFE\xEE\xEF\xE5", 5) + "Vexa Inc.\xFD");

    // A data frame never crosses a 16-byte block and never runs past the range.
    EXPECT_EQ(cf::DataFrameBytes(0x0005, 0x0014), 11);
    EXPECT_EQ(cf::DataFrameBytes(0x0010, 0x0014), 5);
    EXPECT_EQ(cf::DataFrameBytes(0x0020, 0x00FF), 16);
}

TEST(CloneFrames, ReadFramesAreTakenOrRefused) {
    struct Case {
        const char* name;
        cmcBuff frame;
        std::optional<int> count;
        std::optional<CloneResult> expected;  // nothing: a data frame taken in
    };
    const Case cases[] = {
        {"data", FromRadio(cf::kCmdData, "01C002AB0F83"), 1, std::nullopt},
        {"data without bytes", FromRadio(cf::kCmdData, "001000F0"), 1, std::nullopt},
        {"bad checksum", FromRadio(cf::kCmdData, "01C002AB0F84"), 1, CloneResult::kBadFrame},
        {"count byte disagrees", FromRadio(cf::kCmdData, "01C003AB0F82"), 1,
         CloneResult::kBadFrame},
        {"odd number of digits", FromRadio(cf::kCmdData, "01C002AB0F830"), 1,
         CloneResult::kBadFrame},
        {"lower-case digits", FromRadio(cf::kCmdData, "01c002AB0F83"), 1, CloneResult::kBadFrame},
        {"short", FromRadio(cf::kCmdData, "01C000"), 1, CloneResult::kBadFrame},
        {"long", FromRadio(cf::kCmdData, std::string(519, '0')), 1, CloneResult::kBadFrame},
        {"to the radio, not from it", Buff(std::string("\xFE\xEE\xEF\xE4", 4) + "01C002AB0F83"), 1,
         CloneResult::kBadFrame},
        {"unknown command", FromRadio(0xE7, "01C002AB0F83"), 1, CloneResult::kBadFrame},
        {"end", FromRadio(cf::kCmdEnd, "Vexa Inc.4D"), 0x14D, CloneResult::kOk},
        {"end without count", FromRadio(cf::kCmdEnd, "Vexa Inc."), std::nullopt, CloneResult::kOk},
        {"end with wrong count", FromRadio(cf::kCmdEnd, "Vexa Inc.4C"), 0x4D,
         CloneResult::kBadCount},
        {"end with count missing", FromRadio(cf::kCmdEnd, "Vexa Inc."), 0x4D,
         CloneResult::kBadFrame},
        {"end with a count not asked for", FromRadio(cf::kCmdEnd, "Vexa Inc.4D"), std::nullopt,
         CloneResult::kBadFrame},
        {"end of another maker", FromRadio(cf::kCmdEnd, "Vexa Ltd.4D"), 0x4D,
         CloneResult::kBadFrame},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        cf::DataBlock block;
        EXPECT_EQ(cf::ParseReadFrame(c.frame, c.count, block), c.expected);
    }
    // The longest data frame the radio may send still parses: 255 bytes.
    std::string longest = "0000FF" + std::string(510, '0') + "01";
    cf::DataBlock block;
    EXPECT_EQ(cf::ParseReadFrame(FromRadio(cf::kCmdData, longest), 0, block), std::nullopt);
    EXPECT_EQ(block.count, 255);

    ASSERT_EQ(cf::ParseReadFrame(FromRadio(cf::kCmdData, "01C002AB0F83"), 0, block), std::nullopt);
    EXPECT_EQ(block.address, 0x01C0);
    EXPECT_EQ(block.count, 2);
    EXPECT_EQ(block.bytes[0], 0xAB);
    EXPECT_EQ(block.bytes[1], 0x0F);
}

TEST(CloneFrames, InformationReplyAndAcknowledgement) {
    const cmcBuff frame = FromRadio(cf::kCmdInfoReply, std::string("\x37\x15\x00\x01xyz", 7));
    const std::optional<cf::InfoReply> reply = cf::ParseInfoReply(frame);  // points into frame
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->word1, 0x3715);
    EXPECT_EQ(reply->word2, 0x0001);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(reply->information),
                          static_cast<size_t>(reply->informationSize)),
              "xyz");
    EXPECT_FALSE(
        cf::ParseInfoReply(FromRadio(cf::kCmdInfoReply, std::string("\x37\x1A\x00\x01", 4))))
        << "not BCD";
    EXPECT_FALSE(cf::ParseInfoReply(FromRadio(cf::kCmdInfoReply, std::string("\x37\x15\x00", 3))))
        << "short";
    EXPECT_FALSE(cf::ParseInfoReply(FromRadio(cf::kCmdAck, std::string("\x37\x15\x00\x01", 4))))
        << "another command";

    EXPECT_TRUE(cf::IsAck(FromRadio(cf::kCmdAck, std::string(1, '\0'))));
    EXPECT_FALSE(cf::IsAck(FromRadio(cf::kCmdAck, std::string(1, '\1'))));
    EXPECT_FALSE(cf::IsAck(FromRadio(cf::kCmdAck, std::string(2, '\0'))));
}

TEST(CloneFrames, FramerSkipsNoiseRestartsAndStopsOverlongFrames) {
    cf::Framer framer;
    std::string got;
    int completed = 0;
    auto feed = [&](const std::string& line) {
        for (unsigned char b : line) {
            const cf::FrameStep step = framer.Push(b);
            if (step == cf::FrameStep::Overflow) return step;
            if (step == cf::FrameStep::Complete) {
                ++completed;
                got = Bytes(framer.Frame());
                framer.Clear();
            }
        }
        return cf::FrameStep::Partial;
    };
    // Noise before the frame and between frames, and a second 0xFE that starts the frame anew.
    feed(std::string("ab\xFD\xFE\x01\xFE\xFE\xEF\xEE\xE6\x00\xFDzz", 14));
    EXPECT_EQ(completed, 1);
    EXPECT_EQ(got, std::string("\xFE\xEF\xEE\xE6\x00", 5));

    EXPECT_EQ(feed("\xFE" + std::string(cf::kMaxFrame - 1, '0') + "\xFD"), cf::FrameStep::Partial);
    EXPECT_EQ(completed, 2);
    EXPECT_EQ(static_cast<int>(got.size()), cf::kMaxFrame);
    EXPECT_EQ(feed("\xFE" + std::string(cf::kMaxFrame, '0')), cf::FrameStep::Overflow);
}

TEST(CloneFrames, FrameStartsAreSeenAcrossChunks) {
    uint32_t history = 0;
    const uint8_t noise[] = {'a', 'b', 0xFE, 0xFE};
    const uint8_t rest[] = {0xEF, 0xEE, 0x00};
    EXPECT_FALSE(cf::FrameStartIn(history, noise, 4));
    EXPECT_TRUE(cf::FrameStartIn(history, rest, 3));
    uint32_t echo = 0;
    const uint8_t own[] = {0xFE, 0xFE, 0xEE, 0xEF};
    EXPECT_TRUE(cf::FrameStartIn(echo, own, 4));
    uint32_t other = 0;
    const uint8_t swapped[] = {0xFE, 0xEE, 0xFE, 0xEF};
    EXPECT_FALSE(cf::FrameStartIn(other, swapped, 4));
}
