#include "platform/Folders.h"

#include <dirent.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <vector>

#include "platform/FileNames.h"

namespace platform {
namespace {

std::string Env(const char* name) {
    const char* v = std::getenv(name);
    return v ? std::string(v) : std::string();
}

std::string Home() {
    std::string home = Env("HOME");
    if (!home.empty()) return home;
    if (const passwd* pw = getpwuid(getuid())) return pw->pw_dir;
    return "/tmp";
}

bool IsFolder(const std::string& p) {
    struct stat st {};
    return stat(p.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// Reads XDG_DOCUMENTS_DIR from ~/.config/user-dirs.dirs when the environment lacks it.
std::string UserDirsDocuments() {
    std::ifstream in(JoinPath(Home(), ".config/user-dirs.dirs"));
    std::string line;
    while (std::getline(in, line)) {
        const std::string key = "XDG_DOCUMENTS_DIR=";
        if (line.rfind(key, 0) != 0) continue;
        std::string v = line.substr(key.size());
        if (v.size() >= 2 && v.front() == '"' && v.back() == '"') v = v.substr(1, v.size() - 2);
        if (v.rfind("$HOME", 0) == 0) v = Home() + v.substr(5);
        return v;
    }
    return {};
}

}  // namespace

std::string JoinPath(const std::string& a, const std::string& b) {
    if (a.empty()) return b;
    if (b.empty()) return a;
    if (a.back() == '/') return b.front() == '/' ? a + b.substr(1) : a + b;
    return b.front() == '/' ? a + b : a + "/" + b;
}

bool IsAbsolutePath(const std::string& path) {
    return !path.empty() && path.front() == '/';
}

std::string FileNamePart(const std::string& path) {
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string FolderPart(const std::string& path) {
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos) return {};
    return slash == 0 ? std::string("/") : path.substr(0, slash);
}

std::string ExecutablePath() {
    char buf[4096];
    ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0) return "kelda";
    return std::string(buf, static_cast<size_t>(n));
}

std::string ProgramFolder() {
    std::string p = ExecutablePath();
    auto slash = p.find_last_of('/');
    return slash == std::string::npos ? std::string(".") : p.substr(0, slash);
}

std::string DocumentsFolder() {
    std::string d = Env("XDG_DOCUMENTS_DIR");
    if (d.empty()) d = UserDirsDocuments();
    if (!d.empty() && IsFolder(d)) return d;
    std::string docs = JoinPath(Home(), "Documents");
    if (IsFolder(docs)) return docs;
    return Home();
}

std::string ConfigFolder() {
    std::string base = Env("XDG_CONFIG_HOME");
    if (base.empty()) base = JoinPath(Home(), ".config");
    return JoinPath(base, "Vexa/KELDA");
}

std::string RuntimeFolder() {
    std::string r = Env("XDG_RUNTIME_DIR");
    if (!r.empty() && IsFolder(r)) return r;
    return "/tmp/kelda-" + std::to_string(getuid());
}

std::string CurrentFolder() {
    char buf[4096];
    return getcwd(buf, sizeof buf) ? std::string(buf) : std::string(".");
}

PathKind KindOfPath(const std::string& path, std::string* reason) {
    struct stat st {};
    if (stat(path.c_str(), &st) != 0) {
        if (errno == ENOENT || errno == ENOTDIR) return PathKind::Missing;
        if (reason) *reason = std::strerror(errno);
        return PathKind::Unknown;
    }
    if (S_ISDIR(st.st_mode)) return PathKind::Folder;
    return S_ISREG(st.st_mode) ? PathKind::File : PathKind::Other;
}

bool MakeFolders(const std::string& path) {
    if (path.empty()) return false;
    if (IsFolder(path)) return true;
    auto slash = path.find_last_of('/');
    if (slash != std::string::npos && slash > 0) MakeFolders(path.substr(0, slash));
    if (mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) return false;
    return IsFolder(path);
}

std::string PathOnDisk(const std::string& path) {
    if (path.empty() || path[0] != '/' || path.find("\xEF\xBF\xBD") == std::string::npos ||
        KindOfPath(path) != PathKind::Missing)
        return path;
    std::string found;
    size_t at = 1;
    while (at <= path.size()) {
        size_t end = path.find('/', at);
        if (end == std::string::npos) end = path.size();
        const std::string piece = path.substr(at, end - at);
        std::string next = found + "/" + piece;
        if (!piece.empty() && KindOfPath(next) == PathKind::Missing &&
            piece.find("\xEF\xBF\xBD") != std::string::npos) {
            const std::string wanted = FoldedName(piece);
            std::vector<std::string> fits;
            if (DIR* dir = opendir(found.empty() ? "/" : found.c_str())) {
                while (dirent* e = readdir(dir))
                    if (FoldedName(e->d_name) == wanted) fits.emplace_back(e->d_name);
                closedir(dir);
            }
            if (fits.size() != 1) return path;
            next = found + "/" + fits.front();
        }
        found = piece.empty() ? found : next;
        at = end + 1;
    }
    return found.empty() ? path : found;
}

}  // namespace platform
