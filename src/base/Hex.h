#pragma once
// Hexadecimal digits, as clone files, the debug windows and the radio's frames write them.

// Which digits count: files and typed values take either case; the radio's protocol sends
// upper-case digits only.
enum class HexDigits { AnyCase, UpperOnly };

// Value of a hexadecimal digit, or -1.
constexpr int HexValue(char c, HexDigits digits = HexDigits::AnyCase) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (digits == HexDigits::AnyCase && c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}
