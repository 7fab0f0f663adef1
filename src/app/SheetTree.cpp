#include "app/SheetTree.h"

#include <algorithm>

#include "app/WarningMessages.h"
#include "sheet/ModelTypes.h"
#include "text/OverlayKeys.h"
#include "text/cmcGTex.h"

namespace {

// The radio's channel-table availability bits and the sheets they switch.
struct RegionalSheet {
    int bit;
    const char* sheet;
    int flag;  // node flag that marks the sheet's nodes
};
constexpr RegionalSheet kRegionalSheets[] = {
    {0x01, "GI_Sheet_UsaCh", 1},
    {0x04, "GI_Sheet_CanCh", 2},
    {0x02, "GI_Sheet_WxCh", 3},
};
constexpr int kFlagMakerOnly = 0;
constexpr int kFlagNotForUsaModels = 4;
constexpr const char* kAnchorSheet = "GI_Sheet_IntCh";

// Reads an entry from line 0 up to the first line that starts with '#'.
std::vector<std::string> ReadBody(cmcGTex& text, const std::string& key) {
    std::vector<std::string> lines;
    for (int n = 0;; ++n) {
        std::string line = text.GetLine(key, n);
        if (!line.empty() && line[0] == '#') break;
        lines.push_back(std::move(line));
    }
    return lines;
}

}  // namespace

std::string SheetTree::SheetName(const std::string& reference) {
    std::string name = reference.substr(0, reference.find(','));
    auto open = name.find('[');
    if (open != std::string::npos) {
        auto close = name.find(']', open);
        if (close != std::string::npos) return name.substr(close + 1);
    }
    return name;
}

bool SheetTree::ParseBodyLine(const std::string& line, Node* node) {
    auto plus = line.find('+');
    node->cell = cmcCellObj();
    if (plus == std::string::npos) {
        node->depth = static_cast<int>(line.size());
        ParseCell("", node->cell, nullptr, &basic_);
        return true;
    }
    node->depth = static_cast<int>(plus);
    ParseCell(std::string_view(line).substr(plus + 1), node->cell, nullptr, &basic_);
    return true;
}

void SheetTree::Build(cmcGTex& text, const std::string& entry) {
    nodes_.clear();
    basic_ = cmcCellObj();
    ParseCell(text.GetLine(entry + "_BasicCell", 0), basic_, nullptr, nullptr);
    bodyLines_ = ReadBody(text, entry + "_Body");
    for (const auto& line : bodyLines_) {
        Node n;
        ParseBodyLine(line, &n);
        nodes_.push_back(std::move(n));
    }
    if (!nodes_.empty()) nodes_.front().expanded = true;
}

int SheetTree::FindByReference(const std::string& reference) const {
    for (size_t i = 0; i < nodes_.size(); ++i)
        if (nodes_[i].cell.Argument && *nodes_[i].cell.Argument == reference)
            return static_cast<int>(i);
    return -1;
}

int SheetTree::ParentOf(int i) const {
    for (int j = i - 1; j >= 0; --j)
        if (nodes_[j].depth < nodes_[i].depth) return j;
    return -1;
}

int SheetTree::SubtreeEnd(int i) const {
    int end = i + 1;
    while (end < static_cast<int>(nodes_.size()) && nodes_[end].depth > nodes_[i].depth) ++end;
    return end;
}

void SheetTree::DeleteSubtree(int i) {
    nodes_.erase(nodes_.begin() + i, nodes_.begin() + SubtreeEnd(i));
}

void SheetTree::DeleteFlagged(int flag) {
    // Full passes, one deletion each, until a pass finds nothing.
    for (;;) {
        auto it = std::find_if(nodes_.begin(), nodes_.end(),
                               [flag](const Node& n) { return n.cell.Flag(flag); });
        if (it == nodes_.end()) return;
        DeleteSubtree(static_cast<int>(it - nodes_.begin()));
    }
}

void SheetTree::ApplyRegional(int availability, int modelType, bool makerMode) {
    int anchor = FindByReference(kAnchorSheet);
    int insertAt = anchor < 0 ? 0 : anchor + 1;
    for (const auto& r : kRegionalSheets) {
        if (availability & r.bit) {
            if (FindByReference(r.sheet) >= 0) continue;
            for (const auto& line : bodyLines_) {
                if (line.find(r.sheet) == std::string::npos) continue;
                Node n;
                ParseBodyLine(line, &n);
                nodes_.insert(nodes_.begin() + insertAt, std::move(n));
                ++insertAt;
                break;
            }
        } else {
            DeleteFlagged(r.flag);
            insertAt = std::min<int>(insertAt, static_cast<int>(nodes_.size()));
            int a = FindByReference(kAnchorSheet);
            if (a >= 0 && insertAt <= a) insertAt = a + 1;
        }
    }
    if (UsesUsLists(modelType)) DeleteFlagged(kFlagNotForUsaModels);
    if (!makerMode) DeleteFlagged(kFlagMakerOnly);
}

SheetTree::Counts SheetTree::Mark(const std::set<std::string>& errors,
                                  const std::set<std::string>& warnings) {
    Counts c;
    for (auto& n : nodes_) n.overlay = kNoOverlay;
    for (auto& n : nodes_) {
        if (warnings.count(n.SheetReference())) {
            n.overlay = kOverlayWarning;
            ++c.warnings;
        }
    }
    for (auto& n : nodes_) {
        if (errors.count(n.SheetReference())) {
            n.overlay = kOverlayError;
            ++c.errors;
        }
    }
    return c;
}

int SheetTree::ShownOverlay(int i) const {
    int own = nodes_[i].overlay;
    if (nodes_[i].expanded || own == kOverlayError) return own;
    int worst = own;
    for (int j = i + 1; j < SubtreeEnd(i); ++j) {
        if (nodes_[j].overlay == kOverlayError) return kOverlayError;
        if (nodes_[j].overlay == kOverlayWarning) worst = kOverlayWarning;
    }
    return worst;
}

WarningLists RunWarningCheckList(cmcGTex& text, const std::function<int(cmcCellObj& cell)>& check) {
    WarningLists lists;
    for (const auto& line : ReadBody(text, keys::kWarningCheckList)) {
        cmcCellObj cell;
        ParseCell(line, cell, nullptr, nullptr);
        int flags = check(cell);
        std::string ref = cell.Argument.value_or("");
        auto add = [&ref](std::vector<std::string>& list) {
            if (std::find(list.begin(), list.end(), ref) == list.end()) list.push_back(ref);
        };
        if (flags & 8)
            add(lists.errors);
        else if (flags & 4)
            add(lists.warnings);
    }
    return lists;
}

WarningLists RunWarningCheckList(cmcGTex& text, const std::vector<warncheck::Finding>& findings) {
    WarningLists lists;
    auto add = [](std::vector<std::string>& list, const std::string& ref) {
        if (std::find(list.begin(), list.end(), ref) == list.end()) list.push_back(ref);
    };
    for (const auto& line : ReadBody(text, keys::kWarningCheckList)) {
        cmcCellObj cell;
        ParseCell(line, cell, nullptr, nullptr);
        const std::string ref = cell.Argument.value_or("");
        int flags = 0;
        for (const warncheck::Finding& f : findings) {
            if (f.check != cell.Label) continue;
            flags |= f.error ? 8 : 4;
            lists.entries.push_back(
                {f.error, ref, f.category, f.label, f.row, WarningPlace(f), WarningText(f)});
        }
        if (flags & 8)
            add(lists.errors, ref);
        else if (flags & 4)
            add(lists.warnings, ref);
    }
    return lists;
}
