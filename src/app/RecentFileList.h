#pragma once
// The recent-file list: at most ten full paths, newest first, no two equal when letter case is
// ignored.
#include <cstddef>
#include <string>
#include <vector>

class RecentFileList {
  public:
    static constexpr size_t kCapacity = 10;

    // Opening or saving a file: removes entries equal to it, puts it first, keeps the first ten.
    void Add(const std::string& path);
    // Loading the stored list in order: removes entries equal to it, puts it last.
    void Append(const std::string& path);
    void Clear() { entries_.clear(); }

    size_t Size() const { return entries_.size(); }
    // Entry i, or "" beyond the list.
    std::string At(size_t i) const { return i < entries_.size() ? entries_[i] : std::string(); }
    const std::vector<std::string>& Entries() const { return entries_; }

    static bool SamePath(const std::string& a, const std::string& b);

  private:
    void Remove(const std::string& path);
    std::vector<std::string> entries_;
};
