#pragma once
// The reviewed tables from which the factory image of every model type is generated: the model
// roster, the international, USA and Canadian channel plans, the weather and free channels and
// the factory settings. Reading checks every row; the first fault is reported with the file and
// line, so a wrong table never turns into a wrong image.
#include <cstdint>
#include <string>
#include <vector>

enum class ChannelMode { Unused, Simplex, Duplex, RxOnly };

// How a designator names a frequency: nn, nnA, 10nn (ship side, single frequency) or 20nn
// (coast side).
enum class DesignatorKind { Plain, A, Ship, Coast };

struct PlanChannel {
    std::string designator;  // as the table writes it, e.g. "06", "22A", "2021"
    DesignatorKind kind = DesignatorKind::Plain;
    int number = 0;  // nn
    ChannelMode mode = ChannelMode::Unused;
    std::string name;  // up to 10 display characters
    bool markP = false;
    bool markC = false;
    int line = 0;
};

struct PlanTable {
    std::string file;
    std::vector<PlanChannel> channels;
};

struct PlanWeather {
    int row = 0;  // WXn is row n - 1
    bool used = false;
    std::string name;
    int line = 0;
};

struct PlanFree {
    std::vector<int> models;
    int row = 0;
    uint32_t rxHz = 0;
    uint32_t txHz = 0;
    std::string shortName;
    bool used = false;
    int line = 0;
};

struct PlanModel {
    int type = 0;
    std::string file;
    std::string name;
    char group = 'A';
    std::string primary;  // "int", "usa" or "can"
    bool intCh = false, usaCh = false, canCh = false, weather = false;
    std::string description;
};

// One row of the factory settings: bytes written at an address for some models.
struct PlanSetting {
    int address = 0;
    std::vector<uint8_t> bytes;
    bool modelTypeByte = false;  // the value is the model type ("@type")
    std::vector<int> models;     // empty: every model
    std::string label;           // the cell that shows the value; empty when none does
    int line = 0;
    bool AppliesTo(int type) const;
};

struct FactoryPlan {
    std::vector<PlanModel> models;
    PlanTable international, usa, canada;
    std::vector<PlanWeather> weather;
    std::vector<PlanFree> free;
    std::vector<PlanSetting> settings;

    const PlanModel* Model(int type) const;
};

// The whole text of a file, false when it cannot be read (tables and initial files are small).
bool ReadFileText(const std::string& path, std::string* text);

// Reads every table of the folder. On the first fault returns false with "file:line: what".
bool LoadFactoryPlan(const std::string& folder, FactoryPlan* plan, std::string* error);

// The parts, each over the text of one file (name used in messages only).
bool ReadModels(const std::string& file, const std::string& text, std::vector<PlanModel>* out,
                std::string* error);
bool ReadChannelPlan(const std::string& file, const std::string& text, PlanTable* out,
                     std::string* error);
bool ReadWeather(const std::string& file, const std::string& text, std::vector<PlanWeather>* out,
                 std::string* error);
bool ReadFree(const std::string& file, const std::string& text, int modelCount,
              std::vector<PlanFree>* out, std::string* error);
bool ReadSettings(const std::string& file, const std::string& text, int modelCount,
                  std::vector<PlanSetting>* out, std::string* error);

// The channel-numbering rule, in kHz: the ship-station frequency of channel nn (0 when the radio
// has no such channel) and the coast-station frequency (ship + 4600 kHz).
int ShipKHz(int number);
int CoastKHz(int number);

// A channel in use in several lists must have one name in all of them (they share it).
bool CheckSharedNames(const FactoryPlan& plan, std::string* error);

// Parses a designator; false when it names no channel of the marine band.
bool ParseDesignator(const std::string& text, DesignatorKind* kind, int* number);
