#include "sheet/CellFont.h"

#include <algorithm>
#include <cstdlib>
#include <limits>

#include "sheet/CodePage.h"
#include "sheet/NameTables.h"
#include "sheet/TextHelpers.h"

namespace {

constexpr int kPixelsPerInch = 96;
constexpr int kPointsPerInch = 72;

// a * b / c rounded half away from zero, saturated to 32 bits.
int32_t MulDiv(int32_t a, int32_t b, int32_t c) {
    int64_t product = int64_t(a) * b;
    int64_t quotient = (std::llabs(product) + c / 2) / c;
    if (product < 0) quotient = -quotient;
    return int32_t(std::clamp<int64_t>(quotient, std::numeric_limits<int32_t>::min(),
                                       std::numeric_limits<int32_t>::max()));
}

// A height or size field: a decimal number, or "%n" for n per cent of the current value (at
// least 1). Returns 0 when the field changes nothing.
int32_t ScaledValue(std::string_view field, int32_t current) {
    field = SkipBlanks(field);
    if (!field.empty() && field[0] == '%') {
        int64_t scaled = int64_t(current) * ParseDecimal(field.substr(1)) / 100;
        scaled = std::clamp<int64_t>(scaled, std::numeric_limits<int32_t>::min(),
                                     std::numeric_limits<int32_t>::max());
        return scaled == 0 ? 1 : int32_t(scaled);
    }
    return ParseDecimal(field);
}

}  // namespace

const std::string& DefaultFaceName() {
    static const std::string face =
        UserLanguageIsJapanese() ? "\xEF\xBC\xAD\xEF\xBC\xB3 "
                                   "\xEF\xBC\xB0\xE3\x82\xB4\xE3\x82\xB7\xE3\x83\x83\xE3\x82\xAF"
                                 : "MS Sans Serif";
    return face;
}

CellFont::CellFont()
    : Face(DefaultFaceName()), Charset(kDefaultCharset), Color(kClWindowText), Height(0), Size(0) {
    SetSize(8);
}

void CellFont::SetHeight(int32_t height) {
    Height = height;
    Size = -MulDiv(height, kPointsPerInch, kPixelsPerInch);
}

void CellFont::SetSize(int32_t points) {
    Size = points;
    Height = -MulDiv(points, kPixelsPerInch, kPointsPerInch);
}

void ApplyFontFields(CellFont& font, std::string_view fields) {
    for (int n = 0; n < 7; ++n) {
        std::optional<std::string_view> field = FieldAt(fields, n, ',');
        if (!field) return;
        switch (n) {
            case 0:
                if (auto charset = CharsetByName(TrimBlanks(*field))) font.Charset = *charset;
                break;
            case 1: {
                std::string_view face = SkipBlanks(*field);
                font.Face = face.empty() ? DefaultFaceName() : std::string(face);
                break;
            }
            case 2:
                if (auto color = ColorByName(*field)) font.Color = *color;
                break;
            case 3:
                if (int32_t height = ScaledValue(*field, font.Height)) font.SetHeight(height);
                break;
            case 4:
                if (int32_t size = ScaledValue(*field, font.Size)) font.SetSize(size);
                break;
            case 5: {
                bool cleared = false;
                for (int i = 0;; ++i) {
                    std::optional<std::string_view> name = FieldAt(*field, i, '+');
                    if (!name) break;
                    auto style = FontStyleByName(*name);
                    if (!style) continue;
                    if (!cleared) font.Style = 0;
                    cleared = true;
                    font.Style |= *style;
                }
                break;
            }
            case 6:
                if (auto pitch = PitchByName(*field)) font.Pitch = *pitch;
                break;
        }
    }
}
