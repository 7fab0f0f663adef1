#pragma once
// The radio's identity block: the 34 information bytes of its answer to an information request.
// The block mirrors the radio's memory from 0x0F14 on, except that byte 0 carries the block's
// length (34):
//   byte 5       model index (memory 0x0F19)
//   byte 6       map marker, must be 1 (0x0F1A)
//   bytes 7..22  the 16-character clone comment (0x0F1B..0x0F2A)
//   byte 23      flags: bit 0 the radio refuses to be read, bit 1 model group (types 0..6)
//   bytes 26..30 five revision characters, digits at 26, 28, 29 and 30 ("1.234")
// The flag and revision bytes are the radio's own: a write run does not change them.
#include <cstdint>

namespace radioid {

inline constexpr int kSize = 34;
inline constexpr int kMemoryOrigin = 0x0F14;
inline constexpr int kLength = 0;
inline constexpr int kModelIndex = 5;
inline constexpr int kMapMarker = 6;
inline constexpr int kComment = 7;
inline constexpr int kCommentSize = 16;
inline constexpr int kFlags = 23;
inline constexpr int kRevision = 26;
inline constexpr int kRevisionSize = 5;
inline constexpr int kFirmwareFirst = kFlags;  // bytes from here to the end are the radio's own

inline constexpr uint8_t kFlagRefusesRead = 0x01;
inline constexpr uint8_t kFlagModelGroup = 0x02;

// The version number of the four revision digits, or 0 when any of them lies above '9'.
inline int Version(const uint8_t* block) {
    const int at[4] = {kRevision, kRevision + 2, kRevision + 3, kRevision + 4};
    int v = 0;
    for (int i : at) {
        if (block[i] > '9') return 0;
        v = v * 10 + (block[i] - '0');
    }
    return v;
}

}  // namespace radioid
