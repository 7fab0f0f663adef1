#pragma once
// The settings store kept in a text file (SettingsTree format), by default
// <config folder>/settings.conf. The file is read at the first use; Commit reads it again,
// applies this process's changes on top and replaces it atomically, so a crash or a full disk
// while saving leaves the previous settings intact, and a change made meanwhile by another
// program of ours is kept. A damaged or unreadable file reads as empty or partial, never fails.
#include <functional>
#include <string>
#include <vector>

#include "platform/SettingsStore.h"
#include "platform/SettingsTree.h"

namespace platform {

class FileSettingsStore : public SettingsStore {
  public:
    explicit FileSettingsStore(std::string path);

    bool KeyExists(const std::string& key) const override { return Tree().KeyExists(key); }
    std::optional<SettingsValue> Read(const std::string& key,
                                      const std::string& name) const override {
        return Tree().Read(key, name);
    }
    std::vector<std::string> ValueNames(const std::string& key) const override {
        return Tree().ValueNames(key);
    }
    bool Write(const std::string& key, const std::string& name, SettingsValue value) override;
    void DeleteValue(const std::string& key, const std::string& name) override;
    void DeleteKey(const std::string& key) override;
    bool Commit() override;

    const std::string& path() const { return path_; }

  private:
    static SettingsTree Load(const std::string& path);
    SettingsTree& Tree() const;  // the file is read at the first use, not before

    std::string path_;
    mutable bool loaded_ = false;
    mutable SettingsTree tree_;
    std::vector<std::function<void(SettingsTree&)>> pending_;  // replayed on the file at Commit
};

// <config folder>/settings.conf
std::string SettingsFilePath();

}  // namespace platform
