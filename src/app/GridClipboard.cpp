#include "app/GridClipboard.h"

#include <algorithm>
#include <cctype>
#include <vector>

#include "app/GridModel.h"
#include "app/cuiMain.h"
#include "radio/CellDispatchHost.h"
#include "radio/CellDispatcher.h"
#include "radio/CellSources.h"
#include "radio/cmcEeprom.h"
#include "sheet/ChoiceLists.h"
#include "sheet/TextHelpers.h"
#include "sheet/cmcCellObj.h"
#include "text/OverlayFormat.h"
#include "text/OverlayKeys.h"

namespace {

// Lines of the paste refusal text.
enum PasteLine { kRefusedCell = 0, kTooLarge = 1, kNul = 2, kTooManyBytes = 3, kNotInList = 4 };

std::string PasteText(int line, std::initializer_list<std::string> args = {}) {
    return FormatOverlay(OverlayLine(keys::kBotttomPaste, line), args);
}

struct Block {
    int left = 0, top = 0, right = -1, bottom = -1;
};

bool InBlock(GridModel& m, int c, int r) {
    return m.Marked(c, r) || m.RowMarked(c, r);
}

// The marked cells' bounding box, or the cursor's cell.
Block MarkedBlock(GridModel& m) {
    Block b{m.Column(), m.Row(), m.Column(), m.Row()};
    if (!m.MultiSelectionActive()) return b;
    bool any = false;
    for (int r = m.FixedRows(); r < m.RowCount(); ++r)
        for (int c = m.FixedCols(); c < m.ColumnCount(); ++c) {
            if (!m.CellAt(c, r).Selectable || !InBlock(m, c, r)) continue;
            if (!any) b = Block{c, r, c, r};
            any = true;
            b.left = std::min(b.left, c);
            b.right = std::max(b.right, c);
            b.top = std::min(b.top, r);
            b.bottom = std::max(b.bottom, r);
        }
    return b;
}

// What a cell shows now.
std::string Shown(GridModel& m, int c, int r) {
    cmcCellCapsule req;
    m.FillPaintRequest(req, c, r, false);
    m.Dispatcher()(req, false);
    return std::move(req.displayText);
}

std::string OneLine(std::string s) {
    for (char& ch : s)
        if (ch == '\t' || ch == '\n' || ch == '\r') ch = ' ';
    return std::string(TrimBlanks(s));
}

bool SameLoosely(std::string_view a, std::string_view b) {
    a = TrimBlanks(a);
    b = TrimBlanks(b);
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

// Learns what Enter would open on a cell.
struct ProbeGrid : CellGrid {
    bool opened = false;
    int listLabel = 0;
    std::string sheet;
    void OpenChooser(cmcCellCapsule&, int label, int, const std::string& s) override {
        opened = true;
        listLabel = label;
        sheet = s;
    }
};

// The column's heading (the nearest fixed row's text above it) and the row's (the fixed
// column's text), to name a cell in a message.
std::string ColumnName(GridModel& m, int c) {
    for (int r = m.FixedRows() - 1; r >= 0; --r) {
        std::string t = OneLine(Shown(m, c, r));
        if (!t.empty()) return t;
    }
    return std::to_string(c + 1);
}
std::string RowName(GridModel& m, int r) {
    for (int c = 0; c < m.FixedCols(); ++c) {
        std::string t = OneLine(Shown(m, c, r));
        if (!t.empty()) return t;
    }
    return std::to_string(r + 1);
}

// Types one field into a cell as the user would; the refusal, empty when it was taken.
std::string TypeInto(GridModel& m, int c, int r, const std::string& field) {
    if (SameLoosely(Shown(m, c, r), field)) return {};
    cmcEeprom& image = CellHost().WorkingImage();
    cmcEeprom held;
    held.Assign(image);
    ProbeGrid probe;
    cmcCellCapsule req;
    m.FillRequest(req, c, r);
    req.grid = &probe;
    req.notify = nullptr;
    req.key = cellkey::kF2;
    const EditorSignal signal = m.Dispatcher()(req, false);
    image.Assign(held);  // the probe only asks
    if (req.refusal != nullptr) return RefusalText(req);
    if (signal == EditorSignal::kEditor) {
        m.FillRequest(req, c, r);
        req.commitMode = CommitMode::kText;
        req.inputText = field;
        m.Dispatcher()(req, true);
        return RefusalText(req);
    }
    if (signal == EditorSignal::kChooser && probe.opened) {
        for (const auto& item : ChoiceTable().Find(probe.sheet, probe.listLabel).byPosition) {
            if (!SameLoosely(item.text, field)) continue;
            cmcCellObj chosen;
            chosen.Label = probe.listLabel;
            chosen.Index = item.value;
            cmcCellCapsule choice;
            choice.cell = &chosen;
            m.FillRequest(req, c, r);
            req.parent = &choice;
            req.commitMode = CommitMode::kChoice;
            m.Dispatcher()(req, true);
            if (req.refusal != nullptr) return RefusalText(req);
            if (SameLoosely(Shown(m, c, r), field)) return {};
            break;
        }
        image.Assign(held);
        return PasteText(kNotInList);
    }
    return OverlayLine(keys::kBotttomEditRestrected, 0);
}

}  // namespace

std::string CopyBlockText(GridModel& m) {
    if (!m.Built() || m.Disabled()) return {};
    const Block b = MarkedBlock(m);
    std::string out;
    for (int r = b.top; r <= b.bottom; ++r) {
        bool first = true;
        for (int c = b.left; c <= b.right; ++c) {
            if (!m.CellAt(c, r).Selectable) continue;
            if (m.MultiSelectionActive() && !InBlock(m, c, r)) continue;
            if (!first) out += '\t';
            first = false;
            out += OneLine(Shown(m, c, r));
        }
        out += '\n';
    }
    return out;
}

PasteOutcome PasteBlockText(GridModel& m, std::string_view text) {
    PasteOutcome outcome;
    if (!m.Built() || m.Disabled()) return outcome;
    if (text.size() > kMaxPasteBytes) {
        outcome.message = PasteText(kTooManyBytes);
        return outcome;
    }
    if (text.find('\0') != std::string_view::npos) {
        outcome.message = PasteText(kNul);
        return outcome;
    }
    // Lines (LF, CRLF or CR), one line end at the very end not counting as an empty row.
    std::vector<std::vector<std::string>> rows(1, std::vector<std::string>(1));
    for (size_t i = 0; i < text.size(); ++i) {
        const char ch = text[i];
        if (ch == '\r' || ch == '\n') {
            if (ch == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
            rows.emplace_back(1);
        } else if (ch == '\t') {
            rows.back().emplace_back();
        } else {
            rows.back().back() += ch;
        }
        if (rows.size() > static_cast<size_t>(m.RowCount()) + 1) break;  // cannot fit anyway
    }
    if (rows.size() > 1 && rows.back().size() == 1 && rows.back()[0].empty()) rows.pop_back();

    // Every field has its cell before anything is typed.
    const Block b = MarkedBlock(m);
    struct Target {
        int column, row;
        const std::string* field;
    };
    std::vector<Target> targets;
    size_t widest = 0;
    for (const auto& fields : rows) widest = std::max(widest, fields.size());
    bool fits = b.top + rows.size() <= static_cast<size_t>(m.RowCount());
    for (size_t i = 0; fits && i < rows.size(); ++i) {
        const int r = b.top + static_cast<int>(i);
        size_t j = 0;
        for (int c = b.left; c < m.ColumnCount() && j < rows[i].size(); ++c)
            if (m.CellAt(c, r).Selectable) targets.push_back({c, r, &rows[i][j++]});
        fits = j == rows[i].size();
    }
    if (!fits) {
        outcome.message =
            PasteText(kTooLarge, {std::to_string(rows.size()), std::to_string(widest)});
        return outcome;
    }

    cmcEeprom& image = CellHost().WorkingImage();
    cmcEeprom before;
    before.Assign(image);
    auto* app = dynamic_cast<cuiMain*>(&CellHost());
    if (app != nullptr) app->BeginStepGroup();
    for (const Target& t : targets) {
        std::string why = TypeInto(m, t.column, t.row, *t.field);
        if (why.empty()) continue;
        image.Assign(before);
        CellHost().UpdateModified();
        outcome.message = PasteText(
            kRefusedCell, {ColumnName(m, t.column), RowName(m, t.row), OneLine(*t.field), why});
        break;
    }
    if (outcome.message.empty()) {
        outcome.ok = true;
        outcome.cells = static_cast<int>(targets.size());
    }
    if (app != nullptr) app->EndStepGroup({});
    CellHost().ArmWarningRecheck();
    m.RedrawMatching(m.CellAt(b.left, b.top), 0x20);  // every bound cell
    return outcome;
}
