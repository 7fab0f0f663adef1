#pragma once
// Names the cell markup and sheet styles use for colours, character sets, font styles and
// pitches. Names are exact and case-sensitive.
#include <cstdint>
#include <optional>
#include <string_view>

// Colours are 0x00BBGGRR, or 0x80000000 + n for the system colour with index n.
constexpr uint32_t kSystemColor = 0x80000000u;
constexpr uint32_t kClWindow = 0x80000005u;
constexpr uint32_t kClWindowText = 0x80000008u;
constexpr uint32_t kClHighlight = 0x8000000Du;
constexpr uint32_t kClHighlightText = 0x8000000Eu;
constexpr uint32_t kClBtnFace = 0x8000000Fu;
constexpr uint32_t kClGrayText = 0x80000011u;

// The index n of a system colour.
constexpr int SystemColorIndex(uint32_t color) {
    return static_cast<int>(color & 0xFF);
}

constexpr int32_t kDefaultCharset = 1;

std::optional<uint32_t> ColorByName(std::string_view name);
std::optional<int32_t> CharsetByName(std::string_view name);
std::optional<uint8_t> FontStyleByName(std::string_view name);  // one style bit
std::optional<uint8_t> PitchByName(std::string_view name);
