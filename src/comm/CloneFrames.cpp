#include "comm/CloneFrames.h"

#include <algorithm>
#include <cstring>

#include "base/Hex.h"

namespace clone_frames {

namespace {

const char kHex[] = "0123456789ABCDEF";

void AppendHexByte(cmcBuff& out, unsigned value) {
    const uint8_t pair[] = {static_cast<uint8_t>(kHex[(value >> 4) & 15]),
                            static_cast<uint8_t>(kHex[value & 15])};
    out.AppendBytes(pair, 2);
}

void AppendHead(cmcBuff& out, uint8_t command, int preamble) {
    out.AppendFill(kPreamble, preamble);
    const uint8_t head[] = {kPreamble, kPreamble, kRadio, kProgram, command};
    out.AppendBytes(head, sizeof head);
}

bool IsBcd(uint8_t b) {
    return (b >> 4) <= 9 && (b & 0x0F) <= 9;
}

bool FromRadio(const uint8_t* d, uint8_t command) {
    return d[0] == kPreamble && d[1] == kProgram && d[2] == kRadio && d[3] == command;
}

// The digits of a data frame's body as bytes: address (2), count, data, checksum.
std::optional<CloneResult> ParseDataFrame(const uint8_t* body, int chars, DataBlock& block) {
    if (chars % 2 != 0) return CloneResult::kBadFrame;
    const int size = chars / 2;
    uint8_t bytes[(kMaxFrame + 1) / 2];
    for (int i = 0; i < size; ++i) {
        // Lower-case digits are not part of the protocol.
        const int hi = HexValue(static_cast<char>(body[2 * i]), HexDigits::UpperOnly);
        const int lo = HexValue(static_cast<char>(body[2 * i + 1]), HexDigits::UpperOnly);
        if (hi < 0 || lo < 0) return CloneResult::kBadFrame;
        bytes[i] = static_cast<uint8_t>(hi * 16 + lo);
    }
    if (size < 3 || size != bytes[2] + 4) return CloneResult::kBadFrame;
    unsigned sum = 0;
    for (int i = 0; i < size; ++i) sum += bytes[i];
    if (sum % 256 != 0) return CloneResult::kBadFrame;
    block.address = bytes[0] * 256 + bytes[1];
    block.count = bytes[2];
    std::memcpy(block.bytes.data(), bytes + 3, static_cast<size_t>(block.count));
    return std::nullopt;
}

}  // namespace

void AppendRequest(cmcBuff& out, uint8_t command, int word1, int word2, int preamble) {
    AppendHead(out, command, preamble);
    const uint8_t words[] = {static_cast<uint8_t>(word1 >> 8), static_cast<uint8_t>(word1),
                             static_cast<uint8_t>(word2 >> 8), static_cast<uint8_t>(word2), kEnd};
    out.AppendBytes(words, sizeof words);
}

void AppendDataFrame(cmcBuff& out, int address, const uint8_t* bytes, int count, int preamble) {
    AppendHead(out, kCmdData, preamble);
    const unsigned high = static_cast<unsigned>(address >> 8) & 0xFF;
    const unsigned low = static_cast<unsigned>(address) & 0xFF;
    AppendHexByte(out, high);
    AppendHexByte(out, low);
    AppendHexByte(out, static_cast<unsigned>(count));
    unsigned sum = high + low + static_cast<unsigned>(count);
    for (int i = 0; i < count; ++i) {
        sum += bytes[i];
        AppendHexByte(out, bytes[i]);
    }
    AppendHexByte(out, (256 - sum % 256) % 256);
    out.AppendByte(kEnd);
}

void AppendEndFrame(cmcBuff& out, std::optional<int> frameCount) {
    AppendHead(out, kCmdEnd, 0);
    out.AppendBytes(kMaker, kMakerLength);
    if (frameCount) AppendHexByte(out, static_cast<unsigned>(*frameCount % 256));
    out.AppendByte(kEnd);
}

int DataFrameBytes(int address, int last) {
    return std::min(kBlockSize - address % kBlockSize, last - address + 1);
}

FrameStep Framer::Push(int byte) {
    if (byte == kPreamble) {
        frame_.AssignBytes(&kPreamble, 1);
    } else if (frame_.Size() == 0) {
        // outside a frame
    } else if (byte == kEnd) {
        return FrameStep::Complete;
    } else if (frame_.Size() >= kMaxFrame) {
        return FrameStep::Overflow;
    } else {
        frame_.AppendByte(static_cast<uint8_t>(byte));
    }
    return FrameStep::Partial;
}

std::optional<InfoReply> ParseInfoReply(const cmcBuff& frame) {
    const uint8_t* d = frame.Data();
    if (frame.Size() < 8 || !FromRadio(d, kCmdInfoReply)) return std::nullopt;
    if (!IsBcd(d[4]) || !IsBcd(d[5]) || !IsBcd(d[6]) || !IsBcd(d[7])) return std::nullopt;
    return InfoReply{d[4] * 256 + d[5], d[6] * 256 + d[7], d + 8, frame.Size() - 8};
}

std::optional<CloneResult> ParseReadFrame(const cmcBuff& frame, std::optional<int> frameCount,
                                          DataBlock& block) {
    const int len = frame.Size();
    const uint8_t* d = frame.Data();
    if (len <= 11 || len >= kMaxFrame + 2 || d[0] != kPreamble || d[1] != kProgram ||
        d[2] != kRadio)
        return CloneResult::kBadFrame;
    if (d[3] == kCmdData) return ParseDataFrame(d + 4, len - 4, block);
    if (d[3] != kCmdEnd) return CloneResult::kBadFrame;
    cmcBuff expected;
    expected.AppendBytes(kMaker, kMakerLength);
    if (frameCount) AppendHexByte(expected, static_cast<unsigned>(*frameCount % 256));
    if (len != 4 + expected.Size()) return CloneResult::kBadFrame;
    if (std::memcmp(d + 4, expected.Data(), kMakerLength) != 0) return CloneResult::kBadFrame;
    if (std::memcmp(d + 4 + kMakerLength, expected.Data() + kMakerLength,
                    static_cast<size_t>(expected.Size() - kMakerLength)) != 0)
        return CloneResult::kBadCount;
    return CloneResult::kOk;
}

bool IsAck(const cmcBuff& frame) {
    const uint8_t ack[] = {kPreamble, kProgram, kRadio, kCmdAck, 0x00};
    return frame.Size() == 5 && std::memcmp(frame.Data(), ack, 5) == 0;
}

bool FrameStartIn(uint32_t& history, const uint8_t* bytes, int count) {
    constexpr uint32_t kToProgram = 0xFEFEEFEEu;
    constexpr uint32_t kToRadio = 0xFEFEEEEFu;
    for (int i = 0; i < count; ++i) {
        history = (history << 8) | bytes[i];
        if (history == kToProgram || history == kToRadio) return true;
    }
    return false;
}

}  // namespace clone_frames
