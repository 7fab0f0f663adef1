#pragma once
// The frames of the clone protocol, built and taken apart without any I/O.
//
// A frame on the line: preamble 0xFE..., 0xFE 0xFE, to, from, command, body, 0xFD. The program
// is 0xEF and the radio 0xEE. Requests carry the two request words as four bytes; data frames
// carry the address, the byte count, the bytes and a checksum as upper-case hexadecimal digits,
// the checksum making the sum of all of them 0 modulo 256; the end frame carries the maker's
// name and, if so set, the number of data frames modulo 256 as two digits.
//
// A received frame is what the framer gathered: one 0xFE, to, from, command and body, without
// the closing 0xFD.
#include <array>
#include <cstdint>
#include <optional>

#include "base/cmcBuff.h"
#include "comm/CloneResult.h"

namespace clone_frames {

inline constexpr uint8_t kPreamble = 0xFE;
inline constexpr uint8_t kEnd = 0xFD;
inline constexpr uint8_t kRadio = 0xEE;
inline constexpr uint8_t kProgram = 0xEF;
inline constexpr uint8_t kCmdInfo = 0xE0;
inline constexpr uint8_t kCmdInfoReply = 0xE1;
inline constexpr uint8_t kCmdRead = 0xE2;
inline constexpr uint8_t kCmdWrite = 0xE3;
inline constexpr uint8_t kCmdData = 0xE4;
inline constexpr uint8_t kCmdEnd = 0xE5;
inline constexpr uint8_t kCmdAck = 0xE6;
inline constexpr const char* kMaker = "Vexa Inc.";
inline constexpr int kMakerLength = 9;
inline constexpr int kBlockSize = 16;  // data frames the program sends never cross a block
inline constexpr int kMaxFrame = 521;  // longest received frame, as gathered without its 0xFD

// ---- Frames the program sends (appended to `out`) ----

// A request (information, read or write) after `preamble` extra 0xFE.
void AppendRequest(cmcBuff& out, uint8_t command, int word1, int word2, int preamble);
// A data frame of `count` bytes (at most 255) for `address`, after `preamble` extra 0xFE.
void AppendDataFrame(cmcBuff& out, int address, const uint8_t* bytes, int count, int preamble);
// The end of a write; `frameCount` is the number of data frames sent, when the frame says it.
void AppendEndFrame(cmcBuff& out, std::optional<int> frameCount);
// How many bytes from `address` the next data frame up to `last` holds.
int DataFrameBytes(int address, int last);

// ---- Received frames ----

// What one received byte did to the frame being gathered.
enum class FrameStep { Partial, Complete, Overflow };

// Gathers frames: a frame runs from 0xFE (a later 0xFE starts it again) to 0xFD and holds at
// most kMaxFrame bytes before the 0xFD; bytes outside a frame are line noise.
class Framer {
  public:
    // On Complete the frame is in Frame() until the next Push or Clear.
    FrameStep Push(int byte);
    const cmcBuff& Frame() const { return frame_; }
    void Clear() { frame_.SetSize(0); }
    void Reset() { frame_.Reset(); }

  private:
    cmcBuff frame_;
};

struct InfoReply {
    int word1 = 0;
    int word2 = 0;
    const uint8_t* information = nullptr;  // the bytes after the words, inside the frame
    int informationSize = 0;
};
// The radio's answer to the information request; nothing when the frame is not a good one.
std::optional<InfoReply> ParseInfoReply(const cmcBuff& frame);

struct DataBlock {
    int address = 0;
    int count = 0;
    std::array<uint8_t, 255> bytes{};
};
// A frame of a read: nothing when it is a good data frame (its bytes in `block`), kOk for the
// right end frame, else why it ends the run (kBadFrame, or kBadCount for an end frame with the
// wrong number of frames). `frameCount` is the number of data frames taken in before it, when
// the end frame says it.
std::optional<CloneResult> ParseReadFrame(const cmcBuff& frame, std::optional<int> frameCount,
                                          DataBlock& block);

// The radio's acknowledgement of a write's end frame.
bool IsAck(const cmcBuff& frame);

// Follows the line four bytes at a time in `history` and tells whether a frame has started
// among `bytes`: two 0xFE and the two addresses, the radio's answers as well as the echo of
// the program's own frames.
bool FrameStartIn(uint32_t& history, const uint8_t* bytes, int count);

}  // namespace clone_frames
