#pragma once
// Cells of the radio's fixed-address settings: the identification area, the DSC setup, call
// and alarm tables, the common functions, the radio set-up, the configuration and the
// manufacturer values. The dispatcher hands every settings label to DispatchSettingsCell.
#include <cstdint>

struct cmcCellCapsule;
class cmcEeprom;

struct SettingsCellContext {
    cmcEeprom* image = nullptr;  // the working image
    int modelType = 0;           // selects the regional choice lists

    // Results for the dispatcher.
    int changeFlags = 0;     // bit 5: cells that depend on this one must be redrawn
    bool swallowed = false;  // a read-only cell refused a key: report the restriction
};

// Handles the request when its label is a settings cell and returns true; false leaves the
// request untouched for the dispatcher's other cases. The editor signal is in the request.
bool DispatchSettingsCell(cmcCellCapsule& req, SettingsCellContext& context);

// Whether a label is one of the settings cells.
bool IsSettingsLabel(int label);

// The check byte stored after the own ID: the complement of the sum of its five bytes while it
// is a valid ID, 0xFF for an empty one.
uint8_t SelfIdCheckByte(const uint8_t* id5);
