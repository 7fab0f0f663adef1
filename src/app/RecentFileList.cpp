#include "app/RecentFileList.h"

#include <algorithm>
#include <cctype>

bool RecentFileList::SamePath(const std::string& a, const std::string& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) ==
               std::tolower(static_cast<unsigned char>(y));
    });
}

void RecentFileList::Remove(const std::string& path) {
    std::erase_if(entries_, [&](const std::string& e) { return SamePath(e, path); });
}

void RecentFileList::Add(const std::string& path) {
    Remove(path);
    entries_.insert(entries_.begin(), path);
    if (entries_.size() > kCapacity) entries_.resize(kCapacity);
}

void RecentFileList::Append(const std::string& path) {
    Remove(path);
    if (entries_.size() < kCapacity) entries_.push_back(path);
}
