#pragma once
// Where the simulated radio's memory comes from and where a write run goes.
#include <string>

#include "radio/cmcEeprom.h"

// Fills image from the clone file at path; with an empty path, from the factory image of model
// type 2 in the data folder, or a blank memory with the identity bytes when there is none.
bool LoadSimImage(const std::string& path, cmcEeprom& image, std::string& error);
// Saves the image as a clone file.
bool SaveSimImage(const std::string& path, const cmcEeprom& image, std::string& error);
