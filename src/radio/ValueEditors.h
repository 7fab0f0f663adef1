#pragma once
// Value editors of data cells. Each renders a value as the request's display text, reacts to
// the request's key or committed text, sets the editor signal and the selection, and says
// whether the value changed; the cell handler writes a changed value into the image.
// Keys are handled only when the request has a grid; commits always.
#include <cstdint>
#include <string>
#include <string_view>

struct cmcCellCapsule;
class datCh;

// --- character helpers ---

// Keeps decimal digits and the characters of `extra`.
std::string KeepChars(std::string_view text, std::string_view extra);
// Digits, "." and "-", cut to 9 characters, read as a decimal fraction (up to the first
// character that does not fit), rounded half away from zero.
int ParseNumber(std::string_view text);
// One of the characters the radio's display shows (names are stored as they are shown).
bool IsLcdChar(char c);
// Upper-cases letters and turns everything outside the radio's display set into spaces.
void LcdFilter(char* text, int n);
// Free-channel names: two display characters and a last one from "AB ".
void ShortNameFilter(char* text3);
// Snaps an entered frequency to the 6250 Hz raster; false when none lies close enough.
bool SnapFrequency(uint32_t hz, uint32_t& snapped);
// "%d.%05d": megahertz and the rest in units of 10 Hz.
std::string FormatFrequency(uint32_t hz);
// "hh:mm" with an optional sign; false when the text is not an offset of at most 14 hours.
bool ParseTimeOffset(std::string_view text, int& minutes);
std::string FormatTimeOffset(int minutes);
// "%d.%03d" of value / scale, then up to `trim` trailing zeros (and the point) removed.
std::string FormatDecimal(int value, int scale, int trim);

// A number as the user typed it into a cell: spaces around it, an optional sign, digits with at
// most one decimal separator (the point, or the decimal comma that much of Europe writes), and
// after it, if at all, the cell's own unit ("600 sec", "156,8 MHz"). Letters, another unit, a
// second separator or a second number make the text unreadable.
enum class TypedNumber {
    kEmpty,       // nothing but spaces
    kUnreadable,  // not a number the cell can read
    kRead,
};
// Reads `text` as a number with `decimals` digits after the separator, as value x 10^decimals;
// more digits than that are unreadable unless they are zeros. `unit` is the cell's unit (its
// spaces aside, any letter case). A number of more than 15 digits reads as +-10^15, outside
// every range a cell has.
TypedNumber ReadTypedNumber(std::string_view text, int decimals, std::string_view unit,
                            long long& value);

// --- editors ---

// A value that the model's factory image decides: the cell shows it in olive, and a key or a
// commit on it changes nothing and is refused with a reason. True when it refused something.
bool RefuseFactoryValue(cmcCellCapsule& req);

// Choice over the list `list` whose items are cells of label `listType` (1 for ordinary
// lists). Space/backspace step, Enter opens the chooser, a choice committed from the chooser
// (commit mode 2, parent = the chosen item) is taken.
bool EditChoice(cmcCellCapsule& req, const char* list, int listType, int& value);

// The channel attribute cell: like a choice, but a committed item or a space/backspace is an
// action for the caller. `marks` are the record's P and C marks.
enum class AttrAction {
    kNone = 0,
    kSetMark = 1,
    kToggleUnused = 2,  // Space and Backspace
    kToggleView = 3,
    kSetUsed = 4,  // the chooser's items say what they do, whatever the channel was
    kSetUnused = 5,
};
AttrAction EditChannelAttr(cmcCellCapsule& req, const char* list, int value, uint8_t marks,
                           bool viewOn, int& chosenItem);

// A fixed-length text buffer of n characters (space padded).
bool EditText(cmcCellCapsule& req, char* buffer, int n);

struct IntegerRange {
    int minimum;
    int maximum;
    int offset = 0;  // displayed value = value + offset
    int step = 1;
    const char* fixedText = nullptr;
    bool clamp = false;
    const char* unit = nullptr;  // shown after the value by the cell; typed, it is read as such
};
bool EditInteger(cmcCellCapsule& req, int& value, const IntegerRange& range);
bool EditIntegerByte(cmcCellCapsule& req, uint8_t& value, const IntegerRange& range);

// A value in units of 1/scale (a power of ten); `unit` is appended to the shown text (not while
// editing). Where 0 is in the range, "off" stores 0.
bool EditDecimal(cmcCellCapsule& req, int& value, int scale, int minimum, int maximum, int trim,
                 const char* unit);

// Signed minutes, shown as [+-]h:mm.
bool EditTimeOffset(cmcCellCapsule& req, int& minutes);

// A 5-byte ID of two digits per byte, 9 digits edited (the tenth is 0).
bool EditId(cmcCellCapsule& req, uint8_t* id5);

// Receive or transmit frequency of a free-channel record (the transmit frequency follows a
// receive change while it was blank or equal). Takes the marine VHF band the radio tunes, on
// its 6.25 kHz raster; digits left off at the end are completed to the next raster frequency
// ("156.81" is 156.8125 MHz).
inline constexpr uint32_t kFrequencyRasterHz = 6250;
bool FrequencyInBand(uint32_t hz);
bool EditFrequency(cmcCellCapsule& req, datCh& record, bool transmit);

// LCD symbol of a regional channel list: five characters at `text5`.
bool EditLcdSymbol(cmcCellCapsule& req, char* text5, int row, int modelType);

// Soft-key function: items are the CL_FlexMarking cells of the list; committed text picks the
// item with the same text.
bool EditSoftKey(cmcCellCapsule& req, const char* list, int& value);
