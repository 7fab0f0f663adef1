#include "sheet/TextHelpers.h"

#include <algorithm>
#include <limits>

#include "sheet/CodePage.h"

std::optional<std::string_view> FieldAtAny(std::string_view text, int n,
                                           std::string_view separators) {
    if (n < 0) return std::nullopt;
    size_t start = 0;
    for (int i = 0; i < n; ++i) {
        size_t cut = text.find_first_of(separators, start);
        if (cut == std::string_view::npos) return std::nullopt;
        start = cut + 1;
    }
    size_t end = text.find_first_of(separators, start);
    return text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
}

std::optional<std::string_view> FieldAt(std::string_view text, int n, char separator) {
    return FieldAtAny(text, n, std::string_view(&separator, 1));
}

static bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view SkipBlanks(std::string_view text) {
    size_t i = 0;
    while (i < text.size() && IsBlank(text[i])) ++i;
    return text.substr(i);
}

std::string RemoveBlanks(std::string_view text) {
    std::string out;
    for (char c : text)
        if (!IsBlank(c)) out += c;
    return out;
}

std::string_view TrimBlanks(std::string_view text) {
    text = SkipBlanks(text);
    while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
    return text;
}

std::string TrimSpaces(std::string_view text) {
    const size_t b = text.find_first_not_of(' ');
    if (b == std::string_view::npos) return {};
    return std::string(text.substr(b, text.find_last_not_of(' ') - b + 1));
}

std::string DupString(const char* text) {
    return text ? std::string(text) : std::string();
}

int32_t ParseDecimal(std::string_view text) {
    text = SkipBlanks(text);
    bool negative = false;
    if (!text.empty() && (text[0] == '-' || text[0] == '+')) {
        negative = text[0] == '-';
        text.remove_prefix(1);
    }
    int64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') break;
        value = std::min<int64_t>(value * 10 + (c - '0'), int64_t(1) << 32);
    }
    if (negative) value = -value;
    return int32_t(std::clamp<int64_t>(value, std::numeric_limits<int32_t>::min(),
                                       std::numeric_limits<int32_t>::max()));
}

TextExtent MeasureText(TextSurface& surface, std::string_view text, const CellFont* font) {
    TextExtent extent;
    size_t start = 0;
    while (true) {
        size_t end = text.find('\n', start);
        std::string_view line = text.substr(
            start, end == std::string_view::npos ? std::string_view::npos : end - start);
        extent.width = std::max(extent.width, surface.TextWidth(line, font));
        extent.height += surface.TextHeight(line, font);
        if (end == std::string_view::npos) break;
        start = end + 1;
    }
    return extent;
}

std::vector<std::string_view> ParenGroups(std::string_view text) {
    std::vector<std::string_view> groups;
    size_t start = std::string_view::npos;  // first character of the open group
    for (size_t i = 0; i < text.size();) {
        size_t length = CharLength(text, i);
        if (length == 1 && start == std::string_view::npos && text[i] == '(') {
            start = i + 1;
        } else if (length == 1 && start != std::string_view::npos && text[i] == ')') {
            groups.push_back(text.substr(start, i - start));
            start = std::string_view::npos;
        }
        i += length;
    }
    if (start != std::string_view::npos) groups.push_back(text.substr(start));
    return groups;
}
