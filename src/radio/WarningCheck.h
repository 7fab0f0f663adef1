#pragma once
// The warning check over a whole image: one finding per fault, each naming the cell it concerns
// (category, label, row), the line of the warning-check list that owns it, its severity and a
// reason code. The application words the codes; the cells' own error and warning marks ask the
// same rules through FindingsOfCell, so a marker and an entry always agree.
#include <cstdint>
#include <string>
#include <vector>

#include "radio/Mmsi.h"
#include "radio/TransmitRules.h"

class cmcEeprom;

namespace warncheck {

enum class Code {
    UnusedWithMark,    // a channel not used carries the P or C mark (arg: 1 P, 2 C, 3 both)
    Transmit,          // a channel or DSC channel transmits against a rule (why, number)
    FreeRxBlank,       // a user channel in use without a receive frequency
    FreeRxOutside,     // ... receiving outside the marine band (hz)
    FreeTransmit,      // ... transmitting against a rule (why, hz)
    FreeNameBlank,     // ... with a blank name
    WeatherAllOff,     // every weather channel is switched off
    OwnIdFault,        // the own MMSI is no ship's (mmsi fault)
    IdFault,           // an address-book MMSI is wrong for its book (mmsi fault)
    IdTwice,           // the same MMSI as an earlier row (other; otherName)
    IdIsOwn,           // the radio's own MMSI in the address book
    IdNameBlank,       // an address-book entry without a name
    NameTwice,         // the same name as an earlier entry (otherTable, other)
    CallHalvesDiffer,  // call table rows 8/10 or 9/11 disagree on transmit (other)
    CallAlarmRange,    // call table row: maximum alarm volume below the minimum
    SoftKeyIdle,       // a soft key set to a function that is switched off (arg: function)
    DscOnInland,       // DSC switched on in an inland-waterway radio
};

struct Finding {
    int check = 0;     // CL_Check_ label of the warning-check line that owns it
    int category = 0;  // the cell: CT_ category (CT_Null for settings), CL_ label, row
    int label = 0;
    int row = 0;
    bool error = false;
    Code code = Code::UnusedWithMark;
    std::string channel;  // the channel as its list shows it, or the entry's name
    int arg = 0;
    int other = -1;      // another row the fault concerns
    int otherTable = 0;  // its table (address book)
    std::string otherName;
    uint32_t hz = 0;
    txrules::Why why = txrules::Why::None;
    txrules::Plan plan = txrules::Plan::International;  // the plan whose rule it is
    mmsi::Fault mmsiFault = mmsi::Fault::None;
    std::string digits;  // the MMSI concerned
};

// Every fault of the image, list by list in the order of the warning-check list.
std::vector<Finding> CheckImage(const cmcEeprom& image, int modelType);

// The faults that the own MMSI takes part in (the own ID itself, and contacts that repeat it):
// all that changes when only the own ID changes, as CheckImage would find them.
std::vector<Finding> CheckOwnIdentity(const cmcEeprom& image);

// The findings of one cell (the cell's marker): the same rules, for that cell alone.
std::vector<Finding> FindingsOfCell(const cmcEeprom& image, int modelType, int category, int label,
                                    int row);

// The marker bits of a set of findings: 8 error, 4 warning.
uint8_t MarkOf(const std::vector<Finding>& findings);

}  // namespace warncheck
