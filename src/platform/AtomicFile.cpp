#include "platform/AtomicFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <vector>

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

// Writes through a symbolic link to the file it names, as an in-place write would.
std::string ResolveTarget(const std::string& path) {
    struct stat st {};
    if (lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
        char buf[PATH_MAX];
        if (realpath(path.c_str(), buf)) return buf;
    }
    return path;
}

}  // namespace

void InjectWriteFault(WriteFault fault) {
    gFault = fault;
}

WriteResult WriteFileAtomically(const std::string& pathIn, const std::string& bytes,
                                std::string* reason) {
    WriteFault fault = gFault;
    gFault = WriteFault::None;

    const std::string path = ResolveTarget(pathIn);
    struct stat target {};
    bool exists = stat(path.c_str(), &target) == 0;
    if (exists && !S_ISREG(target.st_mode))
        return Fail(WriteResult::OpenFailed, reason, "not a plain file");
    if (fault == WriteFault::Open)
        return Fail(WriteResult::OpenFailed, reason, std::strerror(EACCES));

    std::string folder = FolderOf(path);
    std::string name =
        path.substr(path.find_last_of('/') == std::string::npos ? 0 : path.find_last_of('/') + 1);
    std::string tmpl = folder + "/." + name + ".XXXXXX";
    std::vector<char> tmp(tmpl.begin(), tmpl.end());
    tmp.push_back('\0');
    int fd = mkstemp(tmp.data());
    if (fd < 0) return Fail(WriteResult::OpenFailed, reason, std::strerror(errno));
    std::string tmpPath(tmp.data());

    auto abandon = [&](const std::string& why) {
        close(fd);
        unlink(tmpPath.c_str());
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
    if (fault == WriteFault::Write) limit = bytes.size() / 2;
    size_t done = 0;
    while (done < limit) {
        ssize_t n = write(fd, bytes.data() + done, limit - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            return abandon(std::strerror(errno));
        }
        done += static_cast<size_t>(n);
    }
    if (fault == WriteFault::Write) return abandon(std::strerror(ENOSPC));
    if (fsync(fd) != 0) return abandon(std::strerror(errno));
    if (close(fd) != 0) {
        unlink(tmpPath.c_str());
        return Fail(WriteResult::WriteFailed, reason, std::strerror(errno));
    }
    if (fault == WriteFault::Rename || rename(tmpPath.c_str(), path.c_str()) != 0) {
        std::string why = fault == WriteFault::Rename ? std::strerror(EIO) : std::strerror(errno);
        unlink(tmpPath.c_str());
        return Fail(WriteResult::WriteFailed, reason, why);
    }
    // Make the rename itself durable.
    int dfd = open(folder.c_str(), O_RDONLY | O_DIRECTORY);
    if (dfd >= 0) {
        fsync(dfd);
        close(dfd);
    }
    return WriteResult::Ok;
}

}  // namespace platform
