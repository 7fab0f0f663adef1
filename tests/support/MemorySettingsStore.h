#pragma once
// Settings kept in memory, counting what the code under test does with them.
#include "platform/SettingsStore.h"
#include "platform/SettingsTree.h"

namespace test {

class MemorySettingsStore : public platform::SettingsStore {
  public:
    bool KeyExists(const std::string& key) const override {
        ++reads;
        return tree.KeyExists(key);
    }
    std::optional<platform::SettingsValue> Read(const std::string& key,
                                                const std::string& name) const override {
        ++reads;
        return tree.Read(key, name);
    }
    std::vector<std::string> ValueNames(const std::string& key) const override {
        ++reads;
        return tree.ValueNames(key);
    }
    bool Write(const std::string& key, const std::string& name,
               platform::SettingsValue value) override {
        ++writes;
        return tree.Write(key, name, std::move(value));
    }
    void DeleteValue(const std::string& key, const std::string& name) override {
        ++writes;
        tree.DeleteValue(key, name);
    }
    void DeleteKey(const std::string& key) override {
        ++writes;
        tree.DeleteKey(key);
    }
    bool Commit() override {
        ++commits;
        return !failCommits;
    }

    platform::SettingsTree tree;  // tests fill and inspect it directly
    mutable int reads = 0;
    int writes = 0;
    int commits = 0;
    bool failCommits = false;
};

}  // namespace test
