#include "platform/TemporaryName.h"

#include <random>

namespace platform {

std::string FreshTemporaryName(const std::string& stem) {
    static const char kChars[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    static std::random_device seed;
    static std::mt19937 random(seed());
    std::string out = stem;
    for (int i = 0; i < 6; ++i) out += kChars[random() % (sizeof kChars - 1)];
    return out;
}

}  // namespace platform
