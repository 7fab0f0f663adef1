#include "comm/PortNumbering.h"

#include <cstdlib>
#include <utility>

#include "platform/PortDiscovery.h"
#include "platform/SettingsStore.h"

std::map<int, std::string> SettingsPortStore::Load() {
    std::map<int, std::string> table;
    auto& store = platform::GetSettingsStore();
    for (const std::string& name : store.ValueNames(kKey)) {
        auto v = store.Read(kKey, name);
        int n = std::atoi(name.c_str());
        if (v && v->type == platform::SettingsValue::Type::String && !v->bytes.empty() && n > 0)
            table[n] = v->bytes;
    }
    return table;
}

void SettingsPortStore::Save(const std::map<int, std::string>& table) {
    auto& store = platform::GetSettingsStore();
    store.DeleteKey(kKey);
    for (const auto& [n, path] : table)
        store.Write(kKey, std::to_string(n), platform::SettingsValue::String(path));
    store.Commit();
}

PortNumbering::PortNumbering(PortStore* store) : store_(store) {}

void PortNumbering::LoadOnce() {
    if (loaded_) return;
    loaded_ = true;
    if (!store_) return;
    for (const auto& [n, path] : store_->Load())
        if (n >= kFirst && n <= kLast && !path.empty()) table_[n] = path;
}

void PortNumbering::Save() {
    if (store_) store_->Save(table_);
}

std::string PortNumbering::DevicePath(int number) {
    LoadOnce();
    auto it = table_.find(number);
    return it == table_.end() ? std::string() : it->second;
}

int PortNumbering::NumberOf(const std::string& path) {
    LoadOnce();
    for (const auto& [n, p] : table_)
        if (p == path) return n;
    for (int n = kFirst; n <= kLast; ++n) {
        if (table_.count(n)) continue;
        table_[n] = path;
        Save();
        return n;
    }
    return 0;
}

void PortNumbering::Assign(int number, const std::string& path) {
    LoadOnce();
    if (number < kFirst || number > kLast) return;
    for (auto it = table_.begin(); it != table_.end();)
        it = it->second == path ? table_.erase(it) : std::next(it);
    table_[number] = path;
    Save();
}

std::map<int, std::string> PortNumbering::Refresh() {
    std::map<int, std::string> present;
    for (const auto& d : platform::GetPortDiscovery().Discover()) {
        // A port the system numbers itself (COM5) has that number here too.
        const bool ownNumber = d.number >= kFirst && d.number <= kLast;
        if (ownNumber && DevicePath(d.number) != d.path) Assign(d.number, d.path);
        if (int n = ownNumber ? d.number : NumberOf(d.path)) present[n] = d.path;
    }
    return present;
}

const std::map<int, std::string>& PortNumbering::Entries() {
    LoadOnce();
    return table_;
}

namespace {
PortNumbering* gTable = nullptr;
}

PortNumbering& PortTable() {
    static SettingsPortStore settings;
    static PortNumbering kept(&settings);
    return gTable ? *gTable : kept;
}

PortNumbering* InstallPortTable(PortNumbering* table) {
    return std::exchange(gTable, table);
}
