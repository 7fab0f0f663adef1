#pragma once
// The overlay's code page, as far as markup needs it: which bytes start a double-byte character
// (such bytes and their trail byte are never markup characters). The overlay is single-byte
// unless the user's locale names a double-byte character set.
#include <string_view>

// 0 for a single-byte code page, else 932, 936, 949 or 950.
int MarkupCodePage();
void SetMarkupCodePage(int codePage);  // tests and the locale set-up

bool IsLeadByte(unsigned char c);

// Length in bytes of the character that starts at text[i]: 2 for a complete double-byte
// character, else 1. Never reaches past the text.
inline size_t CharLength(std::string_view text, size_t i) {
    return IsLeadByte(static_cast<unsigned char>(text[i])) && i + 1 < text.size() ? 2 : 1;
}

// True when the user's language is Japanese (it picks the default font face).
bool UserLanguageIsJapanese();
