#include "cli/SpreadsheetText.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "cli/CliArgs.h"
#include "radio/ValueEditors.h"
#include "sheet/TextHelpers.h"

namespace cli {

namespace {

bool Digit(char c) {
    return c >= '0' && c <= '9';
}

char Upper(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

// The code point at text[i] and the number of bytes it takes (1 for a byte that starts none).
char32_t DecodeAt(std::string_view text, size_t i, size_t& length) {
    const auto b = static_cast<unsigned char>(text[i]);
    length = 1;
    if (b < 0x80) return b;
    const int more = b >= 0xF8 ? 0 : b >= 0xF0 ? 3 : b >= 0xE0 ? 2 : b >= 0xC0 ? 1 : 0;
    if (more == 0) return b;  // a byte that starts no sequence
    char32_t cp = b & (0x3F >> more);
    for (int k = 1; k <= more; ++k) {
        if (i + k >= text.size()) return b;
        const auto c = static_cast<unsigned char>(text[i + k]);
        if ((c & 0xC0) != 0x80) return b;
        cp = (cp << 6) | (c & 0x3F);
    }
    length = static_cast<size_t>(more) + 1;
    return cp;
}

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// The month a word names ("MAR", "March", "mär" aside), 1-12, else 0.
int MonthOf(std::string_view word) {
    static const char* const kMonths[] = {"JANUARY",   "FEBRUARY", "MARCH",    "APRIL",
                                          "MAY",       "JUNE",     "JULY",     "AUGUST",
                                          "SEPTEMBER", "OCTOBER",  "NOVEMBER", "DECEMBER"};
    if (word.size() < 3) return 0;
    for (int m = 0; m < 12; ++m) {
        const std::string_view name = kMonths[m];
        if (word.size() > name.size()) continue;
        bool prefix = true;
        for (size_t i = 0; i < word.size() && prefix; ++i) prefix = Upper(word[i]) == name[i];
        if (prefix) return m + 1;
    }
    return 0;
}

// The text cut into runs of digits, runs of letters and single other characters, spaces
// dropped: "MAR 3" is {"MAR", "3"}, "01/02/2026" is {"01", "/", "02", "/", "2026"}.
std::vector<std::string> Pieces(std::string_view text) {
    std::vector<std::string> pieces;
    auto letter = [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); };
    for (size_t i = 0; i < text.size();) {
        const char c = text[i];
        if (c == ' ') {
            ++i;
            continue;
        }
        size_t j = i + 1;
        if (Digit(c))
            while (j < text.size() && Digit(text[j])) ++j;
        else if (letter(c))
            while (j < text.size() && letter(text[j])) ++j;
        pieces.emplace_back(text.substr(i, j - i));
        i = j;
    }
    return pieces;
}

bool IsNumberPiece(const std::string& p, size_t maxDigits) {
    return !p.empty() && p.size() <= maxDigits && Digit(p[0]);
}

bool IsDateMark(const std::string& p) {
    return p == "/" || p == "-" || p == ".";
}

// Text that a spreadsheet takes for a date: "1/2", "06/07", "3-4", "MAR 3", "3 Mar".
bool DateAble(std::string_view text) {
    const auto p = Pieces(text);
    if (p.size() == 3 || p.size() == 5) {
        bool ok = true;
        for (size_t i = 0; i < p.size(); ++i)
            ok = ok && (i % 2 == 0 ? IsNumberPiece(p[i], i == 4 ? 4 : 2) : IsDateMark(p[i]));
        if (ok) return true;
    }
    if (p.size() == 2)
        return (MonthOf(p[0]) && IsNumberPiece(p[1], 2)) ||
               (IsNumberPiece(p[0], 2) && MonthOf(p[1]));
    if (p.size() == 3 && p[1] == "-")
        return (MonthOf(p[0]) && IsNumberPiece(p[2], 2)) ||
               (IsNumberPiece(p[0], 2) && MonthOf(p[2]));
    return false;
}

// Text as a spreadsheet writes a date: "01/02/2026", "2026-01-02", "02.01.26", "3-Mar",
// "03-Mar-26", "Mar-03", "March 3, 2026".
bool DateLike(std::string_view text) {
    auto p = Pieces(text);
    if (!p.empty() && p.back() == ".") p.pop_back();
    if (p.size() == 5) {
        bool ok = true;
        for (size_t i = 0; i < p.size(); ++i)
            ok = ok && (i % 2 == 0 ? IsNumberPiece(p[i], 4) : IsDateMark(p[i]));
        if (ok) return true;
    }
    std::vector<std::string> q;  // without the marks
    for (const auto& s : p)
        if (!IsDateMark(s) && s != ",") q.push_back(s);
    if (q.size() < 2 || q.size() > 3) return false;
    int months = 0, numbers = 0;
    for (const auto& s : q) {
        if (MonthOf(s))
            ++months;
        else if (IsNumberPiece(s, 4))
            ++numbers;
    }
    return months == 1 && numbers == int(q.size()) - 1;
}

std::string Joined(const std::vector<std::string>& names) {
    std::string out;
    for (size_t i = 0; i < names.size(); ++i) {
        if (i) out += i + 1 == names.size() ? " and " : ", ";
        out += names[i];
    }
    return out;
}

}  // namespace

bool IsUtf8(std::string_view text) {
    for (size_t i = 0; i < text.size();) {
        const auto b = static_cast<unsigned char>(text[i]);
        size_t length = 1;
        const char32_t cp = DecodeAt(text, i, length);
        if (b >= 0x80 && (length == 1 || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF) ||
                          (length == 2 && cp < 0x80) || (length == 3 && cp < 0x800) ||
                          (length == 4 && cp < 0x10000)))
            return false;
        i += length;
    }
    return true;
}

std::string Windows1252ToUtf8(std::string_view text) {
    // 0x80-0x9F; the five bytes Windows-1252 leaves out keep their Latin-1 code points.
    static const char16_t kHigh[32] = {
        0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
        0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
    std::string out;
    out.reserve(text.size() + text.size() / 8);
    for (char ch : text) {
        const auto b = static_cast<unsigned char>(ch);
        AppendUtf8(out, b >= 0x80 && b < 0xA0 ? kHigh[b - 0x80] : b);
    }
    return out;
}

std::optional<double> SpreadsheetNumber(std::string_view text) {
    std::string t(TrimBlanks(text));
    bool negative = false;
    if (t.size() > 2 && t.front() == '(' && t.back() == ')') {
        t = t.substr(1, t.size() - 2);
        negative = true;
    }
    size_t i = 0;
    if (!t.empty() && (t[0] == '+' || t[0] == '-')) {
        negative = negative != (t[0] == '-');
        ++i;
    }
    std::string plain;  // in the C locale's form, for strtod
    bool digits = false, mark = false;
    for (; i < t.size() && (Digit(t[i]) || ((t[i] == '.' || t[i] == ',') && !mark)); ++i) {
        if (Digit(t[i])) {
            digits = true;
            plain += t[i];
        } else {
            mark = true;
            plain += '.';
        }
    }
    if (!digits) return std::nullopt;
    if (i < t.size() && (t[i] == 'E' || t[i] == 'e')) {
        plain += 'e';
        ++i;
        if (i < t.size() && (t[i] == '+' || t[i] == '-')) plain += t[i++];
        bool exponent = false;
        for (; i < t.size() && Digit(t[i]); ++i) {
            plain += t[i];
            exponent = true;
        }
        if (!exponent) return std::nullopt;
    }
    if (i != t.size()) return std::nullopt;
    const double value = std::strtod(plain.c_str(), nullptr);
    return negative ? -value : value;
}

std::string RewriteOf(std::string_view was, std::string_view now) {
    const std::string a(TrimBlanks(was)), b(TrimBlanks(now));
    if (a == b || a.empty() || b.empty()) return {};
    const auto x = SpreadsheetNumber(a), y = SpreadsheetNumber(b);
    if (x && y) {
        // A spreadsheet shows a long number with six significant digits ("1.23457E+17").
        const bool shortened = b.find_first_of("Ee") != std::string::npos;
        const double tolerance = (shortened ? 5e-6 : 1e-12) * std::max(std::fabs(*x), 1.0);
        if (std::fabs(*x - *y) <= tolerance) return "the same number written differently";
    }
    if (a[0] != '\'' && NeedsFormulaGuard(a) && b[0] != a[0]) return "a formula's result";
    // A date is shown as text or, where the cell lost its format, as its day count.
    if (DateAble(a) && (DateLike(b) || (y && *y >= 20000 && *y <= 80000 && *y == std::floor(*y))))
        return "a date made of it";
    return {};
}

bool NeedsFormulaGuard(std::string_view text) {
    if (text.empty()) return false;
    const std::string_view starts = "=+-@";
    if (text[0] == '\'') return text.size() > 1 && NeedsFormulaGuard(text.substr(1));
    if (starts.find(text[0]) == std::string_view::npos) return false;
    if (text[0] == '=' || text[0] == '@') return true;
    // After a sign a spreadsheet runs only what reads as a formula: a plain negative number
    // stays a number ("-12", "-1.5"), and dashes alone ("-", "---") stay text.
    if (text[0] == '-' && SpreadsheetNumber(text) && text.find_first_of("(,eE") == text.npos)
        return false;
    for (char c : text.substr(1))
        if (Digit(c) || Upper(c) != c || (c >= 'A' && c <= 'Z') ||
            (c != '\0' && std::strchr("(=@$\"'", c)))
            return true;
    return false;
}

std::string Unprotected(std::string_view text) {
    if (text.size() > 1 && text[0] == '\'' && NeedsFormulaGuard(text.substr(1)))
        return std::string(text.substr(1));
    return std::string(text);
}

std::string UnwrapTextCell(std::string_view text) {
    if (text.size() < 3 || !text.starts_with("=\"") || text.back() != '"') return std::string(text);
    std::string out;
    const std::string_view inner = text.substr(2, text.size() - 3);
    for (size_t i = 0; i < inner.size(); ++i) {
        if (inner[i] == '"') {
            // Inside the formula's string a quote is doubled; a single one ends it early.
            if (i + 1 >= inner.size() || inner[i + 1] != '"') return std::string(text);
            ++i;
        }
        out += inner[i];
    }
    return out;
}

std::string UnshownLetters(std::string_view text) {
    std::vector<std::string> names;
    for (size_t i = 0; i < text.size();) {
        size_t length = 1;
        const char32_t cp = DecodeAt(text, i, length);
        std::string name;
        if (cp < 0x80) {
            const char c = static_cast<char>(cp);
            if (!IsLcdChar(Upper(c))) name = Printable(std::string_view(&c, 1));
        } else {
            name = std::string(text.substr(i, length));
        }
        i += length;
        if (name.empty()) continue;
        bool seen = false;
        for (const auto& n : names) seen = seen || n == name;
        if (!seen) names.push_back(name);
    }
    return Joined(names);
}

}  // namespace cli
