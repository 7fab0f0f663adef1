#pragma once
// The cautions of the row commands in the overlay's words, asked through the prompt.
#include "radio/RecordRowCommands.h"

// OK and Cancel under a warning; true when the user chose OK.
bool AskRowCaution(RowCaution caution);
