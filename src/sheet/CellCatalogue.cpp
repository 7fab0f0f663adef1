#include "sheet/CellCatalogue.h"

#include <iterator>

#include "platform/Fatal.h"
#include "sheet/cmcHash.h"

namespace {

constexpr const char* kCategoryNames[] = {
#define KELDA_CATEGORY_NAME(name, table) #name,
    KELDA_CELL_CATEGORIES(KELDA_CATEGORY_NAME)
#undef KELDA_CATEGORY_NAME
};

constexpr int kCategoryTables[] = {
#define KELDA_CATEGORY_TABLE(name, table) table,
    KELDA_CELL_CATEGORIES(KELDA_CATEGORY_TABLE)
#undef KELDA_CATEGORY_TABLE
        0,  // no category
};

constexpr const char* kLabelNames[] = {
#define KELDA_LABEL_NAME(name) #name,
    KELDA_CELL_LABELS(KELDA_LABEL_NAME)
#undef KELDA_LABEL_NAME
};

static_assert(std::size(kCategoryNames) == 10);
static_assert(std::size(kLabelNames) == 313);

// Both vocabularies share one table; each is put in on its first look-up.
cmcHash& NameTable() {
    static cmcHash table(cmcHash::kDefaultBuckets);
    return table;
}

bool gCategoriesIn = false;
bool gLabelsIn = false;

}  // namespace

int CategoryByName(std::string_view name) {
    if (name.empty()) return kNoCellCategory;
    if (!gCategoriesIn) {
        for (int i = 0; i < kCellCategoryCount; ++i) NameTable().Insert(kCategoryNames[i], i);
        gCategoriesIn = true;
    }
    // The table holds label names too: a label's name must not pass for a category.
    const cmcHash::Node* n = NameTable().Find(name);
    if (!n || n->value >= kCellCategoryCount || name != kCategoryNames[n->value])
        platform::FatalStop("Cannot use the specified category.\n'" + std::string(name) + "'");
    return n->value;
}

int LabelByName(std::string_view name) {
    if (name.empty()) return kNoCellLabel;
    if (!gLabelsIn) {
        for (int i = 0; i < kCellLabelCount; ++i) NameTable().Insert(kLabelNames[i], i);
        gLabelsIn = true;
    }
    const cmcHash::Node* n = NameTable().Find(name);
    if (!n || n->value >= kCellLabelCount || name != kLabelNames[n->value])
        platform::FatalStop("Cannot use the specified cell.\n'" + std::string(name) + "'");
    return n->value;
}

std::string LabelName(int label) {
    if (label < 0 || label >= kCellLabelCount) return {};
    return kLabelNames[label];
}

std::string CategoryName(int category) {
    if (category < 0 || category >= kCellCategoryCount) return {};
    return kCategoryNames[category];
}

int CategoryTable(int category) {
    if (category < 0 || category > kNoCellCategory)
        platform::FatalStop("Unknown Cell Category. (" + std::to_string(category) + ")");
    return kCategoryTables[category];
}
