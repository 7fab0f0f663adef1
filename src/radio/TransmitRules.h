#pragma once
// Where a written radio must not transmit, or may transmit only at low power: the rules behind
// the transmit checks of the warning list, over the channel lists, the DSC channels and the
// free (user) channels. The ship side of the VHF maritime band is Appendix 18 of the ITU Radio
// Regulations (156.000-157.425 MHz); the national plans in data/plans add their own channels
// and limits (the US plan: 15 receive-only, 13 and 67 at 1 W; the UK plan: M1 and M2).
// The radio cannot limit one channel's power: it transmits at the power last chosen.
#include <cstdint>

class cmcEeprom;

namespace txrules {

enum class Tx {
    Ok,
    LowPower,   // limited to 1 W; the radio transmits at the power last chosen (a warning)
    Forbidden,  // a ship's voice radio must not transmit there (an error)
};

// Why a channel may not transmit as set.
enum class Why {
    None,
    DataOnly,          // DSC (70), AIS (2087, 2088) or digital data (1024-1026, 1084-1086)
    CoastSide,         // a coast station's transmit frequency (20nn)
    PlanReceiveOnly,   // the plan makes the channel receive-only (US 15)
    LowPower,          // the plan limits the channel to 1 W
    NoLowPowerKey,     // ... and a ship must call there (US 13, 67), but no key brings the
                       // radio to low power
    NotShipFrequency,  // a free channel outside the ship side of the plans the radio carries
    Blank,             // a free channel with no transmit frequency
};

// The plans whose rules apply: the international one and the national ones of the lists.
enum class Plan { International, Usa, Canada };
Plan PlanOfTable(int table);
// The plan the radio's DSC and free channels follow: its model's own (USA, Canada or
// international).
Plan PlanOfModel(int modelType);

struct Verdict {
    Tx tx = Tx::Ok;
    Why why = Why::None;
    int channel = 0;  // the channel (nn, 10nn or 20nn) the rule concerns, 0 for none
    uint32_t hz = 0;  // the transmit frequency looked at (free channels)
};

// Limits of the marine band as the radio's receiver uses it, in Hz.
inline constexpr uint32_t kRxLowHz = 156'000'000;
inline constexpr uint32_t kRxHighHz = 163'275'000;
// The ship side of Appendix 18.
inline constexpr uint32_t kShipLowHz = 156'000'000;
inline constexpr uint32_t kShipHighHz = 157'425'000;

// A fixed row (0-347) of a channel list: the ship frequency it transmits on, 0 when the row is a
// coast-station channel (20nn) or names no channel of the band.
uint32_t RowShipHz(int row);

// Transmitting on a fixed row (0-347) of channel list `table` (1-3) while it is in use with
// transmit allowed. Free rows (348-417) answer Ok here: their frequencies are the free
// channel's, judged once there (FreeChannelTransmit).
Verdict ChannelRowTransmit(const cmcEeprom& image, int table, int row);

// Transmitting on a DSC channel number (the working channel a DSC call moves to) of a radio of
// this model.
Verdict DscChannelTransmit(const cmcEeprom& image, int number, int modelType);

// Transmitting on a free channel's frequency (0 = blank) in a radio of this model.
Verdict FreeChannelTransmit(const cmcEeprom& image, uint32_t hz, int modelType);

// Whether a soft key switches the radio between high and low power, so that the owner can
// bring it to 1 W where a plan asks for it.
bool LowPowerKey(const cmcEeprom& image);

// Model types from this one on are the inland-waterway radios (ATIS), where DSC is not allowed.
inline constexpr int kFirstInlandModelType = 7;

// An inland radio with DSC switched on in any channel mode.
bool DscOnInland(const cmcEeprom& image, int modelType);

// Free channel `row` (0-69): whether a channel list has it in use, and whether one lets it
// transmit.
bool FreeRowInUse(const cmcEeprom& image, int row, bool* transmits);

}  // namespace txrules
