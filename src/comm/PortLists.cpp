#include "comm/PortLists.h"

#include <algorithm>
#include <climits>

#include "comm/PortNumbering.h"
#include "platform/PortDiscovery.h"

namespace {

void SortByNumber(std::vector<std::string>& list) {
    std::stable_sort(list.begin(), list.end(), [](const std::string& a, const std::string& b) {
        return PortNumberOf(a) < PortNumberOf(b);
    });
}

}  // namespace

namespace {

// The decimal number at the start of s, as atol reads it, but saturating instead of
// overflowing: a pasted string of digits must not wrap round into a valid port.
long LeadingNumber(const char* s) {
    while (*s == ' ' || *s == '\t' || *s == '\n' || *s == '\r' || *s == '\f' || *s == '\v') ++s;
    bool negative = *s == '-';
    if (*s == '-' || *s == '+') ++s;
    // Wider than long, which has 32 bits on Windows: v * 10 must not overflow before the cap.
    long long v = 0;
    for (; *s >= '0' && *s <= '9'; ++s) v = std::min<long long>(v * 10 + (*s - '0'), INT_MAX);
    return static_cast<long>(negative ? -v : v);
}

}  // namespace

int PortNumberOf(const std::string& text) {
    const char* s = text.c_str();
    if (text.rfind("COM", 0) == 0) s += 3;
    return static_cast<int>(LeadingNumber(s));
}

int PortDialogChoice(int variant, const std::string& text) {
    long n = variant == 2 ? PortNumberOf(text) : LeadingNumber(text.c_str());
    return n >= PortNumbering::kFirst && n <= PortNumbering::kLast ? static_cast<int>(n) : 0;
}

void ListRegisteredPorts(std::vector<std::string>& list) {
    list.clear();
    for (const auto& entry : PortTable().Entries()) list.push_back(std::to_string(entry.first));
    SortByNumber(list);
}

void ListPresentPorts(std::vector<std::string>& list) {
    list.clear();
    for (const auto& entry : PortTable().Refresh()) list.push_back(std::to_string(entry.first));
    SortByNumber(list);
}

void DescribePorts(const std::vector<std::string>& numbers, std::vector<std::string>& list) {
    list.clear();
    for (const auto& d : platform::GetPortDiscovery().Discover()) {
        if (d.friendly.empty()) continue;
        int n = PortTable().NumberOf(d.path);
        bool wanted = std::any_of(numbers.begin(), numbers.end(),
                                  [n](const std::string& s) { return PortNumberOf(s) == n; });
        if (n > 0 && wanted) list.push_back(std::to_string(n) + ": " + d.friendly);
    }
    SortByNumber(list);
}
