#include "sheet/NameTables.h"

#include <string>
#include <unordered_map>

namespace {

struct NamedValue {
    const char* name;
    uint32_t value;
};

constexpr NamedValue kColors[] = {
    {"clAqua", 0x00FFFF00},
    {"clBlack", 0x00000000},
    {"clBlue", 0x00FF0000},
    {"clDkGray", 0x00808080},
    {"clFuchsia", 0x00FF00FF},
    {"clGray", 0x00808080},
    {"clGreen", 0x00008000},
    {"clLime", 0x0000FF00},
    {"clLtGray", 0x00C0C0C0},
    {"clMaroon", 0x00000080},
    {"clNavy", 0x00800000},
    {"clOlive", 0x00008080},
    {"clPurple", 0x00800080},
    {"clRed", 0x000000FF},
    {"clSilver", 0x00C0C0C0},
    {"clTeal", 0x00808000},
    {"clWhite", 0x00FFFFFF},
    {"clYellow", 0x0000FFFF},
    {"clBackground", 0x80000001},
    {"clActiveCaption", 0x80000002},
    {"clInactiveCaption", 0x80000003},
    {"clMenu", 0x80000004},
    {"clWindow", 0x80000005},
    {"clWindowFrame", 0x80000006},
    {"clMenuText", 0x80000007},
    {"clWindowText", 0x80000008},
    {"clCaptionText", 0x80000009},
    {"clActiveBorder", 0x8000000A},
    {"clInactiveBorder", 0x8000000B},
    {"clAppWorkSpace", 0x8000000C},
    {"clHighlight", 0x8000000D},
    // Spelled so in every overlay written for this program; the correct spelling is unknown.
    {"clHightlightText", 0x8000000E},
    {"clBtnFace", 0x8000000F},
    {"clBtnShadow", 0x80000010},
    {"clGrayText", 0x80000011},
    {"clBtnText", 0x80000012},
    {"clInactiveCaptionText", 0x80000013},
    {"clBtnHighlight", 0x80000014},
};
static_assert(std::size(kColors) == 38);

constexpr NamedValue kCharsets[] = {
    {"ANSI_CHARSET", 0},      {"DEFAULT_CHARSET", 1},    {"SYMBOL_CHARSET", 2},
    {"MAC_CHARSET", 77},      {"SHIFTJIS_CHARSET", 128}, {"HANGEUL_CHARSET", 129},
    {"JOHAB_CHARSET", 130},   {"GB2312_CHARSET", 134},   {"CHINESEBIG5_CHARSET", 136},
    {"GREEK_CHARSET", 161},   {"TURKISH_CHARSET", 162},  {"VIETNAMESE_CHARSET", 163},
    {"HEBREW_CHARSET", 177},  {"ARABIC_CHARSET", 178},   {"BALTIC_CHARSET", 186},
    {"RUSSIAN_CHARSET", 204}, {"THAI_CHARSET", 222},     {"EASTEUROPE_CHARSET", 238},
    {"OEM_CHARSET", 255},
};
static_assert(std::size(kCharsets) == 19);

constexpr NamedValue kStyles[] = {
    {"fsBold", 1},
    {"fsItalic", 2},
    {"fsUnderline", 4},
    {"fsStrikeOut", 8},
};

constexpr NamedValue kPitches[] = {
    {"fpDefault", 0},
    {"fpFixed", 1},
    {"fpVariable", 2},
};

template <size_t N>
std::optional<uint32_t> Search(const NamedValue (&table)[N], std::string_view name) {
    for (const NamedValue& entry : table)
        if (name == entry.name) return entry.value;
    return std::nullopt;
}

}  // namespace

std::optional<uint32_t> ColorByName(std::string_view name) {
    // Colours are looked up for every styled cell of every sheet build: hash them once.
    static const std::unordered_map<std::string_view, uint32_t> table = [] {
        std::unordered_map<std::string_view, uint32_t> map;
        for (const NamedValue& entry : kColors) map.emplace(entry.name, entry.value);
        return map;
    }();
    auto it = table.find(name);
    if (it == table.end()) return std::nullopt;
    return it->second;
}

std::optional<int32_t> CharsetByName(std::string_view name) {
    auto value = Search(kCharsets, name);
    if (!value) return std::nullopt;
    return int32_t(*value);
}

std::optional<uint8_t> FontStyleByName(std::string_view name) {
    auto value = Search(kStyles, name);
    if (!value) return std::nullopt;
    return uint8_t(*value);
}

std::optional<uint8_t> PitchByName(std::string_view name) {
    auto value = Search(kPitches, name);
    if (!value) return std::nullopt;
    return uint8_t(*value);
}
