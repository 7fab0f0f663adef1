#pragma once
// The settings store kept in a text file (SettingsTree format), by default
// <config folder>/settings.conf. The file is read at the first use; Commit reads it again,
// applies this process's changes on top and replaces it atomically, so a crash or a full disk
// while saving leaves the previous settings intact, and a change made meanwhile by another
// program of ours is kept. A damaged file reads as partial. A file that cannot be read at all
// (no permission, not a plain file, far too big) reads as empty and is never written over.
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
    std::string LoadProblem() const override;
    // The damaged file is kept as <path>.bad at the next Commit.
    void SetAside(const std::string& why) override;

    const std::string& path() const { return path_; }

    struct LoadResult {
        bool ok;             // read, or there is no file yet
        std::string reason;  // why it could not be read
        size_t skipped = 0;  // lines that could not be read
        std::string text{};  // the file as it was read
    };

  private:
    static LoadResult Load(const std::string& path, SettingsTree& tree);
    SettingsTree& Tree() const;  // the file is read at the first use, not before

    std::string path_;
    mutable bool loaded_ = false;
    mutable std::string unreadable_;   // why the file could not be read; empty when it could
    mutable std::string damaged_;      // why the file read is damaged; empty when it is whole
    mutable std::string damagedText_;  // that file, to be kept beside it
    bool setAside_ = false;            // the copy has been made
    mutable SettingsTree tree_;
    std::vector<std::function<void(SettingsTree&)>> pending_;  // replayed on the file at Commit
};

// <config folder>/settings.conf
std::string SettingsFilePath();

}  // namespace platform
