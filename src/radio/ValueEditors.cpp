#include "radio/ValueEditors.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "radio/CellSources.h"
#include "radio/CellUi.h"
#include "radio/TransmitRules.h"
#include "radio/cmcCellCapsule.h"
#include "radio/datCh.h"
#include "sheet/ModelTypes.h"
#include "sheet/TextHelpers.h"
#include "sheet/cmcCellObj.h"
#include "text/OverlayFormat.h"
#include "text/OverlayKeys.h"

namespace {

using cellkey::kBackspace;
using cellkey::kEnter;
using cellkey::kF2;
using cellkey::kSpace;

constexpr int kLabelFlexMarking = 2;
constexpr const char* kLcdSet = " !\"#$%&'()*+,-./0123456789:;<=>?ABCDEFGHIJKLMNOPQRSTUVWXYZ[\\]^_";

bool IsDigit(int c) {
    return c >= '0' && c <= '9';
}
bool IsPrintable(int key) {
    return key >= 0x20 && key <= 0x7E;
}
bool IsEnter(int key) {
    return key == kEnter || key == kF2;
}

void SelectAll(cmcCellCapsule& req) {
    req.selStart = 0;
    req.selLength = static_cast<int>(req.displayText.size());
}

// The in-place editor on the current text, all of it selected.
void OpenOnText(cmcCellCapsule& req) {
    req.displayText = TrimSpaces(req.displayText);
    SelectAll(req);
    req.signal = EditorSignal::kEditor;
}

// The in-place editor holding just the typed character, the caret after it.
void OpenWithChar(cmcCellCapsule& req, int key) {
    req.displayText.assign(1, static_cast<char>(key));
    req.selStart = 1;
    req.selLength = 0;
    req.signal = EditorSignal::kEditor;
}

void Render(cmcCellCapsule& req, std::string text) {
    req.displayText = std::move(text);
    SelectAll(req);
}

// Reads a decimal fraction the way a C library would, but independent of the locale: an
// optional "-", digits, an optional "." and digits; reading stops at the first misfit.
double ReadFraction(std::string_view s) {
    size_t i = 0;
    bool negative = false;
    if (i < s.size() && s[i] == '-') {
        negative = true;
        ++i;
    }
    double v = 0;
    while (i < s.size() && IsDigit(s[i])) v = v * 10 + (s[i++] - '0');
    if (i < s.size() && s[i] == '.') {
        ++i;
        double scale = 0.1;
        while (i < s.size() && IsDigit(s[i])) {
            v += (s[i++] - '0') * scale;
            scale /= 10;
        }
    }
    return negative ? -v : v;
}

long RoundHalfAway(double v) {
    return v < 0 ? -static_cast<long>(-v + 0.5) : static_cast<long>(v + 0.5);
}

int Wrap(int v, int minimum, int maximum) {
    if (v < minimum) return maximum;
    if (v > maximum) return minimum;
    return v;
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

std::string_view Trimmed(std::string_view s) {
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
    return s;
}

char Lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool SameWord(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (Lower(a[i]) != Lower(b[i])) return false;
    return true;
}

// Digits after the separator that a value in units of 1/scale has (scale is a power of ten).
int DecimalsOf(int scale) {
    int decimals = 0;
    for (int s = scale; s >= 10; s /= 10) ++decimals;
    return decimals;
}

// The line of the "enter a number" text that names the cell's unit.
int UnitLine(const char* unit) {
    const std::string_view u = Trimmed(unit != nullptr ? unit : "");
    if (u == "sec") return 1;
    if (u == "msec") return 2;
    return 0;
}

// Refuses a typed number: the bottom bar says what the cell takes.
void RefuseNumber(cmcCellCapsule& req, const char* unit, const std::string& low,
                  const std::string& high) {
    req.refusal = keys::kBotttomEnterNumber;
    req.refusalText =
        FormatOverlay(OverlayLine(keys::kBotttomEnterNumber, UnitLine(unit)), {low, high});
}

// Megahertz with three decimals, as the band is written.
std::string BandMegahertz(uint32_t hz) {
    char buf[24];
    std::snprintf(buf, sizeof buf, "%u.%03u", hz / 1000000u, (hz % 1000000u) / 1000u);
    return buf;
}

void RefuseFrequency(cmcCellCapsule& req) {
    req.refusal = keys::kBotttomFrequency;
    req.refusalText =
        FormatOverlay(OverlayLine(keys::kBotttomFrequency, 0),
                      {BandMegahertz(txrules::kRxLowHz), BandMegahertz(txrules::kRxHighHz),
                       FormatDecimal(kFrequencyRasterHz, 1000, 3)});
}

int FloorToStep(int v, int step) {
    if (step <= 1) return v;
    int r = v % step;
    if (r < 0) r += step;
    return v - r;
}

}  // namespace

bool IsLcdChar(char c) {
    return c != '\0' && std::strchr(kLcdSet, c) != nullptr;
}

// --- character helpers ---

std::string KeepChars(std::string_view text, std::string_view extra) {
    std::string out;
    out.reserve(text.size());
    for (char c : text)
        if (IsDigit(c) || (c != '\0' && extra.find(c) != std::string_view::npos)) out += c;
    return out;
}

int ParseNumber(std::string_view text) {
    std::string kept = KeepChars(text, ".-");
    if (kept.size() > 9) kept.resize(9);
    return static_cast<int>(RoundHalfAway(ReadFraction(kept)));
}

void LcdFilter(char* text, int n) {
    for (int i = 0; i < n; ++i) {
        char& c = text[i];
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
        if (!IsLcdChar(c)) c = ' ';
    }
}

void ShortNameFilter(char* text3) {
    for (int i = 0; i < 3; ++i) {
        char& c = text3[i];
        auto fits = [i](char ch) {
            return i < 2 ? IsLcdChar(ch) : (ch == 'A' || ch == 'B' || ch == ' ');
        };
        if (!fits(c) && c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
        if (!fits(c)) c = ' ';
    }
}

bool SnapFrequency(uint32_t hz, uint32_t& snapped) {
    uint32_t p = 1;
    while (p < 100000 && hz % (p * 10) == 0) p *= 10;
    const uint64_t last = static_cast<uint64_t>(hz) + p - 1;
    for (uint64_t v = hz - hz % 100000; v <= last; v += 1250) {
        if (v >= hz && v % 6250 == 0) {
            snapped = static_cast<uint32_t>(v);
            return true;
        }
    }
    return false;
}

std::string FormatFrequency(uint32_t hz) {
    char buf[24];
    std::snprintf(buf, sizeof buf, "%u.%05u", hz / 1000000u, (hz % 1000000u) / 10u);
    return buf;
}

bool ParseTimeOffset(std::string_view text, int& minutes) {
    const std::string signed_ = KeepChars(text, "+-:");
    const bool negative = !signed_.empty() && signed_[0] == '-';
    const std::string t = KeepChars(signed_, ":");
    if (t.size() > 5) return false;
    const size_t colon = t.find(':');
    const std::string hoursText = t.substr(0, colon);
    const std::string minutesText = colon == std::string::npos ? "" : t.substr(colon + 1);
    if (minutesText.find(':') != std::string::npos) return false;
    const int h = hoursText.empty() ? 0 : std::atoi(hoursText.c_str());
    const int m = minutesText.empty() ? 0 : std::atoi(minutesText.c_str());
    if (m >= 60 || h * 60 + m > 840) return false;
    minutes = negative ? -(h * 60 + m) : h * 60 + m;
    return true;
}

std::string FormatTimeOffset(int minutes) {
    char buf[24];
    const int a = minutes < 0 ? -minutes : minutes;
    std::snprintf(buf, sizeof buf, "%s%d:%02d", minutes > 0 ? "+" : (minutes < 0 ? "-" : ""),
                  a / 60, a % 60);
    return buf;
}

std::string FormatDecimal(int value, int scale, int trim) {
    if (scale <= 0) scale = 1;
    char buf[48];
    const long long milli = static_cast<long long>(value) * 1000 / scale;
    std::snprintf(buf, sizeof buf, "%d.%03d", value / scale, static_cast<int>(milli % 1000));
    std::string s = buf;
    for (int i = 0; i < trim && !s.empty(); ++i) {
        if (s.back() == '0') {
            s.pop_back();
        } else {
            if (s.back() == '.') s.pop_back();
            break;
        }
    }
    if (!s.empty() && s.back() == '.') s.pop_back();
    return s;
}

TypedNumber ReadTypedNumber(std::string_view text, int decimals, std::string_view unit,
                            long long& value) {
    const std::string_view t = Trimmed(text);
    if (t.empty()) return TypedNumber::kEmpty;
    size_t i = 0;
    bool negative = false;
    if (t[0] == '-' || t[0] == '+') {
        negative = t[0] == '-';
        ++i;
    }
    std::string whole, fraction;
    bool separator = false;
    for (; i < t.size(); ++i) {
        const char c = t[i];
        if (IsDigit(c)) {
            (separator ? fraction : whole) += c;
        } else if ((c == '.' || c == ',') && !separator) {
            separator = true;
        } else {
            break;
        }
    }
    if (whole.empty() && fraction.empty()) return TypedNumber::kUnreadable;
    const std::string_view rest = Trimmed(t.substr(i));
    if (!rest.empty() && !SameWord(rest, Trimmed(unit))) return TypedNumber::kUnreadable;
    if (decimals < 0) decimals = 0;
    while (static_cast<int>(fraction.size()) > decimals && fraction.back() == '0')
        fraction.pop_back();
    if (static_cast<int>(fraction.size()) > decimals) return TypedNumber::kUnreadable;
    fraction.resize(static_cast<size_t>(decimals), '0');
    const size_t first = whole.find_first_not_of('0');
    const std::string digits = (first == std::string::npos ? "" : whole.substr(first)) + fraction;
    constexpr size_t kMaxDigits = 15;
    long long v = 0;
    if (digits.size() > kMaxDigits) {
        v = 1'000'000'000'000'000LL;
    } else {
        for (char c : digits) v = v * 10 + (c - '0');
    }
    value = negative ? -v : v;
    return TypedNumber::kRead;
}

bool FrequencyInBand(uint32_t hz) {
    return hz >= txrules::kRxLowHz && hz <= txrules::kRxHighHz;
}

// --- editors ---

bool RefuseFactoryValue(cmcCellCapsule& req) {
    if (req.canvas != nullptr) req.canvas->SetFontColor(cellcolor::kOlive);
    if (req.key == 0 && req.commitMode == CommitMode::kNone) return false;
    req.key = 0;
    req.commitMode = CommitMode::kNone;
    req.refusal = keys::kBotttomFactoryDecides;
    return true;
}

bool EditChoice(cmcCellCapsule& req, const char* list, int listType, int& value) {
    bool changed = false;
    if (req.parent != nullptr) {
        const cmcCellObj* chosen = req.parent->cell;
        if (chosen != nullptr && chosen->Label == listType &&
            req.commitMode == CommitMode::kChoice) {
            value = chosen->Index;
            changed = true;
        }
        Render(req, ChoiceText(list, listType, value));
        return changed;
    }
    Render(req, ChoiceText(list, listType, value));
    if (req.grid == nullptr || req.key == 0) return false;
    if (req.key == kSpace || req.key == kBackspace) {
        value = ChoiceStep(list, listType, value, req.key == kSpace ? 1 : -1);
        Render(req, ChoiceText(list, listType, value));
        return true;
    }
    if (IsEnter(req.key)) {
        req.grid->OpenChooser(req, listType, value, list);
        req.signal = EditorSignal::kChooser;
    }
    return false;
}

AttrAction EditChannelAttr(cmcCellCapsule& req, const char* list, int value, uint8_t marks,
                           bool viewOn, int& chosenItem) {
    chosenItem = -1;
    AttrAction action = AttrAction::kNone;
    if (req.parent != nullptr) {
        const cmcCellObj* chosen = req.parent->cell;
        if (chosen != nullptr && chosen->Label == 1 && req.commitMode == CommitMode::kChoice) {
            chosenItem = chosen->Index;
            switch (chosenItem) {
                case 0:
                    action = AttrAction::kSetUsed;
                    break;
                case 1:
                case 2:
                    action = AttrAction::kSetMark;
                    break;
                case 3:
                    action = AttrAction::kSetUnused;
                    break;
                case 4:
                    action = AttrAction::kToggleView;
                    break;
                default:
                    break;
            }
        }
    } else if (req.grid != nullptr && req.key != 0) {
        if (req.key == kSpace || req.key == kBackspace) {
            if (!viewOn) action = AttrAction::kToggleUnused;
        } else if (IsEnter(req.key)) {
            req.grid->OpenChooser(req, 1, value, list);
            req.signal = EditorSignal::kChooser;
        }
    }
    std::string text = ChoiceText(list, 1, value);
    if (marks & datCh::kMarkP) text += 'P';
    if (marks & datCh::kMarkC) text += 'C';
    Render(req, std::move(text));
    return action;
}

bool EditText(cmcCellCapsule& req, char* buffer, int n) {
    bool changed = false;
    if (req.commitMode == CommitMode::kText || req.commitMode == CommitMode::kChoice) {
        const std::string& in = req.inputText;
        for (int i = 0; i < n; ++i) buffer[i] = i < static_cast<int>(in.size()) ? in[i] : ' ';
        changed = true;
    }
    for (int i = 0; i < n; ++i)
        if (!IsPrintable(static_cast<unsigned char>(buffer[i]))) buffer[i] = ' ';
    int len = n;
    while (len > 0 && buffer[len - 1] == ' ') --len;
    Render(req, std::string(buffer, len));
    if (req.grid == nullptr || req.key == 0) return changed;
    int key = req.key;
    if (key == kBackspace || key == kSpace) key = kEnter;
    if (IsEnter(key)) {
        OpenOnText(req);
    } else if (IsPrintable(key)) {
        OpenWithChar(req, key);
    }
    return changed;
}

bool EditInteger(cmcCellCapsule& req, int& value, const IntegerRange& r) {
    const int step = r.step < 1 ? 1 : r.step;
    bool changed = false;
    if (req.commitMode == CommitMode::kText) {
        // A whole number in the range, on the step: anything else is refused, never bent.
        long long typed = 0;
        const TypedNumber read =
            ReadTypedNumber(req.inputText, 0, r.unit != nullptr ? r.unit : "", typed);
        const long long v = typed - r.offset;
        if (read == TypedNumber::kRead && v >= r.minimum && v <= r.maximum && v % step == 0) {
            value = static_cast<int>(v);
            changed = true;
        } else if (read != TypedNumber::kEmpty) {
            RefuseNumber(req, r.unit, std::to_string(static_cast<long>(r.minimum) + r.offset),
                         std::to_string(static_cast<long>(r.maximum) + r.offset));
        }
    }
    if (r.clamp && (value < r.minimum || value > r.maximum)) {
        value = value < r.minimum ? r.minimum : r.maximum;
        changed = true;
    }
    auto show = [&]() {
        if (r.fixedText != nullptr) {
            Render(req, r.fixedText);
        } else {
            Render(req, std::to_string(static_cast<long>(value) + r.offset));
        }
    };
    show();
    if (req.grid == nullptr || req.key == 0) return changed;
    const int key = req.key;
    if (key == kSpace || key == kBackspace) {
        value = FloorToStep(Wrap(key == kSpace ? value + step : value - step, r.minimum, r.maximum),
                            step);
        show();
        return true;
    }
    if (IsDigit(key) || (key == '-' && r.minimum < 0)) {
        OpenWithChar(req, key);
    } else if (IsEnter(key)) {
        OpenOnText(req);
    }
    return changed;
}

bool EditIntegerByte(cmcCellCapsule& req, uint8_t& value, const IntegerRange& range) {
    int v = value;
    const bool changed = EditInteger(req, v, range);
    if (changed) value = static_cast<uint8_t>(v < 0 ? 0 : (v > 255 ? 255 : v));
    return changed;
}

bool EditDecimal(cmcCellCapsule& req, int& value, int scale, int minimum, int maximum, int trim,
                 const char* unit) {
    if (scale <= 0) scale = 1;
    bool changed = false;
    if (req.commitMode == CommitMode::kText) {
        const std::string_view typed = Trimmed(req.inputText);
        const bool off = SameWord(typed, "off") || SameWord(typed, "of");
        long long v = 0;
        const TypedNumber read =
            off ? TypedNumber::kRead
                : ReadTypedNumber(typed, DecimalsOf(scale), unit != nullptr ? unit : "", v);
        if (read == TypedNumber::kRead && v >= minimum && v <= maximum) {
            value = static_cast<int>(v);
            changed = true;
        } else if (read != TypedNumber::kEmpty) {
            RefuseNumber(req, unit, FormatDecimal(minimum, scale, trim),
                         FormatDecimal(maximum, scale, trim));
        }
    }
    auto show = [&](bool withUnit) {
        std::string s = FormatDecimal(value, scale, trim);
        if (withUnit && unit != nullptr) s += unit;
        Render(req, std::move(s));
    };
    show(true);
    if (req.grid == nullptr || req.key == 0) return changed;
    const int key = req.key;
    if (key == kSpace || key == kBackspace) {
        value = Wrap(key == kSpace ? value + 1 : value - 1, minimum, maximum);
        show(true);
        return true;
    }
    if (IsDigit(key) || key == '.' || key == ',' || key == 'O' || key == 'o') {
        OpenWithChar(req, key);
    } else if (IsEnter(key)) {
        show(false);
        OpenOnText(req);
    }
    return changed;
}

bool EditTimeOffset(cmcCellCapsule& req, int& minutes) {
    bool changed = false;
    if (req.commitMode == CommitMode::kText) {
        int m = 0;
        if (ParseTimeOffset(req.inputText, m)) {
            minutes = m;
            changed = true;
        } else {
            req.refusal = keys::kBotttomTimeOffset;
        }
    }
    Render(req, FormatTimeOffset(minutes));
    if (req.grid == nullptr || req.key == 0) return changed;
    int key = req.key;
    if (key == kBackspace || key == kSpace) key = kEnter;
    if (IsEnter(key)) {
        OpenOnText(req);
    } else if (IsDigit(key) || key == '-' || key == '+' || key == ':') {
        OpenWithChar(req, key);
    }
    return changed;
}

bool EditId(cmcCellCapsule& req, uint8_t* id5) {
    bool changed = false;
    if (req.commitMode == CommitMode::kText) {
        // A mistyped ID must not wipe the stored one (and with it the row's name): only an
        // empty entry clears it, any count but 9 digits is refused.
        const std::string digits = KeepChars(req.inputText, "");
        if (digits.size() == 9) {
            for (int i = 0; i < 10; ++i) {
                const int d = i < 9 ? digits[i] - '0' : 0;
                uint8_t& b = id5[i / 2];
                b = static_cast<uint8_t>((i & 1) ? (b / 10) * 10 + d : d * 10);
            }
            changed = true;
        } else if (TrimSpaces(req.inputText).empty()) {
            std::memset(id5, 0xFF, 5);
            changed = true;
        } else {
            req.refusal = keys::kBotttomIdNineDigits;
        }
    }
    bool valid = true;
    for (int i = 0; i < 5; ++i) valid = valid && id5[i] <= 99;
    std::string text;
    if (valid) {
        text.reserve(9);
        for (int i = 0; i < 9; ++i) {
            const uint8_t b = id5[i / 2];
            text += static_cast<char>('0' + ((i & 1) ? b % 10 : b / 10));
        }
    }
    Render(req, std::move(text));
    if (req.grid == nullptr || req.key == 0) return changed;
    int key = req.key;
    if (key == kBackspace || key == kSpace) key = kEnter;
    if (IsEnter(key)) {
        OpenOnText(req);
    } else if (IsDigit(key) || key == '.') {
        OpenWithChar(req, key);
    }
    return changed;
}

bool EditFrequency(cmcCellCapsule& req, datCh& rec, bool transmit) {
    const uint8_t blankBit = transmit ? datCh::kTxBlank : datCh::kRxBlank;
    bool changed = false;
    if (req.commitMode == CommitMode::kText && transmit && Trimmed(req.inputText) == "<-") {
        // What the transmit cell shows while it equals receive: it takes receive's value.
        if ((rec.state & datCh::kRxBlank) == 0) {
            rec.txHz = rec.rxHz;
            rec.state &= ~datCh::kTxBlank;
            changed = true;
        }
    } else if (req.commitMode == CommitMode::kText) {
        long long hz = 0;
        const TypedNumber read = ReadTypedNumber(req.inputText, 6, "MHz", hz);
        uint32_t snapped = 0;
        if (read == TypedNumber::kRead && hz >= 0 && hz <= txrules::kRxHighHz &&
            FrequencyInBand(static_cast<uint32_t>(hz)) &&
            SnapFrequency(static_cast<uint32_t>(hz), snapped) && FrequencyInBand(snapped)) {
            const bool follow =
                !transmit && ((rec.state & datCh::kRxBlank) ||
                              ((rec.state & datCh::kTxBlank) == 0 && rec.txHz == rec.rxHz));
            if (transmit) {
                rec.txHz = snapped;
            } else {
                rec.rxHz = snapped;
            }
            rec.state &= ~blankBit;
            if (follow) {
                rec.txHz = rec.rxHz;
                rec.state &= ~datCh::kTxBlank;
            }
            changed = true;
        } else if (read != TypedNumber::kEmpty) {
            RefuseFrequency(req);
        }
    }
    const bool blank = rec.state & blankBit;
    const uint32_t hz = transmit ? rec.txHz : rec.rxHz;
    const bool sameAsRx =
        transmit && !blank && (rec.state & datCh::kRxBlank) == 0 && rec.txHz == rec.rxHz;
    const std::string freqText = blank ? std::string() : FormatFrequency(hz);
    Render(req, sameAsRx ? std::string("<-") : freqText);
    if (req.cell != nullptr) req.cell->HAlign = sameAsRx ? 1 : 2;
    if (req.grid == nullptr || req.key == 0) return changed;
    const int key = req.key;
    if (key == '.' || key == ',') {
        req.displayText.assign(1, static_cast<char>(key));
        req.selStart = 1;
        req.selLength = 0;
        req.signal = EditorSignal::kEditor;
    } else if (key == '=' && transmit) {
        req.displayText = (rec.state & datCh::kRxBlank) ? std::string() : FormatFrequency(rec.rxHz);
        req.selStart = static_cast<int>(req.displayText.size());
        req.selLength = 0;
        req.signal = EditorSignal::kEditor;
    } else if (IsDigit(key) || key == kSpace) {
        OpenWithChar(req, key);
    } else if (IsEnter(key)) {
        req.displayText = freqText;
        OpenOnText(req);
    }
    return changed;
}

bool EditLcdSymbol(cmcCellCapsule& req, char* text5, int row, int modelType) {
    static constexpr const char* kItems[] = {"---  ", "USA  ", "INT  ", "CAN  ", "DSC  ", "ATIS "};
    int item = 0;
    for (int i = 1; i < 6; ++i)
        if (std::memcmp(text5, kItems[i], 5) == 0) item = i;
    std::string list = row == 0   ? "GI_Sheet_Sel_UserSetLcdUsa"
                       : row == 1 ? "GI_Sheet_Sel_UserSetLcdInt"
                                  : "GI_Sheet_Sel_UserSetLcdCan";
    if (!UsesUsLists(modelType)) list += "_E";
    if (!EditChoice(req, list.c_str(), 1, item)) return false;
    std::memcpy(text5, kItems[item >= 0 && item < 6 ? item : 0], 5);
    return true;
}

bool EditSoftKey(cmcCellCapsule& req, const char* list, int& value) {
    if (req.commitMode == CommitMode::kText && req.parent == nullptr) {
        int v = 0;
        const bool found = ChoiceValueOfText(list, kLabelFlexMarking, TrimSpaces(req.inputText), v);
        if (found) value = v;
        Render(req, ChoiceText(list, kLabelFlexMarking, value));
        return found;
    }
    return EditChoice(req, list, kLabelFlexMarking, value);
}
