#include "comm/cmcPorts.h"

#include <algorithm>
#include <cstdlib>

#include "comm/cmcPortTable.h"
#include "platform/PortDiscovery.h"

namespace {

void SortByNumber(std::vector<std::string>& list) {
    std::stable_sort(list.begin(), list.end(), [](const std::string& a, const std::string& b) {
        return PortNumberOf(a) < PortNumberOf(b);
    });
}

}  // namespace

int PortNumberOf(const std::string& text) {
    const char* s = text.c_str();
    if (text.rfind("COM", 0) == 0) s += 3;
    return static_cast<int>(std::atol(s));
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
