#include "platform/FileNames.h"

namespace platform {
namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";

// Length of the UTF-8 sequence at s[i], or 0 when there is none (overlong forms, surrogates
// and values past U+10FFFF are none).
size_t Utf8Length(std::string_view s, size_t i) {
    const auto b = [&](size_t k) { return static_cast<unsigned char>(s[k]); };
    const unsigned char c = b(i);
    if (c < 0x80) return 1;
    size_t n = 0;
    unsigned min = 0;
    unsigned v = 0;
    if (c >= 0xC2 && c <= 0xDF) {
        n = 2;
        min = 0x80;
        v = c & 0x1F;
    } else if (c >= 0xE0 && c <= 0xEF) {
        n = 3;
        min = 0x800;
        v = c & 0x0F;
    } else if (c >= 0xF0 && c <= 0xF4) {
        n = 4;
        min = 0x10000;
        v = c & 0x07;
    } else {
        return 0;
    }
    if (i + n > s.size()) return 0;
    for (size_t k = 1; k < n; ++k) {
        if ((b(i + k) & 0xC0) != 0x80) return 0;
        v = (v << 6) | (b(i + k) & 0x3F);
    }
    if (v < min || v > 0x10FFFF || (v >= 0xD800 && v <= 0xDFFF)) return 0;
    return n;
}

bool IsUtf8(std::string_view s) {
    for (size_t i = 0; i < s.size();) {
        const size_t n = Utf8Length(s, i);
        if (n == 0) return false;
        i += n;
    }
    return true;
}

}  // namespace

std::string FoldedName(std::string_view s) {
    std::string out;
    bool replaced = false;
    for (size_t i = 0; i < s.size();) {
        size_t n = Utf8Length(s, i);
        const bool bad = n == 0 || s.substr(i, n) == kReplacement;
        if (bad) {
            if (!replaced) out += kReplacement;
            replaced = true;
            i += n == 0 ? 1 : n;
            continue;
        }
        replaced = false;
        out.append(s.substr(i, n));
        i += n;
    }
    return out;
}

std::string ShownText(std::string_view bytes) {
    if (IsUtf8(bytes)) return std::string(bytes);
    std::string out;
    for (char ch : bytes) {
        const auto c = static_cast<unsigned char>(ch);
        if (c < 0x80) {
            out += ch;
        } else {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

}  // namespace platform
