#pragma once
// Small text helpers shared by the sheet framework.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Field n (from 0) of `text` split at `separator`; none when the text has fewer fields.
std::optional<std::string_view> FieldAt(std::string_view text, int n, char separator);
// Field n of `text` split at any character of `separators`.
std::optional<std::string_view> FieldAtAny(std::string_view text, int n,
                                           std::string_view separators);

std::string_view SkipBlanks(std::string_view text);  // leading spaces and tabs
std::string RemoveBlanks(std::string_view text);     // every space and tab
std::string_view TrimBlanks(std::string_view text);  // spaces and tabs at both ends
std::string TrimSpaces(std::string_view text);       // spaces at both ends (tabs stay)

// A copy of a string that may be missing (a missing one copies as empty).
std::string DupString(const char* text);

// Decimal number after optional spaces or tabs and a sign; reading stops at the first
// non-digit; no digits give 0; values beyond 32 bits saturate.
int32_t ParseDecimal(std::string_view text);

// Measures text on a drawing surface; implemented by the views (screen, printer, preview).
class CellFont;
class TextSurface {
  public:
    virtual ~TextSurface() = default;
    virtual int TextWidth(std::string_view line, const CellFont* font) = 0;
    virtual int TextHeight(std::string_view line, const CellFont* font) = 0;
};

struct TextExtent {
    int width = 0;   // widest line
    int height = 0;  // sum of the line heights
};
// Lines are split at line breaks; an empty text is measured as one empty line.
TextExtent MeasureText(TextSurface& surface, std::string_view text, const CellFont* font);

// The texts of the groups "(...)" of a style or directive line, in order: a group runs from '('
// to the next ')' (or the end); characters of double-byte characters are never taken as either.
std::vector<std::string_view> ParenGroups(std::string_view text);
