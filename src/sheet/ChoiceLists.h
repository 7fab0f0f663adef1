#pragma once
// Choice lists: the value-to-text table behind choice cells. A list is named by a chooser sheet N
// and a label L and holds every cell of the entry N_Cells bound to L: its value is the cell's
// Index, its text the cell's Argument (else its display text). Lists are built on first use and
// kept for the life of the program.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class cmcGTex;

class ChoiceLists {
  public:
    static constexpr uint32_t kBuckets = 1031;

    struct Entry {
        int line = 0;      // line of N_Cells
        int position = 0;  // cell position in the line
        int32_t value = 0;
        std::string text;
    };
    struct List {
        std::vector<Entry> byValue;     // sorted by value, for the text lookup
        std::vector<Entry> byPosition;  // column by column, then line by line, for stepping
        int lineCount = 0;
        int longestLine = 0;  // cells in the longest line
    };

    // Lists are read from `store`, or from the program's main store when none is given.
    explicit ChoiceLists(cmcGTex* store = nullptr);
    ~ChoiceLists();
    ChoiceLists(const ChoiceLists&) = delete;
    ChoiceLists& operator=(const ChoiceLists&) = delete;

    // The text of `value` in the list; "error" when the value is not listed.
    const std::string& Text(std::string_view sheet, int label, int32_t value);
    // The value `step` (+1 or -1) places away from `value` in column-then-line order, wrapping
    // at both ends; an unlisted value counts as past the end. An empty list returns `value`.
    int32_t Step(std::string_view sheet, int label, int32_t value, int step);

    // The list, built from the overlay when it does not exist yet.
    const List& Find(std::string_view sheet, int label);
    // Reads N_Cells and collects the cells bound to `label`.
    List Build(std::string_view sheet, int label);
    // A list under a key that exists already is fatal.
    const List& Insert(const std::string& key, List list);

    static std::string Key(std::string_view sheet, int label);

  private:
    struct Node;
    const List* Lookup(const std::string& key) const;

    cmcGTex* store_;
    std::unique_ptr<std::unique_ptr<Node>[]> buckets_;
};

// The program's one choice table; tests install their own.
ChoiceLists& ChoiceTable();
ChoiceLists* InstallChoiceTable(ChoiceLists* table);
