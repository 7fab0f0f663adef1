#include "text/OverlayFormat.h"

#include <cctype>
#include <cstring>
#include <vector>

std::string FormatOverlay(std::string_view format, std::initializer_list<std::string> args) {
    std::vector<std::string> values(args);
    size_t next = 0;
    std::string out;
    for (size_t i = 0; i < format.size(); ++i) {
        char c = format[i];
        if (c != '%') {
            out += c;
            continue;
        }
        if (i + 1 < format.size() && format[i + 1] == '%') {
            out += '%';
            ++i;
            continue;
        }
        // Flags, width, precision and length letters, then the conversion letter.
        size_t j = i + 1;
        while (j < format.size() && std::strchr("-+ #0123456789.hlLqjzt", format[j])) ++j;
        if (j < format.size() && std::isalpha(static_cast<unsigned char>(format[j]))) {
            if (next < values.size()) out += values[next];
            ++next;
            i = j;
        } else {
            out += c;  // a lone percent sign stays as written
        }
    }
    return out;
}
