#include "app/ImageCompare.h"

#include <unordered_map>

#include "app/SheetTree.h"
#include "radio/CellDispatcher.h"
#include "radio/cmcEeprom.h"
#include "sheet/ChannelSheetDef.h"
#include "text/OverlayKeys.h"

namespace {

// A cell is the same cell on both sides when its sheet and its item are; sheets are numbered
// by their key across both sides.
uint64_t CellKey(const CellPlaces& names, const CellPlaces::Place& p,
                 const std::vector<int>& sheetIds) {
    const cmcCellObj& cell = names.Cell(p);
    return (uint64_t(uint32_t(sheetIds[p.sheet])) << 48) |
           (uint64_t(uint32_t(cell.Category) & 0xFFu) << 40) |
           (uint64_t(uint32_t(cell.Label) & 0xFFFFu) << 24) | (uint32_t(cell.Index) & 0xFFFFFFu);
}

std::vector<int> SheetIds(const CellPlaces& names, std::vector<std::string>& keys) {
    std::vector<int> ids;
    for (const auto& sheet : names.Sheets()) {
        size_t i = 0;
        while (i < keys.size() && keys[i] != sheet.key) ++i;
        if (i == keys.size()) keys.push_back(sheet.key);
        ids.push_back(static_cast<int>(i));
    }
    return ids;
}

}  // namespace

namespace {

bool SameSheets(const CellPlaces& names, const SheetTree& tree, int modelType) {
    if (names.ModelType() != modelType) return false;
    size_t n = 0;
    for (const auto& node : tree.Nodes()) {
        const std::string key = SheetTree::SheetName(node.SheetReference());
        if (key.empty() || key == keys::kSheetEeDebugWin) continue;
        bool seen = false;
        for (size_t i = 0; i < n && !seen; ++i) seen = names.Sheets()[i].key == key;
        if (seen) continue;
        if (n >= names.Sheets().size() || names.Sheets()[n].key != key ||
            names.Sheets()[n].caption != TrimSpaces(node.Caption()))
            return false;
        ++n;
    }
    return n == names.Sheets().size();
}

}  // namespace

SheetValues TakeSheetValues(const SheetTree& tree, int modelType, const SheetValues* same) {
    SheetValues out;
    if (same != nullptr && same->names && SameSheets(*same->names, tree, modelType)) {
        out.names = same->names;
    } else {
        auto names = std::make_shared<CellPlaces>();
        names->Build(tree, modelType);
        out.names = std::move(names);
    }
    const CellPlaces& names = *out.names;
    out.values.reserve(names.Cells().size());
    for (const auto& place : names.Cells()) out.values.push_back(CellText(names.Cell(place), 0));
    return out;
}

std::vector<CellDifference> CompareSheetValues(const SheetValues& a, const SheetValues& b) {
    std::vector<CellDifference> out;
    const auto& cellsA = a.names->Cells();
    const auto& cellsB = b.names->Cells();
    if (a.names == b.names) {
        // The same sheets on both sides: the cells pair up by position.
        for (int i = 0; i < static_cast<int>(cellsA.size()); ++i)
            if (a.values[i] != b.values[i]) out.push_back({i, i});
        return out;
    }
    std::vector<std::string> keys;
    const std::vector<int> idsA = SheetIds(*a.names, keys);
    const std::vector<int> idsB = SheetIds(*b.names, keys);
    std::unordered_map<uint64_t, int> inB;
    inB.reserve(cellsB.size());
    for (int i = 0; i < static_cast<int>(cellsB.size()); ++i)
        inB.emplace(CellKey(*b.names, cellsB[i], idsB), i);
    std::vector<bool> matched(cellsB.size(), false);
    for (int i = 0; i < static_cast<int>(cellsA.size()); ++i) {
        auto it = inB.find(CellKey(*a.names, cellsA[i], idsA));
        if (it == inB.end()) {
            out.push_back({i, -1});
            continue;
        }
        matched[it->second] = true;
        if (a.values[i] != b.values[it->second]) out.push_back({i, it->second});
    }
    for (int i = 0; i < static_cast<int>(cellsB.size()); ++i)
        if (!matched[i]) out.push_back({-1, i});
    return out;
}

std::string CellPath(const CellPlaces& names, const CellPlaces::Place& place) {
    std::string path = names.Sheets()[place.sheet].caption;
    const std::string row = names.RowName(place, true);
    const std::string column = names.ColumnName(place);
    if (!row.empty()) path += " | " + row;
    if (!column.empty()) path += " | " + column;
    return path;
}

void CompareMarkSet::Set(const SheetValues& a, const SheetValues& b,
                         const std::vector<CellDifference>& differences, std::string source) {
    sheets_.clear();
    for (const CellDifference& d : differences) {
        // A cell only one side shows has nothing to be marked against.
        if (d.a < 0 || d.b < 0) continue;
        const CellPlaces::Place& p = a.names->Cells()[static_cast<size_t>(d.a)];
        const cmcCellObj& cell = a.names->Cell(p);
        sheets_[a.names->Sheets()[static_cast<size_t>(p.sheet)].key].emplace(
            ItemKey(cell.Category, cell.Label, cell.Index), b.values[static_cast<size_t>(d.b)]);
    }
    source_ = std::move(source);
    ++generation_;
}

void CompareMarkSet::Clear() {
    if (sheets_.empty() && source_.empty()) return;
    sheets_.clear();
    source_.clear();
    ++generation_;
}

const CompareMarkSet::Table* CompareMarkSet::ForSheet(std::string_view sheetKey) const {
    if (sheets_.empty()) return nullptr;
    auto it = sheets_.find(std::string(sheetKey));
    return it == sheets_.end() ? nullptr : &it->second;
}

uint64_t CompareMarkSet::ItemKey(int category, int label, int index) {
    return (uint64_t(uint32_t(category) & 0xFFFFu) << 48) |
           (uint64_t(uint32_t(label) & 0xFFFFu) << 32) | uint64_t(uint32_t(index));
}

const std::string* CompareMarkSet::Find(std::string_view sheetKey, int category, int label,
                                        int index) const {
    const Table* table = ForSheet(sheetKey);
    if (table == nullptr) return nullptr;
    auto it = table->find(ItemKey(category, label, index));
    return it == table->end() ? nullptr : &it->second;
}

CompareMarkSet& CompareMarks() {
    static CompareMarkSet marks;
    return marks;
}

std::vector<ByteDifference> CompareBytes(const cmcEeprom& a, const cmcEeprom& b,
                                         const AddressRange* ranges) {
    std::vector<ByteDifference> out;
    if (a.Size() != b.Size()) return out;
    const uint8_t* x = a.Bytes();
    const uint8_t* y = b.Bytes();
    ForEachRange(ranges, a.Size(), [&](int first, int last) {
        for (int addr = first; addr <= last; ++addr)
            if (x[addr] != y[addr]) out.push_back({addr, x[addr], y[addr]});
    });
    return out;
}
