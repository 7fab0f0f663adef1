#include "platform/FileSettingsStore.h"

#include <memory>

#include "platform/AtomicFile.h"
#include "platform/FileReader.h"
#include "platform/Folders.h"

namespace platform {
namespace {

// Settings files are small; a bigger one is not ours to read (or to overwrite).
constexpr int64_t kMaxSettingsFile = 4 * 1024 * 1024;

// Reads the whole file. A missing file is an empty one; anything else that stops the reading
// (no permission, not a plain file, too big, an I/O error) is a problem with its reason.
FileSettingsStore::LoadResult ReadWhole(const std::string& path, std::string& out) {
    using R = FileSettingsStore::LoadResult;
    FileReader reader;
    switch (reader.Open(path)) {
        case FileStatus::Ok:
            break;
        case FileStatus::NotAFile:
            return R{false, "not a plain file"};
        default:
            if (KindOfPath(path) == PathKind::Missing) return R{true, ""};
            return R{false, reader.Reason()};
    }
    switch (reader.ReadAll(kMaxSettingsFile, out)) {
        case FileStatus::Ok:
            return R{true, ""};
        case FileStatus::TooLarge:
            return R{false, "larger than a settings file can be"};
        default:
            return R{false, reader.Reason()};
    }
}

std::string FolderOf(const std::string& path) {
    auto slash = path.find_last_of("/\\");
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}

}  // namespace

std::string SettingsFilePath() {
    return JoinPath(ConfigFolder(), "settings.conf");
}

FileSettingsStore::FileSettingsStore(std::string path) : path_(std::move(path)) {}

SettingsTree& FileSettingsStore::Tree() const {
    if (!loaded_) {
        LoadResult r = Load(path_, tree_);
        if (!r.ok) unreadable_ = r.reason;
        if (r.skipped > 0) {
            damaged_ = std::to_string(r.skipped) + " line(s) cannot be read";
            damagedText_ = std::move(r.text);
        }
        loaded_ = true;
    }
    return tree_;
}

FileSettingsStore::LoadResult FileSettingsStore::Load(const std::string& path, SettingsTree& tree) {
    std::string text;
    LoadResult r = ReadWhole(path, text);
    tree = r.ok ? SettingsTree::Parse(text, &r.skipped) : SettingsTree();
    r.text = std::move(text);
    return r;
}

std::string FileSettingsStore::LoadProblem() const {
    if (!damaged_.empty())
        return "the settings file " + path_ + " is damaged (" + damaged_ +
               "); what cannot be read starts afresh, and the file is kept as " + path_ + ".bad";
    if (unreadable_.empty()) return {};
    return "the settings file " + path_ + " cannot be read (" + unreadable_ +
           "); it is left as it is and settings are not saved";
}

void FileSettingsStore::SetAside(const std::string& why) {
    Tree();
    if (!unreadable_.empty() || setAside_) return;
    if (damaged_.empty()) {
        std::string text;
        if (!ReadWhole(path_, text).ok || text.empty()) return;
        damagedText_ = std::move(text);
    }
    damaged_ = damaged_.empty() ? why : damaged_ + "; " + why;
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
    // Never write over a file that could not be read: it may hold settings we cannot see.
    Tree();
    if (!unreadable_.empty()) return false;
    SettingsTree fresh;
    if (LoadResult r = Load(path_, fresh); !r.ok) {
        unreadable_ = r.reason;
        return false;
    }
    // A damaged file is kept beside the new one before anything is written over it.
    if (!damaged_.empty() && !setAside_) {
        if (WriteFileAtomically(path_ + ".bad", damagedText_) != WriteResult::Ok) return false;
        setAside_ = true;
    }
    for (auto& change : pending_) change(fresh);
    // Never a file that the next start would refuse to read: it keeps the one that reads.
    const std::string text = fresh.Serialize();
    if (static_cast<int64_t>(text.size()) > kMaxSettingsFile) return false;
    MakeFolders(FolderOf(path_));
    if (WriteFileAtomically(path_, text) != WriteResult::Ok) return false;
    tree_ = std::move(fresh);
    loaded_ = true;
    pending_.clear();
    return true;
}

}  // namespace platform
