#pragma once
// The settings store in the current user's registry hive (HKEY_CURRENT_USER), where Windows
// programs keep theirs: key paths are registry key paths, Int is REG_DWORD, String REG_SZ
// (UTF-8 here, UTF-16 there) and Binary REG_BINARY. Changes wait in memory until Commit, and
// reads see them. A value of another type, or a key that cannot be read, reads as missing, so
// the caller's default serves, and LoadProblem says which one and why.
#include <string>
#include <vector>

#include "platform/SettingsStore.h"

namespace platform {

class RegistrySettingsStore : public SettingsStore {
  public:
    bool KeyExists(const std::string& key) const override;
    std::optional<SettingsValue> Read(const std::string& key,
                                      const std::string& name) const override;
    std::vector<std::string> ValueNames(const std::string& key) const override;
    bool Write(const std::string& key, const std::string& name, SettingsValue value) override;
    void DeleteValue(const std::string& key, const std::string& name) override;
    void DeleteKey(const std::string& key) override;
    // Applies the changes in order and stops at the first the registry refuses; that one and
    // those after it stay waiting.
    bool Commit() override;
    std::string LoadProblem() const override { return problem_; }

  private:
    struct Change {
        enum class Kind { Write, DeleteValue, DeleteKey } kind;
        std::string key;  // normal form
        std::string name;
        SettingsValue value;
    };
    void NoteProblem(const std::string& text) const;

    std::vector<Change> pending_;
    mutable std::string problem_;
};

}  // namespace platform
