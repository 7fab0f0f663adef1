#include "radio/TransmitRules.h"

#include "radio/MemoryMap.h"
#include "radio/SettingsMap.h"
#include "radio/cmcEeprom.h"
#include "radio/datCh.h"

namespace txrules {

namespace {

constexpr uint32_t kDscHz = 156'525'000;
constexpr uint32_t kAis1Hz = 161'975'000;
constexpr uint32_t kAis2Hz = 162'025'000;
constexpr uint32_t kCh15Hz = 156'750'000;
constexpr uint32_t kCh17Hz = 156'850'000;
constexpr uint32_t kCh75Hz = 156'775'000;
constexpr uint32_t kCh76Hz = 156'825'000;

uint32_t ShipHz(int n) {
    if (n >= 1 && n <= 28) return 156'000'000u + 50'000u * n;
    if (n >= 60 && n <= 88) return 156'025'000u + 50'000u * (n - 60);
    return 0;
}

}  // namespace

Tx TransmitFrequency(uint32_t hz, int table) {
    if (hz < kTxLowHz || hz > kTxHighHz || hz == kDscHz || hz == kAis1Hz || hz == kAis2Hz)
        return Tx::Forbidden;
    if (hz == kCh15Hz || hz == kCh75Hz || hz == kCh76Hz) return Tx::LowPower;
    if (hz == kCh17Hz && table != mm::kUsaCh) return Tx::LowPower;
    return Tx::Ok;
}

uint32_t RowShipHz(int row) {
    if (row < 0) return 0;
    if (row < mm::kFirstFixedSimplexRow) return ShipHz(row / 2);  // nn and nnA
    if (row < 262) return ShipHz(row - 233);                      // 1001-1028
    if (row < 291) return ShipHz(row - 202);                      // 1060-1088
    return 0;                                                     // 20nn: coast stations
}

Tx ChannelRowTransmit(const cmcEeprom& image, int table, int row) {
    datCh c(const_cast<cmcEeprom*>(&image));
    c.Load(table, row);
    if (!c.Addressed() || c.Unused() || (c.flags & datCh::kTxInh)) return Tx::Ok;
    if (row >= mm::kFirstFreeRow) {
        datCh f(const_cast<cmcEeprom*>(&image));
        f.Load(mm::kFreeCh, row - mm::kFirstFreeRow);
        if (f.state & datCh::kTxBlank) return Tx::Forbidden;
        return TransmitFrequency(f.txHz, table);
    }
    // A coast-station row has no ship frequency; rows naming no channel are not shown.
    if (row >= 291) return Tx::Forbidden;
    const uint32_t hz = RowShipHz(row);
    return hz ? TransmitFrequency(hz, table) : Tx::Ok;
}

Tx DscChannelTransmit(int number) {
    if (number > 2000) return Tx::Forbidden;  // coast-station side
    const uint32_t hz = ShipHz(number > 1000 ? number - 1000 : number);
    return hz ? TransmitFrequency(hz, 0) : Tx::Ok;
}

bool DscOnInland(const cmcEeprom& image, int modelType) {
    return modelType >= kFirstInlandModelType &&
           (image.GetByte(smap::kDscChannelSwitches) & 0x07) != 0;
}

bool FreeRowInUse(const cmcEeprom& image, int row, bool* transmits) {
    datCh c(const_cast<cmcEeprom*>(&image));
    bool used = false;
    *transmits = false;
    for (int table : {mm::kIntCh, mm::kUsaCh, mm::kCanCh}) {
        c.Load(table, mm::kFirstFreeRow + row);
        if (c.Unused()) continue;
        used = true;
        if (!(c.flags & datCh::kTxInh)) *transmits = true;
    }
    return used;
}

}  // namespace txrules
