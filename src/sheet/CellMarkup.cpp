// The cell markup: cutting a line into cells, attribute text, groups and display text.
#include <string>

#include "platform/Fatal.h"
#include "sheet/CellCatalogue.h"
#include "sheet/CodePage.h"
#include "sheet/TextHelpers.h"
#include "sheet/cmcCellObj.h"
#include "text/cmcGTex.h"

namespace {

// Cell models may name other models; a model that names itself would never end.
constexpr int kMaxModelDepth = 32;

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// Position of the first of `wanted` at or after `from` that is not part of a double-byte
// character and, with `escapes`, not escaped by a backslash; npos when there is none.
size_t FindMarkup(std::string_view text, size_t from, std::string_view wanted, bool escapes) {
    size_t i = from;
    while (i < text.size()) {
        char c = text[i];
        if (escapes && c == '\\') {
            i += 1 + (i + 1 < text.size() ? CharLength(text, i + 1) : 0);
            continue;
        }
        size_t length = CharLength(text, i);
        if (length == 1 && wanted.find(c) != std::string_view::npos) return i;
        i += length;
    }
    return std::string_view::npos;
}

size_t FindUnescaped(std::string_view text, size_t from, char wanted) {
    return FindMarkup(text, from, std::string_view(&wanted, 1), true);
}

size_t FindPlain(std::string_view text, size_t from, std::string_view wanted) {
    return FindMarkup(text, from, wanted, false);
}

[[noreturn]] void CounterError() {
    platform::FatalStop("Ch No. Error");
}

// Counter number of a reference "@chN" whose "@ch" has been read: `rest` starts at the digit.
int CounterNumber(const cmcCellObj& model, std::string_view rest) {
    if (!model.Vars || rest.empty() || !IsDigit(rest[0]) || (rest.size() > 1 && IsDigit(rest[1])))
        CounterError();
    return rest[0] - '0';
}

// Removes each backslash and keeps the character after it.
std::string Unescape(std::string_view text) {
    std::string out;
    for (size_t i = 0; i < text.size();) {
        if (text[i] == '\\') {
            ++i;
            if (i >= text.size()) break;
        }
        size_t n = CharLength(text, i);
        out.append(text.substr(i, n));
        i += n;
    }
    return out;
}

void ApplyAttributesAt(cmcCellObj& model, std::string_view attributes, int depth);

void ApplyBinding(cmcCellObj& model, std::string_view text) {
    size_t dot = FindUnescaped(text, 0, '.');
    if (dot != std::string_view::npos) {
        model.Category = CategoryByName(text.substr(0, dot));
        text.remove_prefix(dot + 1);
    }
    size_t cut = FindPlain(text, 0, "[:");
    model.Label = LabelByName(text.substr(0, cut));
    if (cut == std::string_view::npos) return;
    text.remove_prefix(cut);
    if (text[0] == '[') {
        size_t close = FindPlain(text, 1, "]");
        std::string_view inner =
            text.substr(1, close == std::string_view::npos ? close : close - 1);
        if (inner.starts_with("@ch"))
            model.Index = model.Vars[CounterNumber(model, inner.substr(3))];
        else
            model.Index = ParseDecimal(inner);
        if (close == std::string_view::npos) return;
        text.remove_prefix(close + 1);
    }
    size_t colon = FindPlain(text, 0, ":");
    if (colon != std::string_view::npos) model.Argument = Unescape(text.substr(colon + 1));
}

void ApplyCounterGroup(cmcCellObj& model, std::string_view rest) {
    int n = CounterNumber(model, rest);
    rest = SkipBlanks(rest.substr(1));
    if (rest.starts_with("++")) {
        model.Vars[n] = int32_t(uint32_t(model.Vars[n]) + 1u);
    } else if (rest.starts_with("=")) {
        model.Vars[n] = ParseDecimal(rest.substr(1));
    }
}

// The value of a keyed group: everything after its first '='; none without one.
std::optional<std::string_view> KeyValue(std::string_view group, std::string_view key) {
    if (!group.starts_with(key)) return std::nullopt;
    size_t eq = group.find('=');
    if (eq == std::string_view::npos) return std::nullopt;
    return group.substr(eq + 1);
}

void ApplyGroupAt(cmcCellObj& model, std::string_view group, int depth) {
    if (group.starts_with("$")) {
        std::string name(group.substr(1));
        if (depth >= kMaxModelDepth)
            platform::FatalStop("Cell models nested too deeply.\n'" + name + "'");
        std::string line = GTex().GetLine("CellModel_" + name, 0);
        ApplyAttributesAt(model, line, depth + 1);
    } else if (auto color = KeyValue(group, "Color")) {
        if (auto value = ColorByName(*color)) model.Color = *value;
    } else if (auto fields = KeyValue(group, "Font")) {
        if (!model.Font) {
            const cmcCellObj* parent = model.Parent;
            model.Font = parent && parent->Font ? std::make_unique<CellFont>(*parent->Font)
                                                : std::make_unique<CellFont>();
        }
        ApplyFontFields(*model.Font, *fields);
    } else if (group.starts_with("%")) {
        ApplyBinding(model, group.substr(1));
    } else if (group.starts_with("@ch")) {
        ApplyCounterGroup(model, group.substr(3));
    } else if (auto image = KeyValue(group, "ImageIndex")) {
        model.ImageIndex = ParseDecimal(*image);
    } else if (auto menu = KeyValue(group, "PopupMenu")) {
        model.PopupMenu.assign(*menu);
    } else if (group.starts_with("Flag")) {
        if (group.size() == 7 && group[4] >= '0' && group[4] <= '7' && group[5] == '=' &&
            (group[6] == '0' || group[6] == '1'))
            model.SetFlag(group[4] - '0', group[6] == '1');
    }
}

// One alignment or flag character of the attributes; `on` is false after a '!'.
void ApplyFlag(cmcCellObj& model, char c, bool on) {
    switch (c) {
        case '<':
            model.HAlign = kAlignLeft;
            break;
        case '^':
            model.HAlign = kAlignCentre;
            break;
        case '>':
            model.HAlign = kAlignRight;
            break;
        case '~':
            model.VAlign = kAlignTop;
            break;
        case '-':
            model.VAlign = kAlignMiddle;
            break;
        case '_':
            model.VAlign = kAlignBottom;
            break;
        case 'W':
            model.AutoWidth = on;
            break;
        case 'H':
            model.AutoHeight = on;
            break;
        case '+':
            model.JoinLeft = on;
            break;
        case 'B':
            model.BottomLine = on;
            break;
        case 'X':
            model.RightLine = on ? kRightLineFull : kRightLineNone;
            break;
        case 'Q':
            model.RightLine = on ? kRightLineLow : kRightLineNone;
            break;
        case 'S':
            model.Selectable = on;
            break;
        case 'T':
            model.OwnedByLeft = on;
            break;
        default:
            break;
    }
}

void ApplyAttributesAt(cmcCellObj& model, std::string_view text, int depth) {
    bool clear = false;  // '!' seen: the next flag character clears its bit
    size_t i = 0;
    while (i < text.size()) {
        char c = text[i];
        size_t length = CharLength(text, i);
        if (length == 2) {
            i += 2;
            clear = false;
            continue;
        }
        if (c == '\\') {
            i += 1 + (i + 1 < text.size() ? CharLength(text, i + 1) : 0);
            clear = false;
            continue;
        }
        if (c == '(') {
            size_t close = FindUnescaped(text, i + 1, ')');
            ApplyGroupAt(
                model, text.substr(i + 1, close == std::string_view::npos ? close : close - i - 1),
                depth);
            i = close == std::string_view::npos ? text.size() : close + 1;
            clear = false;
            continue;
        }
        if (c == '!') {
            clear = true;
            ++i;
            continue;
        }
        ApplyFlag(model, text[i], !clear);
        clear = false;
        ++i;
    }
}

// "\(@chN)" or "\(@chN+k)": `inner` is the text between the parentheses.
std::string CounterText(const cmcCellObj& model, std::string_view inner) {
    if (!inner.starts_with("@ch")) CounterError();
    int n = CounterNumber(model, inner.substr(3));
    int64_t value = model.Vars[n];
    std::string_view rest = SkipBlanks(inner.substr(4));
    if (rest.starts_with("+")) value += ParseDecimal(rest.substr(1));
    return std::to_string(value).substr(0, 6);
}

std::string DisplayText(const cmcCellObj& model, std::string_view raw) {
    while (!raw.empty() && static_cast<unsigned char>(raw.front()) <= 32) raw.remove_prefix(1);
    while (!raw.empty() && static_cast<unsigned char>(raw.back()) <= 32) raw.remove_suffix(1);
    std::string out;
    size_t i = 0;
    while (i < raw.size()) {
        size_t length = CharLength(raw, i);
        if (raw[i] != '\\' || length == 2) {
            out.append(raw.substr(i, length));
            i += length;
            continue;
        }
        if (++i >= raw.size()) break;  // a lone backslash at the end
        switch (raw[i]) {
            case 'N':
            case 'n':
                out += '\n';
                break;
            case '_':
                out += ' ';
                break;
            case '(': {
                size_t close = FindPlain(raw, i + 1, ")");
                if (close == std::string_view::npos) platform::FatalStop("Illegal Ch No.");
                out += CounterText(model, raw.substr(i + 1, close - i - 1));
                i = close + 1;
                continue;
            }
            default:
                out.append(raw.substr(i, CharLength(raw, i)));
                i += CharLength(raw, i);
                continue;
        }
        ++i;
    }
    return out;
}

}  // namespace

void ApplyAttributes(cmcCellObj& model, std::string_view attributes) {
    ApplyAttributesAt(model, attributes, 0);
}

void ApplyGroup(cmcCellObj& model, std::string_view group) {
    ApplyGroupAt(model, group, 0);
}

std::string_view ParseCell(std::string_view line, cmcCellObj& model, int32_t* vars,
                           const cmcCellObj* parent, bool splitOnly) {
    size_t bar = FindUnescaped(line, 0, '|');
    std::string_view cell = line.substr(0, bar);
    std::string_view rest =
        bar == std::string_view::npos ? std::string_view() : line.substr(bar + 1);

    model.Parent = parent;
    model.Vars = vars;
    ResetFromParent(model);
    if (!splitOnly) {
        // Braces split the cell into attribute text and display text; they neither nest nor
        // take escapes.
        std::string attributes, display;
        bool inside = false;
        for (size_t i = 0; i < cell.size();) {
            size_t length = CharLength(cell, i);
            char c = cell[i];
            if (length == 1 && (c == '{' || c == '}')) {
                inside = c == '{';
            } else {
                (inside ? attributes : display).append(cell.substr(i, length));
            }
            i += length;
        }
        ApplyAttributes(model, attributes);
        model.Text = DisplayText(model, display);
    }
    model.Vars = nullptr;
    return rest;
}
