#include "platform/FileInstanceLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>

#include "platform/Folders.h"

namespace platform {

std::string FileInstanceLock::PathFor(const std::string& name) {
    std::string file;
    for (char c : name) {
        bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                     c == '-' || c == '.';
        file += plain ? c : '_';
    }
    return JoinPath(RuntimeFolder(), file + ".lock");
}

bool FileInstanceLock::Acquire(const std::string& name) {
    if (fd_ >= 0) return true;
    MakeFolders(RuntimeFolder());
    int fd = open(PathFor(name).c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) return true;  // no place for a lock: better to run than to refuse to start
    int r;
    do {
        r = flock(fd, LOCK_EX | LOCK_NB);
    } while (r != 0 && errno == EINTR);
    if (r != 0) {
        bool held = errno == EWOULDBLOCK;
        close(fd);
        return !held;
    }
    fd_ = fd;
    return true;
}

void FileInstanceLock::Release() {
    if (fd_ < 0) return;
    flock(fd_, LOCK_UN);
    close(fd_);
    fd_ = -1;
}

std::unique_ptr<InstanceLock> CreateInstanceLock() {
    return std::make_unique<FileInstanceLock>();
}

}  // namespace platform
