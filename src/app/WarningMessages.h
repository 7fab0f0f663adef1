#pragma once
// The warning list in words: each finding of the warning check as one line a boat owner
// understands, naming the list, the channel or row, and the reason.
#include <string>

#include "radio/WarningCheck.h"

// "USA list, channel 15: transmit is on, but the US plan makes channel 15 receive-only".
std::string WarningText(const warncheck::Finding& f);
// Where the finding is, as its entry names it: "channel 15", "row 3", "key 2"; empty for a
// sheet of single values.
std::string WarningPlace(const warncheck::Finding& f);
