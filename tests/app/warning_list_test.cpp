// The warning list over crafted images: one fault each, the entry it gives word for word, and
// the factory images giving none.
#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "app/WarningMessages.h"
#include "radio/AddressRange.h"
#include "radio/MemoryMap.h"
#include "radio/SettingsMap.h"
#include "radio/WarningCheck.h"
#include "radio/cmcClnFile.h"
#include "radio/cmcEeprom.h"
#include "radio/datCh.h"

namespace {

void LoadFactory(cmcEeprom& image, int model) {
    std::ifstream in(std::string(KELDA_SOURCE_DIR) + "/data/initial/KELDA0" +
                     std::to_string(model) + ".kcf");
    std::ostringstream text;
    text << in.rdbuf();
    cmcClnFile file;
    image.SetSize(cmcEeprom::kImageSize);
    file.Attach(&image);
    file.SetCodes(cmcClnFile::kModelCode, cmcClnFile::kSubCode);
    file.SetRevisionCheck(cmcClnFile::AcceptCurrentRevision, nullptr);
    ASSERT_EQ(file.ReadText(text.str(), kDocumentRanges), FileError::kNone);
}

std::vector<std::string> Entries(const cmcEeprom& image, int model) {
    std::vector<std::string> out;
    for (const auto& f : warncheck::CheckImage(image, model))
        out.push_back(std::string(f.error ? "E " : "W ") + WarningText(f));
    return out;
}

// Row of channel nn (A: the simplex variant) in a channel list.
int Row(int n, bool a = false) {
    return 2 * n + (a ? 1 : 0);
}

void SetChannel(cmcEeprom& image, int table, int row, bool used, bool transmit) {
    datCh c(&image);
    c.Load(table, row);
    c.flags = (c.flags & ~(datCh::kUnused | datCh::kTxInh)) | (used ? 0 : datCh::kUnused) |
              (transmit ? 0 : datCh::kTxInh);
    c.Store();
}

void SetFree(cmcEeprom& image, int row, uint32_t rx, uint32_t tx, const char* name) {
    datCh c(&image);
    c.Load(mm::kFreeCh, row);
    c.state &= ~(datCh::kRxBlank | datCh::kTxBlank);
    c.rxHz = rx;
    c.txHz = tx;
    for (int i = 0; i < 3; ++i) c.shortName[i] = name[i];
    c.Store();
    SetChannel(image, mm::kIntCh, mm::kFirstFreeRow + row, true, true);
}

void SetId(cmcEeprom& image, int table, int row, const char* digits, const char* name) {
    datCh c(&image);
    c.Load(table, row);
    for (int i = 0; i < 5; ++i)
        c.id[i] = static_cast<uint8_t>((digits[2 * i] - '0') * 10 +
                                       (i < 4 ? digits[2 * i + 1] - '0' : 0));
    c.kind = table == mm::kDscIndId ? 0 : 1;
    std::string padded = std::string(name) + std::string(10, ' ');
    for (int i = 0; i < 10; ++i) c.name[i] = padded[i];
    c.state |= datCh::kLoaded;
    c.Store();
}

void SetOwn(cmcEeprom& image, const char* digits) {
    for (int i = 0; i < 5; ++i)
        image.SetByte(smap::kSelfId + i,
                      static_cast<uint8_t>((digits[2 * i] - '0') * 10 +
                                           (i < 4 ? digits[2 * i + 1] - '0' : 0)));
}

TEST(WarningList, FactoryImagesGiveNoEntry) {
    for (int model = 0; model < 8; ++model) {
        cmcEeprom image;
        LoadFactory(image, model);
        EXPECT_EQ(Entries(image, model), std::vector<std::string>{}) << "model " << model;
    }
}

TEST(WarningList, OneEntryPerFaultWordForWord) {
    struct Case {
        int model;
        std::function<void(cmcEeprom&)> fault;
        std::vector<std::string> entries;
    };
    const Case cases[] = {
        {0,
         [](cmcEeprom& im) { SetChannel(im, mm::kUsaCh, Row(15), true, true); },
         {"E USA list, channel 15: transmit is on, but the US plan makes channel 15 "
          "receive-only"}},
        // US 13 and 67 transmit, as a ship must call there; the 1 W limit is a fault only
        // while no soft key brings the radio to low power.
        {0,
         [](cmcEeprom& im) { im.SetByte(smap::kSoftKeys + 3, 9); },
         {"W USA list, channel 13: transmit is on; the US plan limits channel 13 to 1 W, but no "
          "soft key switches the radio to low power, so it may transmit there at high power: set "
          "a soft key to high/low power",
          "W USA list, channel 67: transmit is on; the US plan limits channel 67 to 1 W, but no "
          "soft key switches the radio to low power, so it may transmit there at high power: set "
          "a soft key to high/low power",
          "W DSC channels, channel 13: transmit is on; the US plan limits channel 13 to 1 W, but "
          "no soft key switches the radio to low power, so it may transmit there at high power: "
          "set a soft key to high/low power",
          "W DSC channels, channel 67: transmit is on; the US plan limits channel 67 to 1 W, but "
          "no soft key switches the radio to low power, so it may transmit there at high power: "
          "set a soft key to high/low power"}},
        {0,
         [](cmcEeprom& im) {
             im.SetByte(smap::kSoftKeys + 3, 9);
             im.SetByte(smap::kSoftKeys + 12, smap::kSoftKeyPower);
             SetChannel(im, mm::kUsaCh, Row(13), true, true);
         },
         {}},
        {2,
         [](cmcEeprom& im) { SetChannel(im, mm::kIntCh, Row(17), true, true); },
         {"W International list, channel 17: transmit is on; the international plan limits "
          "channel 17 to 1 W, and the radio transmits at the power last chosen: use low power "
          "there"}},
        {2,
         [](cmcEeprom& im) { SetChannel(im, mm::kIntCh, Row(70), true, true); },
         {"E International list, channel 70: transmit is on, but channel 70 carries DSC calls "
          "only, never voice"}},
        {2,
         [](cmcEeprom& im) { SetChannel(im, mm::kIntCh, 257, true, true); },  // 1024
         {"E International list, channel 1024: transmit is on, but channel 1024 carries digital "
          "data only, never voice"}},
        {2,
         [](cmcEeprom& im) { SetChannel(im, mm::kCanCh, 311, true, true); },  // 2021
         {"E Canadian list, channel 2021: transmit is on, but channel 2021 is a coast station's "
          "transmit frequency, where a ship must not transmit"}},
        {0,
         [](cmcEeprom& im) {
             datCh c(&im);
             c.Load(mm::kDscCh, 15);
             c.flags &= ~(datCh::kUnused | datCh::kTxInh);
             c.Store();
         },
         {"E DSC channels, channel 15: transmit is on, but the US plan makes channel 15 "
          "receive-only"}},
        // User channels: off the ship side, on the coast side, DSC, the UK's M1 elsewhere.
        {1,
         [](cmcEeprom& im) { SetFree(im, 5, 158'500'000, 158'500'000, "ABC"); },
         {"E User channels, channel ABC: transmits on 158.500 MHz, which is not a ship's transmit "
          "frequency in the plans this radio carries (156.000-157.425 MHz and the national "
          "channels of its model)"}},
        {1,
         [](cmcEeprom& im) { SetFree(im, 5, 161'600'000, 161'600'000, "ABC"); },
         {"E User channels, channel ABC: transmits on 161.600 MHz, which is not a ship's transmit "
          "frequency in the plans this radio carries (156.000-157.425 MHz and the national "
          "channels of its model)"}},
        {1,
         [](cmcEeprom& im) { SetFree(im, 5, 156'525'000, 156'525'000, "ABC"); },
         {"E User channels, channel ABC: transmits on 156.525 MHz, which carries DSC or AIS data "
          "only, never voice"}},
        {1,
         [](cmcEeprom& im) { SetFree(im, 5, 157'850'000, 157'850'000, "M1 "); },
         {"E User channels, channel M1: transmits on 157.850 MHz, which is not a ship's transmit "
          "frequency in the plans this radio carries (156.000-157.425 MHz and the national "
          "channels of its model)"}},
        {3, [](cmcEeprom& im) { SetFree(im, 5, 157'850'000, 157'850'000, "M1 "); }, {}},
        {1,
         [](cmcEeprom& im) { SetFree(im, 5, 156'100'000, 156'100'000, "   "); },
         {"W User channels, row 6: a channel list has it in use, but its name is blank, so the "
          "radio shows nothing to choose it by"}},
        // A user channel offered by three lists is one fault, in one place.
        {2,
         [](cmcEeprom& im) {
             SetFree(im, 5, 158'500'000, 158'500'000, "ABC");
             SetChannel(im, mm::kUsaCh, mm::kFirstFreeRow + 5, true, true);
             SetChannel(im, mm::kCanCh, mm::kFirstFreeRow + 5, true, true);
         },
         {"E User channels, channel ABC: transmits on 158.500 MHz, which is not a ship's transmit "
          "frequency in the plans this radio carries (156.000-157.425 MHz and the national "
          "channels of its model)"}},
        // The own MMSI and the address books.
        {1,
         [](cmcEeprom& im) { SetOwn(im, "002320011"); },
         {"E DSC setup: own MMSI 002320011 is a coast station's number (00 and a country code), "
          "not this ship's own"}},
        {1,
         [](cmcEeprom& im) { SetOwn(im, "023512345"); },
         {"E DSC setup: own MMSI 023512345 is a group's number (0 and a country code), not this "
          "ship's own"}},
        {1,
         [](cmcEeprom& im) { SetOwn(im, "000000000"); },
         {"E DSC setup: own MMSI 000000000 is no station's number"}},
        {1,
         [](cmcEeprom& im) { SetId(im, mm::kDscIndId, 0, "970123456", "SART"); },
         {"W Individual MMSIs, row 1 (SART): 970123456 is an AIS-SART, man-overboard or EPIRB "
          "number (970, 972, 974), not a ship's"}},
        {1,
         [](cmcEeprom& im) { SetId(im, mm::kDscIndId, 0, "217123456", "NOWHERE"); },
         {"W Individual MMSIs, row 1 (NOWHERE): 217123456 starts with country code 217, which "
          "the ITU has not allocated"}},
        {1,
         [](cmcEeprom& im) { SetId(im, mm::kDscIndId, 2, "023512345", "FLEET"); },
         {"E Individual MMSIs, row 3 (FLEET): 023512345 is a group's number (0 and a country "
          "code), not a ship's"}},
        {1,
         [](cmcEeprom& im) { SetId(im, mm::kDscGrpId, 0, "235012345", "BOAT"); },
         {"E Group MMSIs, row 1 (BOAT): 235012345 is one station's number, not a group's (a "
          "group MMSI is 0 and a country code)"}},
        {1,
         [](cmcEeprom& im) {
             SetId(im, mm::kDscIndId, 0, "235012345", "ALICE");
             SetId(im, mm::kDscIndId, 4, "235012345", "BOB");
         },
         {"W Individual MMSIs, row 5 (BOB): MMSI 235012345 is already in row 1 (ALICE)"}},
        {1,
         [](cmcEeprom& im) {
             SetOwn(im, "235012345");
             SetId(im, mm::kDscIndId, 0, "235012345", "ME");
         },
         {"W Individual MMSIs, row 1 (ME): 235012345 is this radio's own MMSI"}},
        {1,
         [](cmcEeprom& im) {
             SetId(im, mm::kDscIndId, 0, "235012345", "ALICE");
             SetId(im, mm::kDscGrpId, 1, "023512345", "ALICE");
         },
         {"W Group MMSIs, row 2 (ALICE): the same name as Individual MMSIs row 1, so the radio "
          "shows the two alike"}},
        {1,
         [](cmcEeprom& im) { SetId(im, mm::kDscIndId, 0, "235012345", ""); },
         {"E Individual MMSIs, row 1: the entry has no name, so the radio shows nothing to call "
          "it by"}},
    };
    for (const Case& c : cases) {
        cmcEeprom image;
        LoadFactory(image, c.model);
        c.fault(image);
        EXPECT_EQ(Entries(image, c.model), c.entries) << (c.entries.empty() ? "" : c.entries[0]);
    }
}

// An image with every address-book row and every user channel in use, each right, gives no
// entry: the rules compare rows with each other without taking a full table for a fault.
TEST(WarningList, EveryRowInUseAndRightGivesNoEntry) {
    for (int model : {0, 2}) {
        cmcEeprom image;
        LoadFactory(image, model);
        for (int r = 0; r < mm::kIndividualIdRows; ++r) {
            const std::string n = std::to_string(10000 + r).substr(1);
            SetId(image, mm::kDscIndId, r, ("23501" + n).c_str(), ("SHIP " + n).c_str());
        }
        for (int r = 0; r < mm::kGroupIdRows; ++r) {
            const std::string n = std::to_string(10000 + r).substr(1);
            SetId(image, mm::kDscGrpId, r, ("02351" + n).c_str(), ("FLEET " + n).c_str());
        }
        // Between the channels of the ship side (odd multiples of 6.25 kHz), named.
        for (int r = 0; r < mm::kFreeRows; ++r) {
            const uint32_t hz = 156'000'000u + 6'250u * static_cast<uint32_t>(2 * r + 1);
            const char name[4] = {static_cast<char>('A' + r % 26), static_cast<char>('0' + r / 26),
                                  ' ', 0};
            SetFree(image, r, hz, hz, name);
            SetChannel(image, mm::kUsaCh, mm::kFirstFreeRow + r, true, true);
            SetChannel(image, mm::kCanCh, mm::kFirstFreeRow + r, true, true);
        }
        EXPECT_EQ(Entries(image, model), std::vector<std::string>{}) << "model " << model;
        // The last row of the full book is still compared with the first.
        SetId(image, mm::kDscIndId, mm::kIndividualIdRows - 1, "235010000", "LAST");
        EXPECT_EQ(Entries(image, model),
                  std::vector<std::string>{"W Individual MMSIs, row 75 (LAST): MMSI 235010000 is "
                                           "already in row 1 (SHIP 0000)"});
    }
}

// Bytes that are no digits in a stored MMSI, and random images, give no entry for the number
// and never crash.
TEST(WarningList, DamagedAndRandomImages) {
    cmcEeprom image;
    LoadFactory(image, 1);
    SetId(image, mm::kDscIndId, 0, "235012345", "ALICE");
    image.SetByte(mm::kIndividualIdRecords + 2, 0xAB);
    image.SetByte(smap::kSelfId, 0xCD);
    EXPECT_EQ(Entries(image, 1), std::vector<std::string>{});

    uint32_t seed = 12345;
    for (int round = 0; round < 20; ++round) {
        for (int a = 0; a < image.Size(); ++a) {
            seed = seed * 1103515245u + 12345u;
            image.SetByte(a, static_cast<uint8_t>(seed >> 16));
        }
        for (const auto& f : warncheck::CheckImage(image, round % 9))
            EXPECT_FALSE(WarningText(f).empty());
    }
}

}  // namespace
