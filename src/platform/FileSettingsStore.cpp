#include "platform/FileSettingsStore.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/AtomicFile.h"
#include "platform/Folders.h"

namespace platform {
namespace {

// Settings files are small; anything bigger is not ours and reads as empty.
constexpr off_t kMaxSettingsFile = 4 * 1024 * 1024;

bool ReadWhole(const std::string& path, std::string& out) {
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat st {};
    bool ok = fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size <= kMaxSettingsFile;
    char buf[8192];
    while (ok) {
        ssize_t n = read(fd, buf, sizeof buf);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) ok = false;
        if (n <= 0) break;
        out.append(buf, static_cast<size_t>(n));
        ok = out.size() <= static_cast<size_t>(kMaxSettingsFile);
    }
    close(fd);
    return ok;
}

std::string FolderOf(const std::string& path) {
    auto slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}

}  // namespace

std::string SettingsFilePath() {
    return JoinPath(ConfigFolder(), "settings.conf");
}

FileSettingsStore::FileSettingsStore(std::string path) : path_(std::move(path)) {}

SettingsTree& FileSettingsStore::Tree() const {
    if (!loaded_) {
        tree_ = Load(path_);
        loaded_ = true;
    }
    return tree_;
}

SettingsTree FileSettingsStore::Load(const std::string& path) {
    std::string text;
    if (!ReadWhole(path, text)) return {};
    return SettingsTree::Parse(text);
}

bool FileSettingsStore::Write(const std::string& key, const std::string& name,
                              SettingsValue value) {
    if (!Tree().Write(key, name, value)) return false;
    pending_.push_back([=](SettingsTree& t) { t.Write(key, name, value); });
    return true;
}

void FileSettingsStore::DeleteValue(const std::string& key, const std::string& name) {
    Tree().DeleteValue(key, name);
    pending_.push_back([=](SettingsTree& t) { t.DeleteValue(key, name); });
}

void FileSettingsStore::DeleteKey(const std::string& key) {
    Tree().DeleteKey(key);
    pending_.push_back([=](SettingsTree& t) { t.DeleteKey(key); });
}

bool FileSettingsStore::Commit() {
    if (pending_.empty()) return true;
    SettingsTree fresh = Load(path_);
    for (auto& change : pending_) change(fresh);
    MakeFolders(FolderOf(path_));
    if (WriteFileAtomically(path_, fresh.Serialize()) != WriteResult::Ok) return false;
    tree_ = std::move(fresh);
    loaded_ = true;
    pending_.clear();
    return true;
}

namespace {
SettingsStore* gStore = nullptr;
}

SettingsStore& GetSettingsStore() {
    if (!gStore) gStore = new FileSettingsStore(SettingsFilePath());  // lives for the process
    return *gStore;
}

void InstallSettingsStore(SettingsStore* store) {
    gStore = store;
}

}  // namespace platform
