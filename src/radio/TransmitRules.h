#pragma once
// Where a written radio must not transmit, or may transmit only at low power: the rules behind
// the transmit checks of the warning list, over the channel lists, the DSC channels and the
// free (user) channels.
#include <cstdint>

class cmcEeprom;

namespace txrules {

enum class Tx {
    Ok,
    LowPower,   // limited to 1 W; the radio transmits at the power last chosen (a warning)
    Forbidden,  // a ship's voice radio must not transmit there (an error)
};

// Limits of the marine band as the radio uses it, in Hz: a ship transmits between the lowest
// ship frequency and AIS 2; the receiver also tunes the weather channels.
inline constexpr uint32_t kTxLowHz = 156'000'000;
inline constexpr uint32_t kTxHighHz = 162'025'000;
inline constexpr uint32_t kRxLowHz = 156'000'000;
inline constexpr uint32_t kRxHighHz = 163'275'000;

// Voice transmission on a frequency, as a free channel or a channel of `table` (1-3; the USA
// plan sets no 1 W limit on 17, its state-control channel). DSC's 156.525 MHz, the AIS
// frequencies and anything outside the band are forbidden.
Tx TransmitFrequency(uint32_t hz, int table);

// A fixed row (0-347) of a channel list: the ship frequency it transmits on, 0 when the row is a
// coast-station channel (20nn) or names no channel of the band.
uint32_t RowShipHz(int row);

// Transmitting on a row of a channel list (1-3) while it is in use with transmit allowed; free
// rows (348-417) look at their free channel.
Tx ChannelRowTransmit(const cmcEeprom& image, int table, int row);

// Transmitting on a DSC channel number (the working channel a DSC call moves to).
Tx DscChannelTransmit(int number);

// Model types from this one on are the inland-waterway radios (ATIS), where DSC is not allowed.
inline constexpr int kFirstInlandModelType = 7;

// An inland radio with DSC switched on in any channel mode.
bool DscOnInland(const cmcEeprom& image, int modelType);

// Free channel `row` (0-69): whether a channel list has it in use, and whether one lets it
// transmit.
bool FreeRowInUse(const cmcEeprom& image, int row, bool* transmits);

}  // namespace txrules
