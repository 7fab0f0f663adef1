#pragma once
// Cells of the EEPROM debug tools: the hexadecimal byte grid with its compare base, the
// decimal byte cell, and the debug menu commands. The windows around them only draw what
// these cells produce.
#include <string>

class cmcEeprom;
struct cmcCellCapsule;

struct DebugCellContext {
    cmcEeprom* image = nullptr;              // the working image
    const cmcEeprom* compareBase = nullptr;  // bytes that differ from it are shown red
    // Set when the request is the grid's current byte cell: the byte and the word there.
    std::string statusLine;
};

// Rows of the debug grid: 16 bytes each over 0x0000-0x3FFF.
inline constexpr int kDebugRows = 1024;
inline constexpr int kDebugBytes = kDebugRows * 16;

// The bit window holds a byte shifted up by this many bits and commits it as decimal text.
inline constexpr int kBitWindowShift = 18;

// The image address a debug cell stands for (the byte grid's cells and its row headings cover
// 0x0000-0x3FFF, the decimal byte cell the whole image); -1 for a cell outside them, which shows
// nothing, and for labels that are no debug byte cells.
long long DebugCellAddress(const cmcEeprom& image, int label, int index);

// Handles the debug cells and the debug menu commands; false for any other label.
bool DispatchDebugCell(cmcCellCapsule& req, DebugCellContext& context);

// "%02X, %d, %d, \n%04X, %d, %d": the byte and the little-endian word at the address, each in
// hex, unsigned and signed.
std::string DebugStatusText(const cmcEeprom& image, int address);

// Next address from `address` where the image and the base differ: forward wraps around the
// debug range, backward stops at 0. -1 when there is none.
int NextDifference(const cmcEeprom& image, const cmcEeprom& base, int address, bool forward);

// The debug compare's listing: one "%04X : %02X -> %02X" line per differing address.
std::string DebugCompareText(const cmcEeprom& base, const cmcEeprom& image);
