#pragma once
// Cell categories and cell labels: the names the overlay uses for cells, turned into the numbers
// the dispatcher switches on. Unknown names are definition errors and stop the program.
#include <string>
#include <string_view>

#include "sheet/CellNames.h"

enum CellCategory : int {
#define KELDA_CATEGORY_ENUM(name, table) name,
    KELDA_CELL_CATEGORIES(KELDA_CATEGORY_ENUM)
#undef KELDA_CATEGORY_ENUM
        kCellCategoryCount,
    // The category of a cell that names none.
    kNoCellCategory = kCellCategoryCount,
};

enum CellLabel : int {
#define KELDA_LABEL_ENUM(name) name,
    KELDA_CELL_LABELS(KELDA_LABEL_ENUM)
#undef KELDA_LABEL_ENUM
        kCellLabelCount,
    // The label of a cell that names none.
    kNoCellLabel = kCellLabelCount,
};

// Empty name -> kNoCellCategory; unknown name -> fatal.
int CategoryByName(std::string_view name);
// Empty name -> kNoCellLabel; unknown name -> fatal. Names are case-sensitive.
int LabelByName(std::string_view name);
// The label's name; empty for numbers outside the catalogue.
std::string LabelName(int label);
// Name of a category; empty for numbers outside the catalogue.
std::string CategoryName(int category);
// The record table a category edits (0 for none); fatal outside 0..kNoCellCategory.
int CategoryTable(int category);
