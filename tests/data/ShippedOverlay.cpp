#include "ShippedOverlay.h"

#include <fstream>
#include <stdexcept>

namespace shipped {

std::string OverlayPath() {
    return std::string(KELDA_SOURCE_DIR) + "/data/overlay/KELDA.OVL";
}
std::string HelpOverlayPath() {
    return std::string(KELDA_SOURCE_DIR) + "/data/overlay/KELDAH.OVL";
}
std::string HelpFolder() {
    return std::string(KELDA_SOURCE_DIR) + "/data/help";
}

std::vector<std::string> ReadLines(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot open " + path);
    std::vector<std::string> lines;
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
        if (line == "#End_Of_Ovl") break;
    }
    return lines;
}

std::map<std::string, std::vector<std::string>> Entries(const std::vector<std::string>& lines) {
    std::map<std::string, std::vector<std::string>> entries;
    std::vector<std::string>* body = nullptr;
    for (const std::string& line : lines) {
        if (line.size() > 1 && line[0] == '#') {
            auto [it, fresh] = entries.try_emplace(line.substr(1));
            body = fresh ? &it->second : nullptr;
            if (line == "#End_Of_Ovl") break;
        } else if (body) {
            body->push_back(line);
        }
    }
    return entries;
}

std::vector<std::string> ListLines(const std::map<std::string, std::vector<std::string>>& entries,
                                   const std::string& key) {
    std::vector<std::string> out;
    auto it = entries.find(key);
    if (it == entries.end()) return out;
    for (const std::string& line : it->second) {
        if (!line.empty() && line[0] == '#') break;
        out.push_back(line);
    }
    return out;
}

}  // namespace shipped

#include "sheet/ChannelSheetDef.h"

namespace shipped {

std::vector<std::string> SheetKeys(const std::map<std::string, std::vector<std::string>>& entries) {
    std::vector<std::string> out;
    const std::string suffix = "_Cells";
    for (const auto& [key, body] : entries)
        if (key.size() > suffix.size() &&
            key.compare(key.size() - suffix.size(), suffix.size(), suffix) == 0)
            out.push_back(key.substr(0, key.size() - suffix.size()));
    return out;
}

std::set<int> LabelsInSheets(cmcGTex& store, const std::vector<std::string>& sheetKeys) {
    std::set<int> labels;
    for (const std::string& key : sheetKeys)
        for (int model : {0, 2, 6, 7})
            for (bool usable : {false, true}) {
                ChannelSheetContext context;
                context.modelVariant = model;
                context.usableOnly = usable;
                ChannelSheetDef sheet(store, key, context);
                sheet.Build();
                for (int r = 0; r < sheet.RowCount(); ++r)
                    for (int c = 0; c < sheet.ColumnCount(); ++c)
                        if (sheet.Cell(c, r).IsBound()) labels.insert(sheet.Cell(c, r).Label);
            }
    return labels;
}

}  // namespace shipped
