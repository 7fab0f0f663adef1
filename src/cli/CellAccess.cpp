#include "cli/CellAccess.h"

#include <cctype>
#include <cstdlib>
#include <map>
#include <optional>
#include <vector>

#include "cli/CliArgs.h"
#include "radio/CellDispatchHost.h"
#include "radio/CellDispatcher.h"
#include "radio/CellSources.h"
#include "radio/CellUi.h"
#include "radio/DebugCells.h"
#include "radio/cmcCellCapsule.h"
#include "radio/cmcEeprom.h"
#include "sheet/CellCatalogue.h"
#include "sheet/ChoiceLists.h"
#include "sheet/TextHelpers.h"

namespace cli {

namespace {

const std::map<std::string, int>& CategoryNames() {
    static const std::map<std::string, int> names = [] {
        std::map<std::string, int> m;
        for (int i = 0; i < kCellCategoryCount; ++i) m[CategoryName(i)] = i;
        return m;
    }();
    return names;
}

const std::map<std::string, int>& LabelNames() {
    static const std::map<std::string, int> names = [] {
        std::map<std::string, int> m;
        for (int i = 0; i < kCellLabelCount; ++i) m[LabelName(i)] = i;
        return m;
    }();
    return names;
}

std::string NotYetText(int label) {
    return std::to_string(label) + " *Yet*";
}

// Labels below this one are commands of menus, the toolbar, the tree and the debug tools,
// or cells that only show their own text: nothing a value can be given to.
constexpr int kFirstValueLabel = CL_ChList_No;

// Renders the cell as a sheet does (no key, no grid).
std::string Render(cmcCellObj& cell) {
    return CellText(cell, 0);
}

// Learns what Enter would open on the cell, without changing anything.
struct ProbeGrid : CellGrid {
    bool opened = false;
    int listLabel = 0;
    int value = 0;
    std::string sheet;
    void OpenChooser(cmcCellCapsule&, int label, int v, const std::string& s) override {
        opened = true;
        listLabel = label;
        value = v;
        sheet = s;
    }
};

// Commits as the in-place editor does; returns why it was refused, empty when it was not.
std::string CommitText(cmcCellObj& cell, const std::string& value) {
    cmcCellCapsule req;
    req.cell = &cell;
    req.commitMode = CommitMode::kText;
    req.inputText = value;
    DispatchCell(req, false);
    return RefusalText(req);
}

void CommitChoice(cmcCellObj& cell, int listLabel, int item) {
    cmcCellObj chosen;
    chosen.Label = listLabel;
    chosen.Index = item;
    cmcCellCapsule chosenRequest;
    chosenRequest.cell = &chosen;
    cmcCellCapsule req;
    req.cell = &cell;
    req.parent = &chosenRequest;
    req.commitMode = CommitMode::kChoice;
    DispatchCell(req, false);
}

bool IsDebugByteLabel(int label) {
    return (label >= CL_EeDebugWin_0 && label <= CL_EeDebugWin_F) || label == CL_EeDebugWin_Adr ||
           label == CL_Free_Byte_Dec;
}

std::string Quoted(const std::string& s) {
    return "'" + s + "'";
}

// Choice texts compare without their spaces: "Used P" and "UsedP" are the same choice.
bool SameLoosely(const std::string& a, const std::string& b) {
    auto squeeze = [](const std::string& s) {
        std::string out;
        for (char c : s)
            if (c != ' ') out += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        return out;
    };
    return squeeze(a) == squeeze(b);
}

SetOutcome Refused(std::string why) {
    return SetOutcome{false, std::move(why), {}};
}

// A plain decimal number ("-12", "1.20", "1,20" with the decimal comma), else nothing.
std::optional<double> PlainNumber(const std::string& text) {
    std::string t(TrimBlanks(text));
    if (t.find('.') == std::string::npos)
        if (const size_t comma = t.find(','); comma != std::string::npos) t[comma] = '.';
    size_t i = t.empty() || t[0] != '-' ? 0 : 1;
    bool digits = false, point = false;
    for (; i < t.size(); ++i) {
        if (std::isdigit(static_cast<unsigned char>(t[i]))) {
            digits = true;
        } else if (t[i] == '.' && !point) {
            point = true;
        } else {
            return std::nullopt;
        }
    }
    if (!digits) return std::nullopt;
    return std::strtod(t.c_str(), nullptr);
}

// Whether a value typed by the user says the same as a text the cell gives: the same text, or
// the same number however it is written ("1.2" and "1.20").
bool SaysSame(const std::string& typed, const std::string& text) {
    if (SameText(typed, text)) return true;
    auto a = PlainNumber(typed), b = PlainNumber(text);
    return a && b && *a == *b;
}

SetOutcome SetChoice(cmcCellObj& cell, const ProbeGrid& probe, const std::string& value,
                     const std::string& shownBefore) {
    cmcEeprom& image = CellHost().WorkingImage();
    const auto& items = ChoiceTable().Find(probe.sheet, probe.listLabel).byPosition;
    auto listText = [&] {
        std::string all;
        for (const auto& e : items) all += (all.empty() ? "" : ", ") + e.text;
        return all;
    };
    const std::string v(TrimBlanks(value));
    if (v.size() > 1 && v[0] == '#') {
        auto n = ParseNumber(v.substr(1));
        bool listed = false;
        for (const auto& e : items) listed = listed || (n && e.value == *n);
        if (!listed) return Refused(Quoted(value) + " is not an item number of the list");
        CommitChoice(cell, probe.listLabel, static_cast<int>(*n));
        return {};
    }
    // A channel's use shows with its P and C marks after it ("Used PC"): the marks are not
    // part of the choice.
    const bool channelUse = cell.Label == CL_ChList_Atr;
    auto shows = [&](const std::string& shown) {
        if (SameLoosely(shown, v)) return true;
        if (!channelUse) return false;
        for (const char* marks : {"P", "C", "PC"})
            if (SameLoosely(shown, v + marks)) return true;
        return false;
    };
    if (shows(shownBefore)) return {};
    // "Make this the P channel" and "... the C channel" are actions: taken as the window takes
    // them, the mark moving here from the channel that had it.
    if (channelUse)
        for (const auto& e : items)
            if ((e.value == 1 || e.value == 2) && SameLoosely(e.text, v)) {
                CommitChoice(cell, probe.listLabel, e.value);
                return {};
            }

    // Some lists hold actions rather than values (the channel attribute: "Not used" toggles),
    // so an item is taken when the cell then shows the text asked for; failing that, two
    // items in turn (a mark and the use of a channel).
    cmcEeprom before;
    before.Assign(image);
    std::vector<int> order;
    for (const auto& e : items)
        if (SameLoosely(e.text, v)) order.push_back(e.value);
    for (const auto& e : items)
        if (!SameLoosely(e.text, v)) order.push_back(e.value);
    for (int first : order) {
        CommitChoice(cell, probe.listLabel, first);
        if (shows(Render(cell))) return {};
        image.Assign(before);
    }
    // Pairs only for short lists: action lists are short, and long value lists need no pairs.
    constexpr size_t kPairSearchLimit = 16;
    for (int first : order) {
        if (order.size() > kPairSearchLimit) break;
        for (int second : order) {
            CommitChoice(cell, probe.listLabel, first);
            CommitChoice(cell, probe.listLabel, second);
            if (shows(Render(cell))) return {};
            image.Assign(before);
        }
    }
    CellHost().UpdateModified();
    for (const auto& e : items)
        if (SameLoosely(e.text, v))
            return Refused("no choice of the list turns " + Quoted(shownBefore) + " into " +
                           Quoted(value));
    return Refused(Quoted(value) + " is not one of: " + listText());
}

}  // namespace

bool SameText(const std::string& a, const std::string& b) {
    const std::string x(TrimBlanks(a)), y(TrimBlanks(b));
    if (x.size() != y.size()) return false;
    for (size_t i = 0; i < x.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(x[i])) !=
            std::tolower(static_cast<unsigned char>(y[i])))
            return false;
    }
    return true;
}

cmcCellObj ParseCellName(const std::string& text) {
    std::string rest = text;
    cmcCellObj cell;
    cell.Index = 0;
    auto open = rest.find('[');
    if (open != std::string::npos) {
        if (rest.back() != ']') throw UsageError{"cell " + text + ": the index must end with ]"};
        auto n = ParseNumber(rest.substr(open + 1, rest.size() - open - 2));
        if (!n || *n > 0x7FFFFFFF)
            throw UsageError{"cell " + text + ": the index must be a number"};
        cell.Index = static_cast<int32_t>(*n);
        rest = rest.substr(0, open);
    }
    std::string category, label = rest;
    if (auto dot = rest.find('.'); dot != std::string::npos) {
        category = rest.substr(0, dot);
        label = rest.substr(dot + 1);
    }
    if (!category.empty()) {
        auto it = CategoryNames().find(category);
        if (it == CategoryNames().end())
            throw UsageError{"cell " + text + ": unknown category " + category};
        cell.Category = it->second;
    }
    auto it = LabelNames().find(label);
    if (label.empty() || it == LabelNames().end())
        throw UsageError{"cell " + text + ": unknown label " + (label.empty() ? "(none)" : label)};
    cell.Label = it->second;
    return cell;
}

std::string CellName(const cmcCellObj& cell) {
    std::string name;
    if (cell.Category != kNoCellCategory) name = CategoryName(cell.Category) + ".";
    name += LabelName(cell.Label);
    if (cell.Index != 0) name += "[" + std::to_string(cell.Index) + "]";
    return name;
}

std::string GetCell(cmcCellObj& cell) {
    const int table = CategoryTable(cell.Category);
    if (table != 0 && !RecordExists(table, cell.Index))
        throw UsageError{"cell " + CellName(cell) + ": the table has no row " +
                         std::to_string(cell.Index)};
    // A row number without a category numbers a row of whichever table shows it: some table
    // must have that row.
    if (table == 0 && (cell.Label == CL_Misc_ChNo_0Base || cell.Label == CL_Misc_ChNo_1Base)) {
        bool somewhere = false;
        for (int t = 0; t < kCellCategoryCount && !somewhere; ++t) {
            const int shown = CategoryTable(t);
            somewhere = shown != 0 && RecordExists(shown, cell.Index);
        }
        if (!somewhere)
            throw UsageError{"cell " + CellName(cell) + ": no table has a row " +
                             std::to_string(cell.Index)};
    }
    if (IsDebugByteLabel(cell.Label) &&
        DebugCellAddress(CellHost().WorkingImage(), cell.Label, cell.Index) < 0)
        throw UsageError{"cell " + CellName(cell) + ": no byte of the " +
                         (cell.Label == CL_Free_Byte_Dec ? "image" : "debug grid (rows 0-1023)") +
                         " has that index"};
    std::string shown = Render(cell);
    if (shown == NotYetText(cell.Label)) {
        std::string hint =
            table == 0 && cell.Category == kNoCellCategory ? " (does it need a category?)" : "";
        throw UsageError{"cell " + CellName(cell) + " has no behaviour" + hint};
    }
    return shown;
}

// Whether the cell now shows what it shows once emptied: a name blanks, but an ID shows its
// "not set" text. Learnt by emptying it on the side, from the image as it was before.
bool Emptied(cmcCellObj& cell, const cmcEeprom& before, const std::string& shown) {
    if (TrimBlanks(shown).empty()) return true;
    cmcEeprom& image = CellHost().WorkingImage();
    cmcEeprom after;
    after.Assign(image);
    image.Assign(before);
    CommitText(cell, "");
    const bool emptied = image.Differs(before) && SameText(Render(cell), shown);
    image.Assign(after);
    return emptied;
}

// Whether the cell, once emptied, shows this text (and not a blank). Learnt on the side, from
// the image as it was before; the image is left as it was.
bool EmptyShows(cmcCellObj& cell, const cmcEeprom& before, const std::string& text) {
    cmcEeprom& image = CellHost().WorkingImage();
    cmcEeprom held;
    held.Assign(image);
    image.Assign(before);
    const bool shows = CommitText(cell, "").empty() && SameText(Render(cell), text);
    image.Assign(held);
    return shows;
}

SetOutcome SetCell(cmcCellObj& cell, const std::string& value) {
    const std::string shownBefore = GetCell(cell);
    if (cell.Label < kFirstValueLabel) return Refused("not a cell that holds a value");

    cmcEeprom& image = CellHost().WorkingImage();
    cmcEeprom before;
    before.Assign(image);

    // What F2 would do on the cell, undone at once.
    auto probeF2 = [&](ProbeGrid& probe, cmcCellCapsule& req) {
        cmcEeprom held;
        held.Assign(image);
        req.cell = &cell;
        req.grid = &probe;
        req.key = cellkey::kF2;
        const EditorSignal signal = DispatchCell(req, false);
        image.Assign(held);  // a probe never edits, whatever a cell does with the key
        return signal;
    };
    ProbeGrid probe;
    cmcCellCapsule req;
    const EditorSignal signal = probeF2(probe, req);
    if (req.refusal != nullptr) return Refused(RefusalText(req));
    if (signal == EditorSignal::kChooser && probe.opened)
        return SetChoice(cell, probe, value, shownBefore);
    if (signal != EditorSignal::kEditor) {
        if (req.gotoFlag) {
            // An empty address-book entry starts at its ID.
            cmcCellObj id;
            id.Category = cell.Category;
            id.Label = req.label;
            id.Index = req.row;
            return Refused("the entry is empty: give " + CellName(id) + " first");
        }
        return Refused("cannot be edited here (it shows " + Quoted(shownBefore) + ")");
    }
    const std::string editBefore(TrimBlanks(req.displayText));

    auto undo = [&](std::string why) {
        image.Assign(before);
        CellHost().UpdateModified();
        return Refused(std::move(why));
    };
    // The text an empty cell shows ("Not set" for an ID) is taken back as emptying it.
    const bool meansEmpty = !TrimBlanks(value).empty() && EmptyShows(cell, before, value);
    if (std::string refusal = CommitText(cell, meansEmpty ? std::string() : value);
        !refusal.empty())
        return undo(std::move(refusal));
    const std::string shown = Render(cell);
    if (meansEmpty) return {};
    if (!image.Differs(before)) {
        // The cell already holds the value: nothing to do, and nothing wrong.
        if (SaysSame(value, shown) || SaysSame(value, editBefore)) return {};
        return undo(Quoted(value) + " is not accepted");
    }
    if (!TrimBlanks(value).empty() && Emptied(cell, before, shown))
        return undo(Quoted(value) + " is not accepted (the cell would be emptied)");

    // The editor may have clamped, snapped, filtered or cut the value: say what it stored.
    ProbeGrid after;
    cmcCellCapsule afterReq;
    probeF2(after, afterReq);
    const std::string stored(TrimBlanks(afterReq.displayText));
    SetOutcome outcome;
    if (!SaysSame(value, stored) && !SaysSame(value, shown)) outcome.storedAs = stored;
    return outcome;
}

}  // namespace cli
