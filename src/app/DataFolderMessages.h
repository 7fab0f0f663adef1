#pragma once
// The words for a data folder that cannot be used: the platform layer says what is wrong with
// each place it looked, these name the places and the fault in the user's terms.
#include <string>
#include <vector>

#include "platform/DataFolder.h"

// What is wrong with one place ("no such folder", "KELDA.OVL is not a file"); "" when usable.
std::string DataFolderProblemText(const platform::DataFolderCheck& check);

// The text that names every place looked at and what was wrong there; `given` when the place
// was named with --data.
std::string DataFolderMessage(const std::vector<platform::DataFolderLook>& looked, bool given);

// The data folder the program runs on: `given` (from --data) when not empty, else the first
// usable candidate. A start without usable data is fatal (status 3) with DataFolderMessage.
std::string DataFolderOrStop(const std::string& given);
