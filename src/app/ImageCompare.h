#pragma once
// Two images compared as the program shows them: every value cell of the sheets rendered from
// each and matched by sheet and cell; and compared as bytes over a list of ranges. The compare
// of two clone files, the compare in the window and the check after a write share these.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "app/cmcCellNames.h"
#include "radio/AddressRange.h"

class cmcEeprom;
class cmcSheetTree;

struct SheetValues {
    std::shared_ptr<const cmcCellNames> names;
    std::vector<std::string> values;  // one per names->Cells()
};

// Builds the tree's sheets for the model type and renders every value cell from the installed
// cell host's working image. The sheets of `same` are used again when they are the sheets of
// this tree and model (building them costs more than rendering them).
SheetValues TakeSheetValues(const cmcSheetTree& tree, int modelType,
                            const SheetValues* same = nullptr);

// A cell whose value differs, or that only one side's sheets show (index -1 on the other).
struct CellDifference {
    int a = -1;  // index into a.names->Cells()
    int b = -1;
};
// In a's sheet order, then what only b shows in b's order.
std::vector<CellDifference> CompareSheetValues(const SheetValues& a, const SheetValues& b);

// "International Channels | Channel 16 | Name": rendered from the installed working image.
std::string CellPath(const cmcCellNames& names, const cmcCellNames::Place& place);

struct ByteDifference {
    int address;
    uint8_t a;
    uint8_t b;
};
std::vector<ByteDifference> CompareBytes(const cmcEeprom& a, const cmcEeprom& b,
                                         const AddressRange* ranges);
