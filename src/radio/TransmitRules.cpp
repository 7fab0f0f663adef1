#include "radio/TransmitRules.h"

#include <algorithm>
#include <iterator>

#include "radio/MemoryMap.h"
#include "radio/SettingsMap.h"
#include "radio/cmcEeprom.h"
#include "radio/datCh.h"

namespace txrules {

namespace {

constexpr uint32_t kDscHz = 156'525'000;
constexpr uint32_t kAis1Hz = 161'975'000;
constexpr uint32_t kAis2Hz = 162'025'000;

// Ship-transmit frequencies that a national plan adds (data/plans/free.csv), with the model
// types that carry the plan.
struct ExtraShipTx {
    uint32_t hz;
    const char* name;
    uint32_t models;
};
constexpr ExtraShipTx kExtraShipTx[] = {
#include "radio/ShipTxExtra.inc"
};

uint32_t ShipHz(int n) {
    if (n >= 1 && n <= 28) return 156'000'000u + 50'000u * n;
    if (n >= 60 && n <= 88) return 156'025'000u + 50'000u * (n - 60);
    return 0;
}

int ChannelOfShipHz(uint32_t hz) {
    for (int n = 1; n <= 88; ++n)
        if (ShipHz(n) == hz) return n;
    return 0;
}

bool In(int n, std::initializer_list<int> list) {
    return std::find(list.begin(), list.end(), n) != list.end();
}

// The rule of a plan for voice transmission on the ship side of channel n (1-28, 60-88).
Verdict ShipSideRule(const cmcEeprom& image, Plan plan, int n, int shown) {
    if (n == 70) return {Tx::Forbidden, Why::DataOnly, shown};
    if (plan == Plan::Usa && n == 15) return {Tx::Forbidden, Why::PlanReceiveOnly, shown};
    // Bridge-to-bridge 13 and 67 of the US plan: 1 W, yet a ship must be able to call there, so
    // transmitting is right as long as a key brings the radio to low power.
    if (plan == Plan::Usa && In(n, {13, 67}))
        return LowPowerKey(image) ? Verdict{} : Verdict{Tx::LowPower, Why::NoLowPowerKey, shown};
    // The other 1 W channels: on-board communication (15, 17) and the guards beside 16 (75, 76)
    // in the international and Canadian plans; the US plan sets no limit on 17 (state control)
    // and has no 15 to transmit on.
    const bool low = plan == Plan::Usa ? In(n, {75, 76}) : In(n, {15, 17, 75, 76});
    if (low) return {Tx::LowPower, Why::LowPower, shown};
    return {};
}

}  // namespace

Plan PlanOfTable(int table) {
    if (table == mm::kUsaCh) return Plan::Usa;
    if (table == mm::kCanCh) return Plan::Canada;
    return Plan::International;
}

Plan PlanOfModel(int modelType) {
    if (modelType == 0) return Plan::Usa;
    if (modelType == 4) return Plan::Canada;
    return Plan::International;
}

uint32_t RowShipHz(int row) {
    if (row < 0) return 0;
    if (row < mm::kFirstFixedSimplexRow) return ShipHz(row / 2);  // nn and nnA
    if (row < 262) return ShipHz(row - 233);                      // 1001-1028
    if (row < 291) return ShipHz(row - 202);                      // 1060-1088
    return 0;                                                     // 20nn: coast stations
}

namespace {

// Voice transmission on channel `number` as the radio numbers it (nn, 10nn, 20nn).
Verdict NumberRule(const cmcEeprom& image, Plan plan, int number) {
    if (number > 2000) {
        const int n = number - 2000;
        return {Tx::Forbidden, n == 87 || n == 88 ? Why::DataOnly : Why::CoastSide, number};
    }
    if (number > 1000 && In(number - 1000, {24, 25, 26, 84, 85, 86}))
        return {Tx::Forbidden, Why::DataOnly, number};
    const int n = number > 1000 ? number - 1000 : number;
    if (!ShipHz(n)) return {};
    return ShipSideRule(image, plan, n, number);
}

int RowNumber(int row) {
    if (row < mm::kFirstFixedSimplexRow) return row / 2;
    if (row < 262) return row + 767;
    if (row < 291) return row + 798;
    if (row < 319) return row + 1710;
    return row + 1741;
}

}  // namespace

Verdict ChannelRowTransmit(const cmcEeprom& image, int table, int row) {
    if (row < 0 || row >= mm::kFirstFreeRow) return {};
    datCh c(const_cast<cmcEeprom*>(&image));
    c.Load(table, row);
    if (!c.Addressed() || c.Unused() || (c.flags & datCh::kTxInh)) return {};
    return NumberRule(image, PlanOfTable(table), RowNumber(row));
}

Verdict DscChannelTransmit(const cmcEeprom& image, int number, int modelType) {
    return NumberRule(image, PlanOfModel(modelType), number);
}

Verdict FreeChannelTransmit(const cmcEeprom& image, uint32_t hz, int modelType) {
    if (hz == 0) return {Tx::Forbidden, Why::Blank, 0, 0};
    if (hz == kDscHz || hz == kAis1Hz || hz == kAis2Hz)
        return {Tx::Forbidden, Why::DataOnly, 0, hz};
    if (hz >= kShipLowHz && hz <= kShipHighHz) {
        Verdict v{};
        if (int n = ChannelOfShipHz(hz)) v = ShipSideRule(image, PlanOfModel(modelType), n, n);
        v.hz = hz;
        return v;
    }
    for (const ExtraShipTx& extra : kExtraShipTx)
        if (extra.hz == hz && modelType >= 0 && modelType < 32 && (extra.models >> modelType) & 1)
            return {Tx::Ok, Why::None, 0, hz};
    return {Tx::Forbidden, Why::NotShipFrequency, 0, hz};
}

bool LowPowerKey(const cmcEeprom& image) {
    for (int key = 0; key < smap::kSoftKeyCount; ++key)
        if (image.GetByte(smap::kSoftKeys + key) == smap::kSoftKeyPower) return true;
    return false;
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
