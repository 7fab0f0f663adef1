#pragma once
// Where the radio keeps its record tables in the EEPROM image. Every record-table offset lives
// here; code elsewhere asks this table, never spells an address of its own.
#include <cstdint>

namespace mm {

// The radio's model code and sub-code: the clone request and every clone file header carry them.
inline constexpr int kModelCode = 0x3715;
inline constexpr int kSubCode = 0x0001;

// Record tables, numbered as the cell catalogue maps categories to them.
enum Table : int {
    kNoTable = 0,
    kIntCh = 1,
    kUsaCh = 2,
    kCanCh = 3,
    kDscCh = 4,
    kWxCh = 5,
    kFreeCh = 6,
    kDscIndId = 7,
    kDscGrpId = 8,
    kTableCount = 9,
};

// Rows of each record table.
inline constexpr int kChannelRows = 418;      // each of the three channel tables (1-3)
inline constexpr int kDscChannelSlots = 171;  // flag slots of the DSC channels (4)
inline constexpr int kWxRows = 10;
inline constexpr int kFreeRows = 70;
inline constexpr int kIndividualIdRows = 75;
inline constexpr int kGroupIdRows = 25;

inline constexpr int kIdRecordSize = 16;
inline constexpr int kIndividualIdRecords = 0x2430;  // the group IDs follow at once
inline constexpr int kGroupIdRecords = kIndividualIdRecords + kIndividualIdRows * kIdRecordSize;

struct TableLayout {
    int rows;        // rows 0..rows-1 (DSC channels: number of flag slots)
    int flagBase;    // channel tables: one flag byte per row (DSC channels: per slot)
    int recordBase;  // fixed-size records (free channels, DSC IDs)
    int recordSize;
    int nameBase;  // names of 10 characters, one per row
    int markSlot;  // channel tables: slot of the P and C row numbers, else -1
};

inline constexpr TableLayout kTables[kTableCount] = {
    /* none      */ {0, 0, 0, 0, 0, -1},
    /* IntCh     */ {kChannelRows, 0x04D0, 0, 0, 0x0F40, 1},
    /* UsaCh     */ {kChannelRows, 0x0310, 0, 0, 0x0F40, 0},
    /* CanCh     */ {kChannelRows, 0x0690, 0, 0, 0x0F40, 2},
    /* DscCh     */ {kDscChannelSlots, 0x2160, 0, 0, 0x0F40, -1},
    /* WxCh      */ {kWxRows, 0, 0, 0, 0x20C0, -1},
    /* FreeCh    */ {kFreeRows, 0, 0x0850, 8, 0, -1},
    /* DscIndId  */ {kIndividualIdRows, 0, kIndividualIdRecords, kIdRecordSize, 0, -1},
    /* DscGrpId  */ {kGroupIdRows, 0, kGroupIdRecords, kIdRecordSize, 0, -1},
};

inline constexpr int kNameLength = 10;
inline constexpr int kShortNameLength = 3;
inline constexpr int kIdBytes = 5;

// Channel tables (1-3): kinds of rows.
inline constexpr int kFirstFixedSimplexRow = 234;  // 234..347: 4-digit channels, always simplex
inline constexpr int kFirstFreeRow = 348;          // 348..417 stand for free channels 0..69
static_assert(kFirstFreeRow + kFreeRows == kChannelRows);

// Channel flag byte (tables 1-4).
inline constexpr uint8_t kChUnusedBit = 0x80;
inline constexpr uint8_t kChTagBit = 0x40;
inline constexpr uint8_t kChPocBit = 0x20;
inline constexpr uint8_t kChTxInhBit = 0x04;
inline constexpr uint8_t kChSimplexBit = 0x02;

// P and C channel row numbers (u16 per mark slot).
inline constexpr int kPChannelRows = 0x0BB2;
inline constexpr int kCChannelRows = 0x0AB0;

// Weather channels: one unused bit per row in this u16 (set = not used).
inline constexpr int kWxUnusedWord = 0x0BB0;

// Free channel record.
inline constexpr int kFreeRxOffset = 0;    // u16, (Hz - kFreeRxBaseHz) / step
inline constexpr int kFreeTxOffset = 2;    // u16, Hz / step
inline constexpr int kFreeNameOffset = 4;  // 3 LCD characters
inline constexpr int kFreeStepOffset = 7;  // bit 0: rx step 6250 Hz, bit 1: tx step 6250 Hz
inline constexpr int kFreeRxBaseHz = 30'150'000;
inline constexpr uint16_t kFreeBlankRaw = 0xFFFF;  // a frequency never set

// DSC ID record.
inline constexpr int kIdOffset = 0;       // 10 digits, two per byte
inline constexpr int kIdNameOffset = 5;   // 10 LCD characters
inline constexpr int kIdKindOffset = 15;  // 0 individual, 1 group, 255 empty
inline constexpr uint8_t kKindIndividual = 0;
inline constexpr uint8_t kKindGroup = 1;
inline constexpr uint8_t kKindEmpty = 255;

// Function switches that record cells consult.
inline constexpr int kFunctionSwitches = 0x0BB8;   // bit 4 scan
inline constexpr int kFunctionSwitches2 = 0x0BB9;  // bit 6 dual watch, bit 7 tri watch

// DSC channel number -> flag slot and name row; false for numbers the radio does not use.
struct DscChannelPlace {
    int slot;
    int nameRow;
};
constexpr bool DscChannelPlaceOf(int n, DscChannelPlace& out) {
    if (n >= 1 && n <= 28) {
        out = {n - 1, 2 * n};
    } else if (n >= 60 && n <= 88) {
        out = {n - 32, 2 * n};
    } else if (n >= 1001 && n <= 1028) {
        out = {n - 944, n - 767};
    } else if (n >= 1060 && n <= 1088) {
        out = {n - 975, n - 798};
    } else if (n >= 2001 && n <= 2028) {
        out = {n - 1887, n - 1710};
    } else if (n >= 2060 && n <= 2088) {
        out = {n - 1918, n - 1741};
    } else {
        return false;
    }
    return true;
}

}  // namespace mm
