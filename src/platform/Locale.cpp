#include "platform/Locale.h"

#include <cstdlib>

namespace platform {

std::string LocaleName(const char* category) {
    for (const char* name : {"LC_ALL", category, "LANG"}) {
        const char* value = std::getenv(name);
        if (value && *value) return value;
    }
    return {};
}

}  // namespace platform
