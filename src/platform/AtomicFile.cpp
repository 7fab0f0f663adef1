#include "platform/AtomicFile.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/TemporaryName.h"

namespace platform {
namespace {

WriteFault gFault = WriteFault::None;

WriteResult Fail(WriteResult r, std::string* reason, const std::string& why) {
    if (reason) *reason = why;
    return r;
}

std::string FolderOf(const std::string& path) {
    auto slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

// Writes through a symbolic link to the file it names, as an in-place write would; a link to a
// file not made yet makes that file rather than replacing the link. "" for a loop of links.
std::string ResolveTarget(const std::string& path) {
    std::string at = path;
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st {};
        if (lstat(at.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return at;
        char buf[PATH_MAX];
        if (realpath(at.c_str(), buf)) return buf;
        const ssize_t n = readlink(at.c_str(), buf, sizeof buf - 1);
        if (n <= 0) return at;
        std::string target(buf, static_cast<size_t>(n));
        at = target[0] == '/' ? target : FolderOf(at) + "/" + target;
    }
    return {};
}

// The rename would replace a file that we may not write, and hand it to us: a file kept
// write-protected (a master copy) must stay as it is, as an in-place write would leave it.
bool WriteProtected(const std::string& path, const struct stat& st, std::string& reason) {
    if ((st.st_mode & 0222) == 0) {
        reason = "the file is read-only";
        return true;
    }
    if (faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) != 0) {
        reason = std::strerror(errno);
        return true;
    }
    return false;
}

}  // namespace

bool CanWriteFileAtomically(const std::string& pathIn, std::string& reason) {
    const std::string path = ResolveTarget(pathIn);
    if (path.empty()) {
        reason = std::strerror(ELOOP);
        return false;
    }
    struct stat st {};
    if (stat(path.c_str(), &st) == 0) {
        if (!S_ISREG(st.st_mode)) {
            reason = S_ISDIR(st.st_mode) ? "it is a folder" : "it is not a plain file";
            return false;
        }
        if (WriteProtected(path, st, reason)) return false;
    }
    auto slash = path.find_last_of('/');
    std::string folder = slash == std::string::npos ? "." : path.substr(0, slash + 1);
    std::string probe = folder + (folder.back() == '/' ? "" : "/") + ".kelda-probe-XXXXXX";
    int fd = mkstemp(probe.data());
    if (fd < 0) {
        reason = std::strerror(errno);
        return false;
    }
    ::close(fd);
    ::unlink(probe.c_str());
    return true;
}

void InjectWriteFault(WriteFault fault) {
    gFault = fault;
}

namespace {

// Temporaries are named ".<target name>.XXXXXX" (six letters or digits) beside the target.
bool IsOurTemporary(const std::string& entry, const std::string& name) {
    const std::string prefix = "." + name + ".";
    if (entry.size() != prefix.size() + 6 || entry.compare(0, prefix.size(), prefix) != 0)
        return false;
    for (size_t i = prefix.size(); i < entry.size(); ++i)
        if (!std::isalnum(static_cast<unsigned char>(entry[i]))) return false;
    return true;
}

// A save holds a lock on its temporary while it lives; one that nobody holds was left by a
// save that was killed, and goes.
void RemoveStaleTemporaries(const std::string& folder, const std::string& name) {
    DIR* dir = opendir(folder.c_str());
    if (dir == nullptr) return;
    while (dirent* e = readdir(dir)) {
        if (!IsOurTemporary(e->d_name, name)) continue;
        const std::string path = folder + "/" + e->d_name;
        struct stat st {};
        if (lstat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != geteuid())
            continue;
        int fd = open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
        if (fd < 0) continue;
        if (flock(fd, LOCK_EX | LOCK_NB) == 0) unlink(path.c_str());
        close(fd);
    }
    closedir(dir);
}

bool gNamedTemporaryOnly = false;

// An unnamed temporary in the folder (nothing is left if we die), else a named one that we
// hold locked while it lives. -1 with errno set when the folder takes neither.
int OpenTemporary(const std::string& folder, const std::string& name, std::string& namedPath) {
    namedPath.clear();
#ifdef O_TMPFILE
    if (!gNamedTemporaryOnly) {
        int fd = open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
        if (fd >= 0) {
            flock(fd, LOCK_EX);
            return fd;
        }
        // Not supported by this file system: fall back; a real refusal shows again below.
    }
#endif
    for (int attempt = 0; attempt < 8; ++attempt) {
        std::string tmpl = folder + "/." + name + ".XXXXXX";
        std::vector<char> tmp(tmpl.begin(), tmpl.end());
        tmp.push_back('\0');
        int fd = mkstemp(tmp.data());
        if (fd < 0) return -1;
        flock(fd, LOCK_EX);
        // A cleaner may have taken it between its making and our lock: then make another.
        struct stat st {};
        if (fstat(fd, &st) == 0 && st.st_nlink > 0) {
            namedPath = tmp.data();
            return fd;
        }
        close(fd);
    }
    errno = EEXIST;
    return -1;
}

// Gives the unnamed temporary a name beside the target, for the rename.
bool NameTemporary(int fd, const std::string& folder, const std::string& name,
                   std::string& namedPath) {
    const std::string self = "/proc/self/fd/" + std::to_string(fd);
    for (int attempt = 0; attempt < 8; ++attempt) {
        namedPath = FreshTemporaryName(folder + "/." + name + ".");
        if (linkat(AT_FDCWD, self.c_str(), AT_FDCWD, namedPath.c_str(), AT_SYMLINK_FOLLOW) == 0)
            return true;
        if (errno != EEXIST) break;
    }
    namedPath.clear();
    return false;
}

}  // namespace

void UseNamedTemporariesOnly(bool on) {
    gNamedTemporaryOnly = on;
}

WriteResult WriteFileAtomically(const std::string& pathIn, const std::string& bytes,
                                std::string* reason) {
    WriteFault fault = gFault;
    gFault = WriteFault::None;

    const std::string path = ResolveTarget(pathIn);
    if (path.empty()) return Fail(WriteResult::OpenFailed, reason, std::strerror(ELOOP));
    struct stat target {};
    bool exists = stat(path.c_str(), &target) == 0;
    if (exists && !S_ISREG(target.st_mode))
        return Fail(WriteResult::OpenFailed, reason,
                    S_ISDIR(target.st_mode) ? std::strerror(EISDIR) : "not a plain file");
    if (std::string why; exists && WriteProtected(path, target, why))
        return Fail(WriteResult::OpenFailed, reason, why);
    if (fault == WriteFault::Open)
        return Fail(WriteResult::OpenFailed, reason, std::strerror(EACCES));

    std::string folder = FolderOf(path);
    std::string name =
        path.substr(path.find_last_of('/') == std::string::npos ? 0 : path.find_last_of('/') + 1);
    RemoveStaleTemporaries(folder, name);
    std::string tmpPath;
    int fd = OpenTemporary(folder, name, tmpPath);
    if (fd < 0) return Fail(WriteResult::OpenFailed, reason, std::strerror(errno));

    auto abandon = [&](const std::string& why) {
        if (!tmpPath.empty()) unlink(tmpPath.c_str());
        close(fd);
        return Fail(WriteResult::WriteFailed, reason, why);
    };

    // Keep the mode of the file being replaced; a new file gets the usual 0666 less umask.
    mode_t mode;
    if (exists) {
        mode = target.st_mode & 07777;
    } else {
        mode_t mask = umask(0);
        umask(mask);
        mode = 0666 & ~mask;
    }
    fchmod(fd, mode);

    size_t limit = bytes.size();
    if (fault == WriteFault::Write || fault == WriteFault::Kill) limit = bytes.size() / 2;
    size_t done = 0;
    while (done < limit) {
        ssize_t n = write(fd, bytes.data() + done, limit - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            return abandon(std::strerror(errno));
        }
        done += static_cast<size_t>(n);
    }
    if (fault == WriteFault::Kill) raise(SIGKILL);
    if (fault == WriteFault::Write) return abandon(std::strerror(ENOSPC));
    if (fsync(fd) != 0) return abandon(std::strerror(errno));
    if (tmpPath.empty() && !NameTemporary(fd, folder, name, tmpPath))
        return abandon(std::strerror(errno));
    if (fault == WriteFault::Rename || rename(tmpPath.c_str(), path.c_str()) != 0)
        return abandon(fault == WriteFault::Rename ? std::strerror(EIO) : std::strerror(errno));
    if (close(fd) != 0) return Fail(WriteResult::WriteFailed, reason, std::strerror(errno));
    // Make the rename itself durable.
    int dfd = open(folder.c_str(), O_RDONLY | O_DIRECTORY);
    if (dfd >= 0) {
        fsync(dfd);
        close(dfd);
    }
    return WriteResult::Ok;
}

}  // namespace platform
