#include "radio/datCh.h"

#include <cstdio>

#include "radio/MemoryMap.h"
#include "radio/cmcEeprom.h"

namespace {

uint16_t GetU16(const cmcEeprom& image, int address) {
    return static_cast<uint16_t>(image.GetByte(address) | (image.GetByte(address + 1) << 8));
}

void SetU16(cmcEeprom& image, int address, uint16_t value) {
    image.SetByte(address, static_cast<uint8_t>(value & 0xFF));
    image.SetByte(address + 1, static_cast<uint8_t>(value >> 8));
}

bool IsChannelTable(int table) {
    return table == mm::kIntCh || table == mm::kUsaCh || table == mm::kCanCh;
}

bool IsIdTable(int table) {
    return table == mm::kDscIndId || table == mm::kDscGrpId;
}

// Flag byte <-> cursor flags (tables 1-4).
uint8_t FlagsFromByte(uint8_t b) {
    uint8_t f = 0;
    if (b & mm::kChUnusedBit) f |= datCh::kUnused;
    if (b & mm::kChTagBit) f |= datCh::kTag;
    if (b & mm::kChPocBit) f |= datCh::kPoc;
    if (b & mm::kChTxInhBit) f |= datCh::kTxInh;
    if (b & mm::kChSimplexBit) f |= datCh::kSimplex;
    return f;
}

uint8_t ByteFromFlags(uint8_t old, uint8_t f, bool keepSimplex) {
    constexpr uint8_t kOurs =
        mm::kChUnusedBit | mm::kChTagBit | mm::kChPocBit | mm::kChTxInhBit | mm::kChSimplexBit;
    uint8_t b = old & ~kOurs;
    if (f & datCh::kUnused) b |= mm::kChUnusedBit;
    if (f & datCh::kTag) b |= mm::kChTagBit;
    if (f & datCh::kPoc) b |= mm::kChPocBit;
    if (f & datCh::kTxInh) b |= mm::kChTxInhBit;
    if (keepSimplex) {
        b |= old & mm::kChSimplexBit;
    } else if (f & datCh::kSimplex) {
        b |= mm::kChSimplexBit;
    }
    return b;
}

void ReadText(const cmcEeprom& image, int address, char* out, int n) {
    for (int i = 0; i < n; ++i) out[i] = static_cast<char>(image.GetByte(address + i));
}

void WriteText(cmcEeprom& image, int address, const char* in, int n) {
    for (int i = 0; i < n; ++i) image.SetByte(address + i, static_cast<uint8_t>(in[i]));
}

// Free-channel frequency: 12500 Hz steps when the frequency allows, else 6250 Hz.
uint16_t EncodeFreeFrequency(uint32_t hz, bool receive, bool& fineStep) {
    fineStep = hz % 12500 != 0;
    const uint32_t step = fineStep ? 6250 : 12500;
    int64_t base = receive ? mm::kFreeRxBaseHz : 0;
    int64_t raw = (static_cast<int64_t>(hz) - base) / step;
    if (raw < 0 || raw >= mm::kFreeBlankRaw) {
        // Outside what the record can hold (the editors never produce this): keep it blank.
        fineStep = false;
        return mm::kFreeBlankRaw;
    }
    return static_cast<uint16_t>(raw);
}

}  // namespace

bool DecodeFreeFrequency(uint16_t raw, bool fineStep, bool receive, uint32_t& hz) {
    if (raw == mm::kFreeBlankRaw) {
        hz = 0;
        return false;
    }
    hz = static_cast<uint32_t>(raw) * (fineStep ? 6250u : 12500u) +
         (receive ? static_cast<uint32_t>(mm::kFreeRxBaseHz) : 0u);
    return true;
}

bool RecordExists(int table, int row) {
    if (table <= mm::kNoTable || table >= mm::kTableCount) return false;
    if (table == mm::kDscCh) {
        mm::DscChannelPlace place{};
        return mm::DscChannelPlaceOf(row, place);
    }
    return row >= 0 && row < mm::kTables[table].rows;
}

bool SimplexIsFixed(int row) {
    return (row < mm::kFirstFixedSimplexRow && (row & 1)) ||
           (row >= mm::kFirstFixedSimplexRow && row < mm::kFirstFreeRow);
}

void datCh::Reset(int t, int r) {
    table = t;
    row = r;
    marks = 0;
    flags = 0;
    name.fill(0);
    kind = 0;
    id.fill(0);
    state = kLoaded;
    rxHz = 0;
    txHz = 0;
    shortName.fill(0);
}

void datCh::Load(int t, int r) {
    Reset(t, r);
    if (image == nullptr || !RecordExists(t, r)) return;
    const mm::TableLayout& L = mm::kTables[t];
    cmcEeprom& img = *image;

    if (IsChannelTable(t)) {
        flags = FlagsFromByte(img.GetByte(L.flagBase + r));
        if (SimplexIsFixed(r)) flags |= kSimplex;
        ReadText(img, L.nameBase + mm::kNameLength * r, name.data(), mm::kNameLength);
        if (GetU16(img, mm::kPChannelRows + 2 * L.markSlot) == r) marks |= kMarkP;
        if (GetU16(img, mm::kCChannelRows + 2 * L.markSlot) == r) marks |= kMarkC;
    } else if (t == mm::kDscCh) {
        mm::DscChannelPlace place{};
        mm::DscChannelPlaceOf(r, place);
        flags = FlagsFromByte(img.GetByte(L.flagBase + place.slot));
        ReadText(img, L.nameBase + mm::kNameLength * place.nameRow, name.data(), mm::kNameLength);
    } else if (t == mm::kWxCh) {
        if (GetU16(img, mm::kWxUnusedWord) & (1u << r)) flags |= kUnused;
        ReadText(img, L.nameBase + mm::kNameLength * r, name.data(), mm::kNameLength);
    } else if (t == mm::kFreeCh) {
        const int a = L.recordBase + L.recordSize * r;
        const uint8_t steps = img.GetByte(a + mm::kFreeStepOffset);
        if (!DecodeFreeFrequency(GetU16(img, a + mm::kFreeRxOffset), steps & 1, true, rxHz))
            state |= kRxBlank;
        if (!DecodeFreeFrequency(GetU16(img, a + mm::kFreeTxOffset), steps & 2, false, txHz))
            state |= kTxBlank;
        ReadText(img, a + mm::kFreeNameOffset, shortName.data(), mm::kShortNameLength);
    } else if (IsIdTable(t)) {
        const int a = L.recordBase + L.recordSize * r;
        for (int i = 0; i < mm::kIdBytes; ++i) id[i] = img.GetByte(a + mm::kIdOffset + i);
        ReadText(img, a + mm::kIdNameOffset, name.data(), mm::kNameLength);
        kind = img.GetByte(a + mm::kIdKindOffset);
        if (kind != mm::kKindEmpty && IdValid()) {
            if (id[0] != 0) kind = id[0] <= 9 ? mm::kKindGroup : mm::kKindIndividual;
        } else {
            state &= ~kLoaded;
            id.fill(0xFF);
            kind = mm::kKindEmpty;
        }
    }
}

void datCh::Store() {
    if (image == nullptr || !RecordExists(table, row)) return;
    const mm::TableLayout& L = mm::kTables[table];
    cmcEeprom& img = *image;
    const int r = row;

    if (IsChannelTable(table)) {
        const int a = L.flagBase + r;
        // Fixed simplex rows and the free-channel rows keep their stored simplex bit: the
        // first never changes, the second follows the free channel's frequencies.
        img.SetByte(
            a, ByteFromFlags(img.GetByte(a), flags, SimplexIsFixed(r) || r >= mm::kFirstFreeRow));
        WriteText(img, L.nameBase + mm::kNameLength * r, name.data(), mm::kNameLength);
        if (marks & kMarkP)
            SetU16(img, mm::kPChannelRows + 2 * L.markSlot, static_cast<uint16_t>(r));
        if (marks & kMarkC)
            SetU16(img, mm::kCChannelRows + 2 * L.markSlot, static_cast<uint16_t>(r));
    } else if (table == mm::kDscCh) {
        mm::DscChannelPlace place{};
        mm::DscChannelPlaceOf(r, place);
        const int a = L.flagBase + place.slot;
        img.SetByte(a, ByteFromFlags(img.GetByte(a), flags, false));
        WriteText(img, L.nameBase + mm::kNameLength * place.nameRow, name.data(), mm::kNameLength);
    } else if (table == mm::kWxCh) {
        uint16_t w = GetU16(img, mm::kWxUnusedWord);
        if (flags & kUnused) {
            w |= static_cast<uint16_t>(1u << r);
        } else {
            w &= static_cast<uint16_t>(~(1u << r));
        }
        SetU16(img, mm::kWxUnusedWord, w);
        WriteText(img, L.nameBase + mm::kNameLength * r, name.data(), mm::kNameLength);
    } else if (table == mm::kFreeCh) {
        const int a = L.recordBase + L.recordSize * r;
        bool rxFine = false;
        bool txFine = false;
        const uint16_t rx =
            (state & kRxBlank) ? mm::kFreeBlankRaw : EncodeFreeFrequency(rxHz, true, rxFine);
        const uint16_t tx =
            (state & kTxBlank) ? mm::kFreeBlankRaw : EncodeFreeFrequency(txHz, false, txFine);
        SetU16(img, a + mm::kFreeRxOffset, rx);
        SetU16(img, a + mm::kFreeTxOffset, tx);
        WriteText(img, a + mm::kFreeNameOffset, shortName.data(), mm::kShortNameLength);
        const uint8_t old = img.GetByte(a + mm::kFreeStepOffset);
        img.SetByte(a + mm::kFreeStepOffset,
                    static_cast<uint8_t>((old & ~3) | (rxFine ? 1 : 0) | (txFine ? 2 : 0)));
        // The channel tables' simplex flag of this free channel's row follows its frequencies.
        const bool simplex = rxHz == txHz && (state & (kRxBlank | kTxBlank)) == 0;
        const int chRow = mm::kFirstFreeRow + r;
        for (int t : {mm::kIntCh, mm::kUsaCh, mm::kCanCh}) {
            const int fa = mm::kTables[t].flagBase + chRow;
            uint8_t b = img.GetByte(fa);
            b = simplex ? (b | mm::kChSimplexBit) : (b & ~mm::kChSimplexBit);
            img.SetByte(fa, b);
        }
    } else if (IsIdTable(table)) {
        const int a = L.recordBase + L.recordSize * r;
        if (!IdValid()) {
            for (int i = 0; i < mm::kIdBytes; ++i) img.SetByte(a + mm::kIdOffset + i, 0xFF);
            for (int i = 0; i < mm::kNameLength; ++i) img.SetByte(a + mm::kIdNameOffset + i, ' ');
            img.SetByte(a + mm::kIdKindOffset, mm::kKindEmpty);
            return;
        }
        SetDigit(9, 0);  // the IDs are 9-digit MMSIs
        for (int i = 0; i < mm::kIdBytes; ++i) img.SetByte(a + mm::kIdOffset + i, id[i]);
        WriteText(img, a + mm::kIdNameOffset, name.data(), mm::kNameLength);
        img.SetByte(a + mm::kIdKindOffset,
                    table == mm::kDscGrpId ? mm::kKindGroup : mm::kKindIndividual);
    }
}

void datCh::Commit() {
    const int t = table;
    const int r = row;
    Store();
    Load(t, r);
}

void datCh::Blank(int t, int r) {
    Reset(t, r);
    state = kRxBlank | kTxBlank;
    kind = mm::kKindEmpty;
    id.fill(0xFF);
}

bool datCh::IdValid() const {
    for (uint8_t b : id)
        if (b > 99) return false;
    return true;
}

int datCh::Digit(int i) const {
    if (i < 0 || i > 9) return 0;
    const uint8_t b = id[i / 2];
    return (i & 1) ? b % 10 : (b / 10) % 10;
}

void datCh::SetDigit(int i, int digit) {
    if (i < 0 || i > 9 || digit < 0 || digit > 9) return;
    const uint8_t b = id[i / 2];
    int tens = (b / 10) % 10;
    int ones = b % 10;
    if (i & 1) {
        ones = digit;
    } else {
        tens = digit;
    }
    id[i / 2] = static_cast<uint8_t>(tens * 10 + ones);
}

uint8_t datCh::IdChecksum() const {
    unsigned sum = 0;
    for (uint8_t b : id) sum += b;
    return static_cast<uint8_t>(~sum & 0xFF);
}

std::string datCh::ChannelNumberText() const {
    char buf[16];
    const int r = row;
    if (r < 0) return std::string();
    if (r < 234) {
        std::snprintf(buf, sizeof buf, "%d%s", r / 2, (r & 1) ? "A" : "  ");
    } else if (r < 262) {
        std::snprintf(buf, sizeof buf, "%d", r + 767);
    } else if (r < 291) {
        std::snprintf(buf, sizeof buf, "%d", r + 798);
    } else if (r < 319) {
        std::snprintf(buf, sizeof buf, "%d", r + 1710);
    } else if (r < 348) {
        std::snprintf(buf, sizeof buf, "%d", r + 1741);
    } else if (r < mm::kChannelRows && image != nullptr) {
        const mm::TableLayout& L = mm::kTables[mm::kFreeCh];
        char n[3];
        ReadText(*image,
                 L.recordBase + L.recordSize * (r - mm::kFirstFreeRow) + mm::kFreeNameOffset, n, 3);
        for (char& c : n)
            if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) > 0x7E)
                c = ' ';
        return std::string(n, 3) + " ";
    } else {
        return std::string();
    }
    return buf;
}

bool ChannelUsable(cmcEeprom& image, int table, int row) {
    if (!IsChannelTable(table)) return true;
    datCh ch(&image);
    ch.Load(table, row);
    return !ch.Unused() || (ch.marks & (datCh::kMarkP | datCh::kMarkC)) != 0;
}
