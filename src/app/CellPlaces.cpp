#include "app/CellPlaces.h"

#include <cctype>

#include "app/SheetTree.h"
#include "radio/CellDispatcher.h"
#include "radio/MemoryMap.h"
#include "sheet/ChannelSheetDef.h"
#include "text/OverlayKeys.h"
#include "text/cmcGTex.h"

// The sheets sit below the memory map and keep their own count of its channel rows.
static_assert(ChannelSheetContext::kChannelRows == mm::kChannelRows);

namespace {

// Lower case for a word inside a sentence, but not for a name in capitals ("USA", "MMSI").
std::string InSentence(std::string word) {
    if (word.size() >= 2 && std::isupper(static_cast<unsigned char>(word[0])) &&
        std::islower(static_cast<unsigned char>(word[1])))
        word[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(word[0])));
    return word;
}

}  // namespace

CellPlaces::CellPlaces() = default;
CellPlaces::~CellPlaces() = default;
CellPlaces::CellPlaces(CellPlaces&&) noexcept = default;
CellPlaces& CellPlaces::operator=(CellPlaces&&) noexcept = default;

void CellPlaces::Build(const SheetTree& tree, int modelType) {
    sheets_.clear();
    cells_.clear();
    modelType_ = modelType;
    for (const auto& node : tree.Nodes()) {
        const std::string key = SheetTree::SheetName(node.SheetReference());
        if (key.empty() || key == keys::kSheetEeDebugWin) continue;
        bool seen = false;
        for (const auto& s : sheets_) seen = seen || s.key == key;
        if (seen) continue;
        ChannelSheetContext context;
        context.usableOnly = false;
        context.modelVariant = modelType;
        Sheet sheet;
        sheet.key = key;
        sheet.caption = TrimSpaces(node.Caption());
        sheet.def = std::make_unique<ChannelSheetDef>(GTex(), key, context);
        sheet.def->Build();
        const int index = static_cast<int>(sheets_.size());
        const ChannelSheetDef& def = *sheet.def;
        for (int r = def.FixedRows(); r < def.RowCount(); ++r)
            for (int c = def.FixedCols(); c < def.ColumnCount(); ++c)
                if (def.Cell(c, r).IsBound()) cells_.push_back({index, c, r});
        sheets_.push_back(std::move(sheet));
    }
    built_ = true;
}

cmcCellObj& CellPlaces::Cell(const Place& place) const {
    return sheets_[place.sheet].def->Cell(place.column, place.row);
}

const CellPlaces::Place* CellPlaces::Find(int category, int label, int index) const {
    // Settings labels are unique whatever category a caller gives them.
    const Place* loose = nullptr;
    for (const Place& p : cells_) {
        const cmcCellObj& cell = Cell(p);
        if ((cell.Label != label && label != kCellNoLabel) || cell.Index != index) continue;
        if (cell.Category == category) return &p;
        if (loose == nullptr && label != kCellNoLabel) loose = &p;
    }
    return loose;
}

std::string CellPlaces::Shown(cmcCellObj& cell) const {
    return TrimSpaces(cell.IsBound() ? CellText(cell, 0) : cell.Text);
}

std::string CellPlaces::RowName(const Place& place, bool withSection) const {
    ChannelSheetDef& def = *sheets_[place.sheet].def;
    std::string name;
    auto add = [&](const std::string& part) {
        if (part.empty()) return;
        if (!name.empty()) name += ' ';
        name += part;
    };
    if (def.FixedCols() > 0) {
        for (int c = 0; c < def.FixedCols(); ++c) {
            if (c == 0 && def.FixedRows() > 0) add(Shown(def.Cell(0, def.FixedRows() - 1)));
            add(Shown(def.Cell(c, place.row)));
        }
        return name;
    }
    // A settings sheet: the labels left of the value, under the last row without values.
    for (int c = 0; c < place.column; ++c)
        if (!def.Cell(c, place.row).IsBound()) add(Shown(def.Cell(c, place.row)));
    if (!withSection) return name;
    for (int r = place.row - 1; r >= def.FixedRows(); --r) {
        bool values = false;
        for (int c = 0; c < def.ColumnCount(); ++c) values = values || def.Cell(c, r).IsBound();
        if (values) continue;
        const std::string section = Shown(def.Cell(0, r));
        if (section.empty()) continue;
        return name.empty() ? section : section + ": " + name;
    }
    return name;
}

std::string CellPlaces::ColumnName(const Place& place) const {
    ChannelSheetDef& def = *sheets_[place.sheet].def;
    if (def.FixedRows() == 0) return {};
    return Shown(def.Cell(place.column, def.FixedRows() - 1));
}

std::string CellPlaces::Phrase(const Place& place) const {
    std::string row = RowName(place, false);
    std::string column = ColumnName(place);
    if (row.empty()) row = sheets_[place.sheet].caption;
    return InSentence(column.empty() ? row : row + " " + InSentence(column));
}
