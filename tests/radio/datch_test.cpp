#include "radio/datCh.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>

#include "radio/MemoryMap.h"
#include "radio/cmcEeprom.h"

namespace {

uint16_t U16(const cmcEeprom& img, int a) {
    return img.GetByte(a) | (img.GetByte(a + 1) << 8);
}
void SetU16(cmcEeprom& img, int a, uint16_t v) {
    img.SetByte(a, v & 0xFF);
    img.SetByte(a + 1, v >> 8);
}
void SetText(cmcEeprom& img, int a, const char* s) {
    for (size_t i = 0; i < std::strlen(s); ++i) img.SetByte(a + int(i), uint8_t(s[i]));
}

class RecordTest : public testing::Test {
  protected:
    RecordTest() { image.SetSize(cmcEeprom::kImageSize); }
    cmcEeprom image;
    datCh rec{&image};
};

TEST_F(RecordTest, FreeChannelFrequenciesPickTheirStepAndKeepSimplexInStep) {
    rec.Load(mm::kFreeCh, 3);
    rec.rxHz = rec.txHz = 156'800'000;
    rec.Commit();
    const int a = 0x0850 + 8 * 3;
    EXPECT_EQ(U16(image, a), 10132);
    EXPECT_EQ(U16(image, a + 2), 12544);
    EXPECT_EQ(image.GetByte(a + 7) & 3, 0);
    for (int base : {0x04D0, 0x0310, 0x0690}) EXPECT_EQ(image.GetByte(base + 348 + 3) & 2, 2);

    rec.rxHz = 156'806'250;
    rec.Commit();
    EXPECT_EQ(U16(image, a), 20265);
    EXPECT_EQ(image.GetByte(a + 7) & 3, 1);
    EXPECT_EQ(rec.rxHz, 156'806'250u);
    for (int base : {0x04D0, 0x0310, 0x0690}) EXPECT_EQ(image.GetByte(base + 348 + 3) & 2, 0);

    datCh ch(&image);
    ch.Load(mm::kIntCh, 348 + 3);
    EXPECT_FALSE(ch.flags & datCh::kSimplex);
}

TEST_F(RecordTest, BlankFreeFrequencyRoundTrips) {
    rec.Blank(mm::kFreeCh, 0);
    rec.Store();
    EXPECT_EQ(U16(image, 0x0850), 0xFFFF);
    rec.Load(mm::kFreeCh, 0);
    EXPECT_TRUE(rec.state & datCh::kRxBlank);
    EXPECT_TRUE(rec.state & datCh::kTxBlank);
}

TEST_F(RecordTest, DscIdLoadDerivesValidityAndKind) {
    const int a = 0x2430;
    struct Case {
        uint8_t id0, kind;
        bool valid;
        uint8_t loadedKind;
    } cases[] = {
        {0xFF, 0, false, 255},  // first byte out of range: empty
        {12, 255, false, 255},  // kind says empty
        {12, 1, true, 0},       // first digit not 0: individual, whatever byte 15 says
        {5, 0, true, 1},        // first digit 0: group
        {0, 1, true, 1},        // first byte 0: kind as stored
    };
    for (const Case& c : cases) {
        SetText(image, a, "\x01\x02\x03\x04");
        image.SetByte(a, c.id0);
        image.SetByte(a + 15, c.kind);
        rec.Load(mm::kDscIndId, 0);
        EXPECT_EQ(bool(rec.state & datCh::kLoaded), c.valid) << int(c.id0);
        EXPECT_EQ(rec.kind, c.loadedKind) << int(c.id0);
        if (!c.valid) {
            for (uint8_t b : rec.id) EXPECT_EQ(b, 0xFF);
        }
    }
}

TEST_F(RecordTest, DscIdStoreForcesTenthDigitAndKindOfTable) {
    rec.Load(mm::kDscIndId, 2);
    rec.id = {12, 34, 56, 78, 99};
    std::memcpy(rec.name.data(), "SEA BIRD  ", 10);
    rec.Store();
    const int a = 0x2430 + 16 * 2;
    EXPECT_EQ(image.GetByte(a + 4), 90);
    EXPECT_EQ(image.GetByte(a + 15), 0);

    datCh grp(&image);
    grp.Load(mm::kDscGrpId, 0);
    grp.id = {1, 23, 45, 67, 80};
    grp.Store();
    EXPECT_EQ(image.GetByte(0x2430 + 16 * 75 + 15), 1);

    // An invalid ID empties the record: ID, name and kind.
    rec.id[1] = 100;
    rec.Store();
    for (int i = 0; i < 5; ++i) EXPECT_EQ(image.GetByte(a + i), 0xFF);
    for (int i = 5; i < 15; ++i) EXPECT_EQ(image.GetByte(a + i), ' ');
    EXPECT_EQ(image.GetByte(a + 15), 255);
}

TEST_F(RecordTest, DigitsAndChecksum) {
    rec.id = {12, 34, 56, 78, 90};
    std::string digits;
    for (int i = 0; i < 10; ++i) digits += char('0' + rec.Digit(i));
    EXPECT_EQ(digits, "1234567890");
    rec.SetDigit(3, 9);
    EXPECT_EQ(rec.id[1], 39);
    rec.SetDigit(0, 0);
    EXPECT_EQ(rec.id[0], 2);
    EXPECT_EQ(rec.IdChecksum(), uint8_t(~(2 + 39 + 56 + 78 + 90)));
}

TEST_F(RecordTest, ChannelNumberDisplay) {
    SetText(image, 0x0850 + 8 * 5 + 4, "F5A");
    const struct {
        int row;
        const char* text;
    } cases[] = {{0, "0  "},    {1, "0A"},     {32, "16  "},  {233, "116A"}, {234, "1001"},
                 {261, "1028"}, {262, "1060"}, {290, "1088"}, {291, "2001"}, {318, "2028"},
                 {319, "2060"}, {347, "2088"}, {353, "F5A "}};
    for (const auto& c : cases) {
        rec.Load(mm::kUsaCh, c.row);
        EXPECT_EQ(rec.ChannelNumberText(), c.text) << c.row;
    }
}

TEST_F(RecordTest, ChannelFlagsMarksAndFixedSimplex) {
    // Odd rows below 234 and rows 234-347 read as simplex whatever the byte holds.
    for (int row : {1, 233, 234, 347}) {
        rec.Load(mm::kIntCh, row);
        EXPECT_TRUE(rec.flags & datCh::kSimplex) << row;
    }
    rec.Load(mm::kIntCh, 2);
    EXPECT_FALSE(rec.flags & datCh::kSimplex);

    image.SetByte(0x0690 + 40, 0x80 | 0x40 | 0x20 | 0x04 | 0x02 | 0x01);
    rec.Load(mm::kCanCh, 40);
    EXPECT_EQ(rec.flags,
              datCh::kUnused | datCh::kTag | datCh::kPoc | datCh::kTxInh | datCh::kSimplex);

    // A stored fixed row does not gain a simplex bit it never had; foreign bits stay.
    rec.Load(mm::kIntCh, 1);
    rec.flags |= datCh::kTag;
    rec.Store();
    EXPECT_EQ(image.GetByte(0x04D0 + 1), 0x40);

    // The P mark moves to the stored row; the C mark of the other slot is untouched.
    SetU16(image, 0x0BB2 + 2 * 1, 10);
    rec.Load(mm::kIntCh, 10);
    EXPECT_EQ(rec.marks, datCh::kMarkP);
    rec.Load(mm::kIntCh, 20);
    rec.marks |= datCh::kMarkP;
    rec.Commit();
    EXPECT_EQ(U16(image, 0x0BB2 + 2), 20);
    rec.Load(mm::kIntCh, 10);
    EXPECT_EQ(rec.marks, 0);
    rec.Load(mm::kUsaCh, 20);
    EXPECT_EQ(rec.marks, 0);  // the USA table has its own P number

    // Names are shared by the three channel tables.
    rec.Load(mm::kCanCh, 20);
    std::memcpy(rec.name.data(), "HARBOUR   ", 10);
    rec.Commit();
    rec.Load(mm::kUsaCh, 20);
    EXPECT_EQ(std::string(rec.name.data(), 10), "HARBOUR   ");
}

TEST_F(RecordTest, DscChannelsByNumber) {
    const struct {
        int n, slot, nameRow;
    } cases[] = {{1, 0, 2},        {16, 15, 32},     {28, 27, 56},     {60, 28, 120},
                 {88, 56, 176},    {1001, 57, 234},  {1028, 84, 261},  {1060, 85, 262},
                 {1088, 113, 290}, {2001, 114, 291}, {2028, 141, 318}, {2060, 142, 319},
                 {2088, 170, 347}};
    for (const auto& c : cases) {
        image.Fill(0);
        image.SetByte(0x2160 + c.slot, 0x80);
        SetText(image, 0x0F40 + 10 * c.nameRow, "NAME");
        rec.Load(mm::kDscCh, c.n);
        EXPECT_TRUE(rec.Addressed()) << c.n;
        EXPECT_TRUE(rec.Unused()) << c.n;
        EXPECT_EQ(std::string(rec.name.data(), 4), "NAME") << c.n;
    }
    for (int n : {0, 29, 59, 89, 1000, 1029, 1059, 2029, 2089, -1}) {
        rec.Load(mm::kDscCh, n);
        EXPECT_FALSE(rec.Addressed()) << n;
    }
}

TEST_F(RecordTest, WeatherUnusedBits) {
    SetU16(image, 0x0BB0, 0x0204);
    rec.Load(mm::kWxCh, 2);
    EXPECT_TRUE(rec.Unused());
    rec.flags &= ~datCh::kUnused;
    rec.Commit();
    EXPECT_EQ(U16(image, 0x0BB0), 0x0200);
    rec.Load(mm::kWxCh, 9);
    EXPECT_TRUE(rec.Unused());
}

// Load then Store changes nothing on tables whose stored form is canonical, and only the
// record's own bytes elsewhere; rows a table does not have touch nothing.
TEST_F(RecordTest, StoreTouchesOnlyItsRecord) {
    std::mt19937 rng(7);
    for (int i = 0; i < image.Size(); ++i) image.SetByte(i, uint8_t(rng()));
    cmcEeprom before;
    before.Assign(image);
    struct {
        int table;
        int rows;
    } canonical[] = {{1, 418}, {2, 418}, {3, 418}, {5, 10}};
    for (const auto& t : canonical) {
        for (int row = 0; row < t.rows; ++row) {
            rec.Load(t.table, row);
            rec.Store();
        }
        ASSERT_TRUE(image.Equals(before)) << "table " << t.table;
    }
    for (int n = 0; n < 2100; ++n) {
        rec.Load(mm::kDscCh, n);
        rec.Store();
    }
    ASSERT_TRUE(image.Equals(before));

    auto changedOutside = [&](int lo, int hi, std::initializer_list<int> extra) {
        for (int i = 0; i < image.Size(); ++i) {
            if (i >= lo && i < hi) continue;
            bool allowed = false;
            for (int e : extra) allowed = allowed || e == i;
            if (!allowed && image.GetByte(i) != before.GetByte(i)) return i;
        }
        return -1;
    };
    for (int row : {0, 74}) {
        image.Assign(before);
        rec.Load(mm::kDscIndId, row);
        rec.Store();
        EXPECT_EQ(changedOutside(0x2430 + 16 * row, 0x2440 + 16 * row, {}), -1);
    }
    image.Assign(before);
    rec.Load(mm::kFreeCh, 69);
    rec.Store();
    const int fr = 348 + 69;
    EXPECT_EQ(
        changedOutside(0x0850 + 8 * 69, 0x0858 + 8 * 69, {0x04D0 + fr, 0x0310 + fr, 0x0690 + fr}),
        -1);

    for (int t : {0, 1, 4, 5, 6, 7, 8, 9, -1}) {
        for (int row : {-1, 418, 100000}) {
            image.Assign(before);
            rec.Load(t, row);
            rec.Store();
            EXPECT_TRUE(image.Equals(before)) << t << "/" << row;
        }
    }
}

}  // namespace
