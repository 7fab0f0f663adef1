#pragma once
// The rules for a Maritime Mobile Service Identity (MMSI): what a nine-digit number stands for by
// its leading digits (ITU-R M.585), and whether its Maritime Identification Digits (MID) are
// allocated (the ITU table of MIDs, kept in data/plans/mid.csv with its source and date). The
// warning list and every other check of MMSIs ask these functions, so they judge alike.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace mmsi {

// What a number is, by its format (ITU-R M.585).
enum class Kind {
    NotDigits,        // not nine decimal digits
    AllZeros,         // 000000000: no station
    Ship,             // MID + 6 digits (first digit 2-7): a ship station
    Handheld,         // 8 + MID + 5: a handheld VHF with DSC and GNSS
    Group,            // 0 + MID + 5: a group of ship stations
    Coast,            // 00 + MID + 4: a coast station
    SarAircraft,      // 111 + MID + 3: a search-and-rescue aircraft
    CraftOfShip,      // 98 + MID + 4: a craft associated with a parent ship
    AidToNavigation,  // 99 + MID + 4: an aid to navigation
    Sart,             // 970 + 6: an AIS search-and-rescue transmitter
    Mob,              // 972 + 6: a man-overboard device
    Epirb,            // 974 + 6: an EPIRB with AIS
    Other,            // any other form (1..., 9... not listed above)
};
Kind KindOf(std::string_view digits);

// The MID of a number whose kind carries one, else -1.
int MidOf(std::string_view digits);
// Whether the ITU has allocated a MID, and to whom (nullptr when not).
bool MidAllocated(int mid);
const char* MidCountry(int mid);

// What is wrong with a number for a use; None when it is right for it.
enum class Fault {
    None,
    NotDigits,   // not nine decimal digits
    AllZeros,    // no station's
    Coast,       // a coast station's, not a ship's
    Group,       // a group's, not one ship's
    Individual,  // one station's, not a group's
    Device,      // an AIS-SART, MOB or EPIRB number (970, 972, 974)
    NotAShip,    // an aircraft's, an aid to navigation's, or no M.585 format
    MidUnknown,  // the format is right but its MID is not allocated
};

// A number that must be one ship's own: the radio's own MMSI, and the entries of the individual
// address book. A handheld's number and a craft's of a parent ship are ships' numbers here.
Fault CheckShipMmsi(std::string_view digits);
// A number of the group address book: 0 + an allocated MID + 5 digits.
Fault CheckGroupMmsi(std::string_view digits);

// The nine digits of an ID as the radio stores it (five bytes of two digits each, the tenth
// digit unused); empty when a byte is not a two-digit value (an empty or damaged record).
std::string DigitsOfStoredId(const std::array<uint8_t, 5>& id);

}  // namespace mmsi
