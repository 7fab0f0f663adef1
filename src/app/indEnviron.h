#pragma once
// The settings store of the program: the user's preferences and the window layout, read once
// when the first instance starts and written once when it ends. Making it also takes the
// single-instance lock; a later instance neither reads nor writes settings.
#include <memory>
#include <optional>
#include <string>

#include "app/RecentFileList.h"

namespace platform {
class SettingsStore;
class InstanceLock;
}  // namespace platform

class indEnviron {
  public:
    static constexpr int kSignature = 753951;
    static constexpr const char* kMutexName = "Vexa KELDA APP Exclusive Mutex";
    static constexpr const char* kKeyPath = "Software\\Vexa\\KELDA";

    // Takes the lock; the first instance loads the settings from the store. The screen size
    // (primary screen, pixels) gives the default window rectangle.
    indEnviron(std::string mutexName, std::string keyPath, int screenWidth, int screenHeight,
               platform::SettingsStore& store, std::unique_ptr<platform::InstanceLock> lock);
    // The program's own: the per-user settings file (read only by the first instance) and the
    // lock in the runtime folder.
    static std::unique_ptr<indEnviron> ForProgram(int screenWidth, int screenHeight);
    // Defaults only: no lock, no store; never loads or saves.
    indEnviron();
    // The first instance saves (when the signature is valid) and releases the lock.
    ~indEnviron();
    indEnviron(const indEnviron&) = delete;
    indEnviron& operator=(const indEnviron&) = delete;

    bool IsFirstInstance() const { return firstInstance_; }
    // Why the stored settings could not be read; they are then not saved over. Empty when fine.
    std::string LoadProblem() const;
    // Why the single-instance lock could not be made ("<where>: <reason>"). The program then
    // runs, as it cannot tell whether it is the only one, but never writes the settings, so
    // that two windows cannot overwrite each other's. Empty when the lock is held.
    const std::string& LockProblem() const { return lockProblem_; }
    // The lock is this process's own: later starts may hand their files to it.
    bool HoldsLock() const { return firstInstance_ && lockProblem_.empty(); }

    // Raw access to the store, for column widths and the like; keys are full paths
    // ("Software\Vexa\KELDA\Display\..."). Writes are made lasting at once.
    int ReadInt(const std::string& key, const std::string& name) const;  // -1 when missing
    std::optional<std::string> ReadBinary(const std::string& key, const std::string& name) const;
    bool WriteInt(const std::string& key, const std::string& name, int value);
    bool DeleteSubKey(const std::string& key, const std::string& subkey);

    struct Rect {
        int left, top, width, height;
    };
    static Rect DefaultWindowRect(int screenWidth, int screenHeight);

    // The settings, read and changed in place by the rest of the program.
    int signature = kSignature;
    RecentFileList recentFiles;
    int fontSizePercentage = 100;
    bool toolbarVisible = true;
    int printerFontSize = 10;
    int comPort = 1;
    bool comSpeedHigh = true;
    std::string currentDirectory;
    int windowLeft = 0, windowTop = 0, windowWidth = 0, windowHeight = 0;
    // False until a whole window rectangle was read from the settings: the window may then size
    // itself to its first sheet instead.
    bool windowStored = false;
    int splitter = 200;
    // False until a width was read from the settings: the window may then fit the tree panel
    // to its captions instead.
    bool splitterStored = false;
    int modelType = 2;
    bool chListView = false;
    bool verifyAfterWrite = false;  // read the radio back after each write and compare

  private:
    void SetDefaults();
    void Load();
    void Save();
    std::string Subkey(const char* name) const;

    std::string mutexName_, keyPath_;
    int screenWidth_, screenHeight_;
    platform::SettingsStore* store_ = nullptr;
    std::unique_ptr<platform::InstanceLock> lock_;
    bool firstInstance_ = false;
    std::string lockProblem_;
};

// The process-wide settings (a detached one with defaults until the program installs its own).
indEnviron& Environ();
indEnviron* InstallEnviron(indEnviron* settings);
