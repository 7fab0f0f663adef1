#pragma once
// Two images compared as the program shows them: every value cell of the sheets rendered from
// each and matched by sheet and cell; and compared as bytes over a list of ranges. The compare
// of two clone files, the compare in the window and the check after a write share these.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "app/CellPlaces.h"
#include "radio/AddressRange.h"

class cmcEeprom;
class SheetTree;

struct SheetValues {
    std::shared_ptr<const CellPlaces> names;
    std::vector<std::string> values;  // one per names->Cells()
};

// Builds the tree's sheets for the model type and renders every value cell from the installed
// cell host's working image. The sheets of `same` are used again when they are the sheets of
// this tree and model (building them costs more than rendering them).
SheetValues TakeSheetValues(const SheetTree& tree, int modelType,
                            const SheetValues* same = nullptr);

// A cell whose value differs, or that only one side's sheets show (index -1 on the other).
struct CellDifference {
    int a = -1;  // index into a.names->Cells()
    int b = -1;
};
// In a's sheet order, then what only b shows in b's order.
std::vector<CellDifference> CompareSheetValues(const SheetValues& a, const SheetValues& b);

// "International Channels | Channel 16 | Name": rendered from the installed working image.
std::string CellPath(const CellPlaces& names, const CellPlaces::Place& place);

// The cells that differ from a compared file, as the sheets mark them: by sheet key and the
// item the cell shows (not its row, which the usable-only view moves), with the value the other
// file holds. One set per process, shared by every sheet on screen.
class CompareMarkSet {
  public:
    using Table = std::unordered_map<uint64_t, std::string>;  // item key -> other value

    // The differences of `a` (the working image) against `b`, the file named `source`.
    void Set(const SheetValues& a, const SheetValues& b,
             const std::vector<CellDifference>& differences, std::string source);
    void Clear();
    bool Empty() const { return sheets_.empty(); }
    const std::string& Source() const { return source_; }
    // Changes whenever the marks do, so a sheet knows when to look again.
    uint64_t Generation() const { return generation_; }
    // The marked items of one sheet; null when none of its cells differ.
    const Table* ForSheet(std::string_view sheetKey) const;
    static uint64_t ItemKey(int category, int label, int index);
    // The other file's value of a cell on the sheet; null when the cell does not differ.
    const std::string* Find(std::string_view sheetKey, int category, int label, int index) const;

  private:
    std::unordered_map<std::string, Table> sheets_;
    std::string source_;
    uint64_t generation_ = 0;
};
CompareMarkSet& CompareMarks();

struct ByteDifference {
    int address;
    uint8_t a;
    uint8_t b;
};
std::vector<ByteDifference> CompareBytes(const cmcEeprom& a, const cmcEeprom& b,
                                         const AddressRange* ranges);
