#pragma once
// The settings hierarchy held in memory, and its text form:
//
//   [Software\Vexa\KELDA\Global]
//   "BBT"=int:753951
//   "Current Directory"=str:"/home/skipper/radio"
//   "Sizes"=hex:0a00ff
//
// Quoted texts escape '"', '\' and control bytes (\n, \r, \t, \xHH); other bytes stand as they
// are. Lines starting with ';' are comments. A line that does not parse is skipped, and so is a
// last line without its line end, so a damaged or cut-off file loses only what it damaged.
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/SettingsStore.h"

namespace platform {

class SettingsTree {
  public:
    bool KeyExists(const std::string& key) const;
    std::optional<SettingsValue> Read(const std::string& key, const std::string& name) const;
    std::vector<std::string> ValueNames(const std::string& key) const;
    bool Write(const std::string& key, const std::string& name, SettingsValue value);
    void DeleteValue(const std::string& key, const std::string& name);
    void DeleteKey(const std::string& key);

    std::string Serialize() const;
    // skipped, when given, counts the whole lines that are neither key nor value lines.
    static SettingsTree Parse(const std::string& text, size_t* skipped = nullptr);

    // Key path with single backslashes and none at either end; "" when it is not valid.
    static std::string NormalKey(const std::string& key);

  private:
    // Lookups go through indexes of the folded names, so that reading a file of many keys and
    // values takes time in proportion to its size.
    struct Key {
        std::string path;
        std::vector<std::pair<std::string, SettingsValue>> values;
        std::unordered_map<std::string, size_t> byName;  // folded name -> position in values
    };
    Key& Make(const std::string& normalKey);
    Key* Find(const std::string& normalKey);
    const Key* Find(const std::string& normalKey) const;
    void Reindex();

    std::vector<Key> keys_;                           // in the order they were made
    std::unordered_map<std::string, size_t> byPath_;  // folded path -> position in keys_
};

}  // namespace platform
