#include "radio/Mmsi.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>

namespace {

using mmsi::Fault;

// One number of each form of ITU-R M.585, judged as a ship's own number and as a group's.
TEST(Mmsi, JudgesEveryFormForShipsAndGroups) {
    struct Case {
        const char* digits;
        Fault asShip;
        Fault asGroup;
    };
    const Case cases[] = {
        {"235012345", Fault::None, Fault::Individual},        // UK ship
        {"366999999", Fault::None, Fault::Individual},        // US ship
        {"823512345", Fault::None, Fault::Individual},        // UK handheld
        {"982351234", Fault::None, Fault::Individual},        // craft of a UK ship
        {"023512345", Fault::Group, Fault::None},             // UK group
        {"002320011", Fault::Coast, Fault::Coast},            // UK coast station
        {"000000000", Fault::AllZeros, Fault::AllZeros},      //
        {"970123456", Fault::Device, Fault::Device},          // AIS-SART
        {"972123456", Fault::Device, Fault::Device},          // MOB
        {"974123456", Fault::Device, Fault::Device},          // EPIRB-AIS
        {"111232123", Fault::NotAShip, Fault::Individual},    // SAR aircraft
        {"992351234", Fault::NotAShip, Fault::Individual},    // aid to navigation
        {"123456789", Fault::NotAShip, Fault::Individual},    // no form at all
        {"217123456", Fault::MidUnknown, Fault::Individual},  // 217 is not allocated
        {"021712345", Fault::Group, Fault::MidUnknown},       // group of that MID
        {"899912345", Fault::MidUnknown, Fault::Individual},  // handheld, MID 999
        {"23501234", Fault::NotDigits, Fault::NotDigits},     // eight digits
        {"2350123A5", Fault::NotDigits, Fault::NotDigits},    //
    };
    for (const Case& c : cases) {
        EXPECT_EQ(mmsi::CheckShipMmsi(c.digits), c.asShip) << c.digits;
        EXPECT_EQ(mmsi::CheckGroupMmsi(c.digits), c.asGroup) << c.digits;
    }
    EXPECT_EQ(mmsi::MidOf("002320011"), 232);
    EXPECT_EQ(mmsi::MidOf("111232123"), 232);
    EXPECT_STREQ(mmsi::MidCountry(316), "Canada");
}

// Stored IDs: two digits a byte, the tenth digit dropped; a byte above 99 is no number.
TEST(Mmsi, ReadsStoredIds) {
    EXPECT_EQ(mmsi::DigitsOfStoredId({23, 50, 12, 34, 50}), "235012345");
    EXPECT_EQ(mmsi::DigitsOfStoredId({23, 50, 0xAB, 34, 50}), "");
    EXPECT_EQ(mmsi::DigitsOfStoredId({0xFF, 0xFF, 0xFF, 0xFF, 0xFF}), "");
}

// The compiled table is the sourced one: every row of the file is allocated, nothing else is.
TEST(Mmsi, MidTableIsTheSourcedFile) {
    std::ifstream in(std::string(KELDA_SOURCE_DIR) + "/data/plans/mid.csv");
    ASSERT_TRUE(in);
    bool listed[1000] = {};
    std::string line;
    int rows = 0;
    while (std::getline(in, line)) {
        if (line.size() < 5 || line[0] < '0' || line[0] > '9') continue;
        const int mid = std::stoi(line.substr(0, 3));
        ASSERT_EQ(line[3], ',') << line;
        EXPECT_FALSE(listed[mid]) << "listed twice: " << mid;
        listed[mid] = true;
        EXPECT_STREQ(mmsi::MidCountry(mid), line.substr(4).c_str());
        ++rows;
    }
    EXPECT_GT(rows, 250);
    for (int mid = 0; mid < 1000; ++mid) EXPECT_EQ(mmsi::MidAllocated(mid), listed[mid]) << mid;
}

}  // namespace
