#pragma once
// The per-user hierarchical settings store: keys named by backslash-separated paths
// ("Software\Vexa\KELDA\Global"), each holding named values of three types. Key paths and value
// names compare without regard to ASCII letter case, as the stores users know do.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace platform {

struct SettingsValue {
    enum class Type { Int, String, Binary };
    Type type = Type::Int;
    int32_t number = 0;  // Int
    std::string bytes;   // String and Binary

    static SettingsValue Int(int32_t n) { return {Type::Int, n, {}}; }
    static SettingsValue String(std::string s) { return {Type::String, 0, std::move(s)}; }
    static SettingsValue Binary(std::string b) { return {Type::Binary, 0, std::move(b)}; }
    bool operator==(const SettingsValue&) const = default;
};

class SettingsStore {
  public:
    virtual ~SettingsStore() = default;

    // True when the key or any key below it exists.
    virtual bool KeyExists(const std::string& key) const = 0;
    virtual std::optional<SettingsValue> Read(const std::string& key,
                                              const std::string& name) const = 0;
    virtual std::vector<std::string> ValueNames(const std::string& key) const = 0;

    // Changes are kept in memory until Commit; writing creates the key when missing. A key path
    // or name holding control characters, or an empty path, is refused (false).
    virtual bool Write(const std::string& key, const std::string& name, SettingsValue value) = 0;
    virtual void DeleteValue(const std::string& key, const std::string& name) = 0;
    virtual void DeleteKey(const std::string& key) = 0;  // with its values and subkeys

    // Makes the changes since the last commit lasting; false when that failed (the stored
    // settings are then as they were before).
    virtual bool Commit() = 0;

    // Why the stored settings could not be read (they are then neither used nor written over);
    // empty when they could or have not been read yet.
    virtual std::string LoadProblem() const { return {}; }

    // The stored settings are damaged (why) and are not used: before they are next written
    // over, a store that can keeps a copy of them as they were, and LoadProblem says so.
    virtual void SetAside(const std::string& why) { (void)why; }
};

// The system's store: the settings file on POSIX systems, the user's registry on Windows.
std::unique_ptr<SettingsStore> CreateSystemSettingsStore();

// The store of the running program (the per-user settings file unless a test installs another).
SettingsStore& GetSettingsStore();
SettingsStore* InstallSettingsStore(SettingsStore* store);
// The program's store's LoadProblem; empty when no store was made or read.
std::string SettingsLoadProblem();

}  // namespace platform
