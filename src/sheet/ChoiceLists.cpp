#include "sheet/ChoiceLists.h"

#include <algorithm>
#include <utility>

#include "platform/Fatal.h"
#include "sheet/cmcCellObj.h"
#include "sheet/cmcHash.h"
#include "text/cmcGTex.h"

struct ChoiceLists::Node {
    std::string key;
    List list;
    std::unique_ptr<Node> next;
};

ChoiceLists::ChoiceLists(cmcGTex* store)
    : store_(store), buckets_(std::make_unique<std::unique_ptr<Node>[]>(kBuckets)) {}

ChoiceLists::~ChoiceLists() {
    // Long chains are freed one node at a time rather than by recursion.
    for (uint32_t i = 0; i < kBuckets; ++i)
        for (std::unique_ptr<Node> node = std::move(buckets_[i]); node;)
            node = std::move(node->next);
}

std::string ChoiceLists::Key(std::string_view sheet, int label) {
    return std::string(sheet) + "#" + std::to_string(label);
}

const ChoiceLists::List* ChoiceLists::Lookup(const std::string& key) const {
    for (const Node* node = buckets_[cmcHash::BucketOf(key, kBuckets)].get(); node;
         node = node->next.get())
        if (node->key == key) return &node->list;
    return nullptr;
}

const ChoiceLists::List& ChoiceLists::Insert(const std::string& key, List list) {
    if (Lookup(key)) platform::FatalStop("Overlapped Hash2 table.");
    auto node = std::make_unique<Node>();
    node->key = key;
    node->list = std::move(list);
    std::unique_ptr<Node>& head = buckets_[cmcHash::BucketOf(key, kBuckets)];
    node->next = std::move(head);
    head = std::move(node);
    return head->list;
}

ChoiceLists::List ChoiceLists::Build(std::string_view sheet, int label) {
    cmcGTex& store = store_ ? *store_ : GTex();
    std::string entry = std::string(sheet) + "_Cells";
    List list;
    int32_t vars[kChannelCounters] = {};
    for (int n = 0;; ++n) {
        std::string line = store.GetLine(entry, n);
        if (line.starts_with("#")) break;
        ++list.lineCount;
        std::string_view rest = line;
        int position = 0;
        while (!rest.empty()) {
            // Each cell starts fresh, as it does in its own slot of the chooser sheet.
            cmcCellObj cell;
            rest = ParseCell(rest, cell, vars, nullptr);
            if (cell.Label == label)
                list.byValue.push_back(
                    {n, position, cell.Index, cell.Argument ? *cell.Argument : cell.Text});
            ++position;
        }
        list.longestLine = std::max(list.longestLine, position);
    }
    list.byPosition = list.byValue;
    std::stable_sort(list.byValue.begin(), list.byValue.end(),
                     [](const Entry& a, const Entry& b) { return a.value < b.value; });
    const int64_t lines = list.lineCount;
    std::stable_sort(list.byPosition.begin(), list.byPosition.end(),
                     [lines](const Entry& a, const Entry& b) {
                         return a.position * lines + a.line < b.position * lines + b.line;
                     });
    return list;
}

const ChoiceLists::List& ChoiceLists::Find(std::string_view sheet, int label) {
    std::string key = Key(sheet, label);
    if (const List* list = Lookup(key)) return *list;
    return Insert(key, Build(sheet, label));
}

const std::string& ChoiceLists::Text(std::string_view sheet, int label, int32_t value) {
    static const std::string kError = "error";
    const List& list = Find(sheet, label);
    auto it = std::lower_bound(list.byValue.begin(), list.byValue.end(), value,
                               [](const Entry& e, int32_t v) { return e.value < v; });
    return it != list.byValue.end() && it->value == value ? it->text : kError;
}

int32_t ChoiceLists::Step(std::string_view sheet, int label, int32_t value, int step) {
    const std::vector<Entry>& order = Find(sheet, label).byPosition;
    const int64_t count = int64_t(order.size());
    if (count == 0) return value;
    auto it = std::find_if(order.begin(), order.end(),
                           [value](const Entry& e) { return e.value == value; });
    int64_t i = (it - order.begin()) + int64_t(step);
    if (i >= count) i = 0;
    if (i < 0) i = count - 1;
    return order[size_t(i)].value;
}

namespace {
ChoiceLists* gChoiceTable = nullptr;
}

ChoiceLists& ChoiceTable() {
    if (!gChoiceTable) gChoiceTable = new ChoiceLists;  // lives for the whole process
    return *gChoiceTable;
}

ChoiceLists* InstallChoiceTable(ChoiceLists* table) {
    return std::exchange(gChoiceTable, table);
}
