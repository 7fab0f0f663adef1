#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>

#include "radio/cmcEeprom.h"

namespace {

void Make(cmcEeprom& e, int size, uint8_t fill) {
    e.SetSize(size);
    e.Fill(fill);
}

TEST(Eeprom, SetSizeAlwaysClearsAndNonPositiveEmpties) {
    cmcEeprom e;
    EXPECT_EQ(e.Size(), 0);
    e.SetSize(cmcEeprom::kImageSize);
    e.Fill(0xA5);
    e.SetSize(cmcEeprom::kImageSize);  // same size still clears
    for (int a : {0, 0x1234, cmcEeprom::kImageSize - 1}) EXPECT_EQ(e.GetByte(a), 0x00);

    for (int size : {0, -5}) {
        e.SetSize(16);
        e.SetSize(size);
        EXPECT_EQ(e.Size(), 0);
        EXPECT_EQ(e.Bytes(), nullptr);
        EXPECT_FALSE(e.IsValidAddress(0));
        e.Fill(0x11);  // nothing to fill, no crash
    }
}

TEST(Eeprom, ValidAddressesAreZeroToSizeMinusOne) {
    cmcEeprom e;
    Make(e, 16, 0);
    EXPECT_FALSE(e.IsValidAddress(-1));
    EXPECT_TRUE(e.IsValidAddress(0));
    EXPECT_TRUE(e.IsValidAddress(15));
    EXPECT_FALSE(e.IsValidAddress(16));
}

TEST(Eeprom, BlocksCopyWholeOrNotAtAll) {
    uint8_t src[16];
    for (int i = 0; i < 16; ++i) src[i] = static_cast<uint8_t>(i + 1);
    struct Case {
        int address, length;
        bool copies;
    } cases[] = {
        {0, 4, true},   {12, 4, true},          {0, 16, true},  {15, 2, false},
        {13, 4, false}, {-1, 2, false},         {16, 1, false}, {0, 0, false},
        {0, -1, false}, {4, 0x7FFFFFFF, false},  // a 32-bit end address would wrap
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.address << "+" << c.length);
        cmcEeprom e;
        Make(e, 16, 0xEE);
        e.WriteBlock(c.address, src, c.length);
        for (int a = 0; a < 16; ++a) {
            bool inBlock = c.copies && a >= c.address && a < c.address + c.length;
            EXPECT_EQ(e.GetByte(a), inBlock ? src[a - c.address] : 0xEE);
        }
        uint8_t out[16];
        std::fill(out, out + 16, 0x99);
        e.ReadBlock(c.address, out, c.length);
        for (int i = 0; i < 16; ++i) {
            bool inBlock = c.copies && i < c.length;
            EXPECT_EQ(out[i], inBlock ? src[i] : 0x99);
        }
    }
}

TEST(Eeprom, AssignResizesAndEqualsComparesSizeAndBytes) {
    cmcEeprom small;
    Make(small, 8, 0x33);
    cmcEeprom big;
    Make(big, 16, 0x33);
    EXPECT_TRUE(big.Differs(small));  // equal common prefix, different sizes

    big.Assign(small);
    EXPECT_EQ(big.Size(), 8);
    EXPECT_TRUE(big.Equals(small));
    big.SetByte(7, 0x34);
    EXPECT_TRUE(big.Differs(small));

    cmcEeprom empty1, empty2;
    EXPECT_TRUE(empty1.Equals(empty2));
    big.Assign(empty1);
    EXPECT_EQ(big.Size(), 0);
}

TEST(EepromDeath, SingleByteAccessOutsideTheImageStops) {
    cmcEeprom e;
    Make(e, 16, 0);
    EXPECT_EXIT(e.GetByte(16), testing::ExitedWithCode(3),
                "Out of EEPROM image address \\(GetByte\\)\\.");
    EXPECT_EXIT(e.GetByte(-1), testing::ExitedWithCode(3), "\\(GetByte\\)");
    EXPECT_EXIT(e.SetByte(16, 1), testing::ExitedWithCode(3),
                "Out of EEPROM image address \\(SetByte\\)\\.");
    cmcEeprom empty;
    EXPECT_EXIT(empty.SetByte(0, 1), testing::ExitedWithCode(3), "\\(SetByte\\)");
}

}  // namespace
