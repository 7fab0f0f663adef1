#include "radio/Mmsi.h"

#include <algorithm>
#include <iterator>

namespace mmsi {

namespace {

struct MidEntry {
    int mid;
    const char* country;
};
// Generated from data/plans/mid.csv at configure time, sorted by MID.
constexpr MidEntry kMids[] = {
#include "radio/MidTable.inc"
};

int Number(std::string_view digits, size_t from, size_t count) {
    int n = 0;
    for (size_t i = from; i < from + count; ++i) n = n * 10 + (digits[i] - '0');
    return n;
}

bool AllDigits(std::string_view digits) {
    return digits.size() == 9 &&
           std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; });
}

}  // namespace

Kind KindOf(std::string_view d) {
    if (!AllDigits(d)) return Kind::NotDigits;
    if (d == "000000000") return Kind::AllZeros;
    switch (d[0]) {
        case '0':
            return d[1] == '0' ? Kind::Coast : Kind::Group;
        case '1':
            return d.substr(0, 3) == "111" ? Kind::SarAircraft : Kind::Other;
        case '8':
            return Kind::Handheld;
        case '9':
            if (d[1] == '8') return Kind::CraftOfShip;
            if (d[1] == '9') return Kind::AidToNavigation;
            if (d.substr(0, 3) == "970") return Kind::Sart;
            if (d.substr(0, 3) == "972") return Kind::Mob;
            if (d.substr(0, 3) == "974") return Kind::Epirb;
            return Kind::Other;
        default:
            return Kind::Ship;  // 2-7
    }
}

int MidOf(std::string_view d) {
    switch (KindOf(d)) {
        case Kind::Ship:
            return Number(d, 0, 3);
        case Kind::Handheld:
        case Kind::Group:
            return Number(d, 1, 3);
        case Kind::Coast:
        case Kind::CraftOfShip:
        case Kind::AidToNavigation:
            return Number(d, 2, 3);
        case Kind::SarAircraft:
            return Number(d, 3, 3);
        default:
            return -1;
    }
}

const char* MidCountry(int mid) {
    const auto* at = std::lower_bound(std::begin(kMids), std::end(kMids), mid,
                                      [](const MidEntry& e, int m) { return e.mid < m; });
    return at != std::end(kMids) && at->mid == mid ? at->country : nullptr;
}

bool MidAllocated(int mid) {
    return MidCountry(mid) != nullptr;
}

Fault CheckShipMmsi(std::string_view d) {
    switch (KindOf(d)) {
        case Kind::NotDigits:
            return Fault::NotDigits;
        case Kind::AllZeros:
            return Fault::AllZeros;
        case Kind::Coast:
            return Fault::Coast;
        case Kind::Group:
            return Fault::Group;
        case Kind::Sart:
        case Kind::Mob:
        case Kind::Epirb:
            return Fault::Device;
        case Kind::SarAircraft:
        case Kind::AidToNavigation:
        case Kind::Other:
            return Fault::NotAShip;
        case Kind::Ship:
        case Kind::Handheld:
        case Kind::CraftOfShip:
            break;
    }
    return MidAllocated(MidOf(d)) ? Fault::None : Fault::MidUnknown;
}

Fault CheckGroupMmsi(std::string_view d) {
    switch (KindOf(d)) {
        case Kind::NotDigits:
            return Fault::NotDigits;
        case Kind::AllZeros:
            return Fault::AllZeros;
        case Kind::Group:
            return MidAllocated(MidOf(d)) ? Fault::None : Fault::MidUnknown;
        case Kind::Coast:
            return Fault::Coast;
        case Kind::Sart:
        case Kind::Mob:
        case Kind::Epirb:
            return Fault::Device;
        default:
            return Fault::Individual;
    }
}

std::string DigitsOfStoredId(const std::array<uint8_t, 5>& id) {
    std::string d;
    for (uint8_t b : id) {
        if (b > 99) return {};
        d += static_cast<char>('0' + b / 10);
        d += static_cast<char>('0' + b % 10);
    }
    d.pop_back();
    return d;
}

}  // namespace mmsi
