#pragma once
// The tree of sheets as data: nodes in tree order, each with its depth and its cell (caption,
// sheet reference in Argument, image, flags). The window draws it; the regional pruning and the
// warning marks are decided here.
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "radio/WarningCheck.h"
#include "sheet/cmcCellObj.h"

class cmcGTex;

class SheetTree {
  public:
    enum Overlay { kNoOverlay = -1, kOverlayError = 0, kOverlayWarning = 1 };

    struct Node {
        cmcCellObj cell;
        int depth = 0;
        int overlay = kNoOverlay;
        bool expanded = false;
        const std::string& Caption() const { return cell.Text; }
        std::string SheetReference() const { return cell.Argument.value_or(""); }
    };

    // Builds the tree from "<entry>_BasicCell" and "<entry>_Body" of the text store.
    void Build(cmcGTex& text, const std::string& entry);
    // The regional channel sheets and the model- and maker-only nodes, by the channel-table
    // availability byte of the working image.
    void ApplyRegional(int availability, int modelType, bool makerMode);

    // Sheet name of a reference: "[prefix]name,argument" gives name.
    static std::string SheetName(const std::string& reference);

    const std::vector<Node>& Nodes() const { return nodes_; }
    std::vector<Node>& Nodes() { return nodes_; }
    const cmcCellObj& BasicCell() const { return basic_; }
    // First node (in tree order) whose sheet reference equals the text; -1 when none.
    int FindByReference(const std::string& reference) const;
    // Index of the parent of node i, or -1 for a top-level node.
    int ParentOf(int i) const;
    // One past the last node of the subtree of node i.
    int SubtreeEnd(int i) const;

    // Marks nodes whose reference is in the lists, warnings first so errors win.
    struct Counts {
        int errors = 0;
        int warnings = 0;
    };
    Counts Mark(const std::set<std::string>& errors, const std::set<std::string>& warnings);
    // The icon a node shows: its own, or for a collapsed node the worst of its subtree.
    int ShownOverlay(int i) const;

  private:
    bool ParseBodyLine(const std::string& line, Node* node);
    void DeleteFlagged(int flag);
    void DeleteSubtree(int i);

    cmcCellObj basic_;
    std::vector<std::string> bodyLines_;
    std::vector<Node> nodes_;
};

// Runs the warning check list "GI_WarningCheckList": each line is a check cell whose answer
// (result flags: 8 error, 4 warning) puts its sheet reference into the error or warning list.
struct WarningLists {
    std::vector<std::string> errors;  // in list order, a reference at most once
    std::vector<std::string> warnings;
    // One entry per fault, in the order of the check list: the sheet it belongs to, the cell it
    // points at and the line that says what is wrong.
    struct Entry {
        bool error = false;
        std::string reference;
        int category = 0;
        int label = 0;
        int row = 0;
        std::string place;  // "channel 15", "row 3", "" (as the line names it)
        std::string text;
    };
    std::vector<Entry> entries;
};
WarningLists RunWarningCheckList(cmcGTex& text, const std::function<int(cmcCellObj& cell)>& check);
// The same list over the findings of the warning check: each line's flags are those of the
// findings it owns, and every finding becomes an entry under the line's sheet.
WarningLists RunWarningCheckList(cmcGTex& text, const std::vector<warncheck::Finding>& findings);
