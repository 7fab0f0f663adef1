#pragma once
// Doubles for the cell dispatcher's surroundings: a grid that records chooser requests, a canvas
// that records paint calls, a choice source over fixed lists, and a host that records commands.
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "base/ScopedInstall.h"
#include "radio/CellDispatchHost.h"
#include "radio/CellSources.h"
#include "radio/cmcCellCapsule.h"
#include "radio/cmcEeprom.h"
#include "sheet/ChoiceLists.h"
#include "text/cmcGTex.h"

namespace test {

struct RecordingGrid : CellGrid {
    struct Open {
        int listLabel;
        int value;
        std::string sheet;
    };
    std::vector<Open> opened;
    void OpenChooser(cmcCellCapsule&, int listLabel, int value, const std::string& sheet) override {
        opened.push_back({listLabel, value, sheet});
    }
};

struct RecordingCanvas : CellCanvas {
    std::vector<uint32_t> fontColors;
    std::vector<std::pair<CellRectangle, uint32_t>> fills;
    struct Line {
        int x1, y1, x2, y2;
        uint32_t color;
    };
    std::vector<Line> lines;
    void SetFontColor(uint32_t c) override { fontColors.push_back(c); }
    void FillRect(const CellRectangle& r, uint32_t c) override { fills.push_back({r, c}); }
    void DrawLine(int x1, int y1, int x2, int y2, uint32_t c) override {
        lines.push_back({x1, y1, x2, y2, c});
    }
};

// Lists keyed by (list name, label): items in stepping order, each (value, text).
struct FixedChoices : ChoiceSource {
    std::map<std::pair<std::string, int>, std::vector<std::pair<int, std::string>>> lists;

    void Add(const std::string& list, int label, std::vector<std::pair<int, std::string>> items) {
        lists[{list, label}] = std::move(items);
    }
    const std::vector<std::pair<int, std::string>>* Find(const char* list, int label) const {
        auto it = lists.find({list, label});
        return it == lists.end() ? nullptr : &it->second;
    }
    std::string Text(const char* list, int label, int value) override {
        if (auto* items = Find(list, label))
            for (auto& [v, t] : *items)
                if (v == value) return t;
        return "error";
    }
    int Step(const char* list, int label, int value, int direction) override {
        auto* items = Find(list, label);
        if (items == nullptr || items->empty()) return value;
        const int n = int(items->size());
        int at = n;
        for (int i = 0; i < n; ++i)
            if ((*items)[i].first == value) at = i;
        at += direction;
        at = ((at % n) + n) % n;
        return (*items)[at].first;
    }
    bool ValueOfText(const char* list, int label, std::string_view text, int& value) override {
        if (auto* items = Find(list, label))
            for (auto& [v, t] : *items)
                if (t == text) {
                    value = v;
                    return true;
                }
        return false;
    }
};

// An overlay in memory installed as the main text store, with a choice table over it, for the
// object's lifetime.
struct InstalledOverlay {
    cmcGTex store;
    ChoiceLists choices{&store};
    explicit InstalledOverlay(std::vector<std::string> lines) {
        store.BindLines(std::move(lines));
        Install();
    }
    // The overlay file the program ships.
    InstalledOverlay() {
        store.BindFile(std::string(KELDA_SOURCE_DIR) + "/data/overlay/KELDA.OVL");
        Install();
    }
    void Install() {
        textSlot.emplace(&store);
        choicesSlot.emplace(&choices);
    }
    std::optional<ScopedInstall<InstallGTex>> textSlot;
    std::optional<ScopedInstall<InstallChoiceTable>> choicesSlot;
};

struct RecordingHost : CellDispatchHost {
    cmcEeprom image;
    int modelType = 2;
    bool usableOnly = false;
    bool manufacturer = false;
    std::vector<std::string> recent;
    int fontSize = 1;
    bool toolbar = true;
    int port = 1;
    bool untitled = true;
    bool canPrint = true;
    int popupItems = 2;
    int infoModel = 0;
    std::string infoRevision = "12345";
    std::string infoComment = "RADIO COMMENT   ";
    RowCommander* rows = nullptr;

    struct Command {
        AppCommand command;
        int argument;
        std::string text;
    };
    std::vector<Command> commands;
    int recheckArmed = 0;
    int modifiedUpdates = 0;
    std::vector<int> helpOpened;

    RecordingHost() { image.SetSize(cmcEeprom::kImageSize); }

    cmcEeprom& WorkingImage() override { return image; }
    int ModelType() const override { return modelType; }
    bool UsableOnlyView() const override { return usableOnly; }
    bool ManufacturerMode() const override { return manufacturer; }
    std::string RecentFile(int i) const override {
        return i >= 0 && i < int(recent.size()) ? recent[i] : std::string();
    }
    int FontSize() const override { return fontSize; }
    bool ToolbarVisible() const override { return toolbar; }
    int SelectedPort() const override { return port; }
    bool DocumentUntitled() const override { return untitled; }
    bool CanPrintCurrent() const override { return canPrint; }
    int PopupMenuItemCount() const override { return popupItems; }
    int CloneInfoModel() const override { return infoModel; }
    std::string CloneInfoRevision() const override { return infoRevision; }
    std::string CloneInfoComment() const override { return infoComment; }
    void RunCommand(AppCommand c, int argument, const std::string& text) override {
        commands.push_back({c, argument, text});
    }
    void ArmWarningRecheck() override { ++recheckArmed; }
    void UpdateModified() override { ++modifiedUpdates; }
    void OpenHelp(int label) override { helpOpened.push_back(label); }
    RowCommander* RowCommands() override { return rows; }
};

}  // namespace test
