#pragma once
// Cells of the radio's fixed-address settings: the identification area, the DSC setup, call
// and alarm tables, the common functions, the radio set-up, the configuration and the
// manufacturer values. The dispatcher hands every settings label to DispatchSettingsCell.
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
