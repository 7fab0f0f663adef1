#include "platform/FileInstanceLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/Folders.h"

namespace platform {

namespace {

std::string PlainName(const std::string& name) {
    std::string file;
    for (char c : name) {
        bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                     c == '-' || c == '.';
        file += plain ? c : '_';
    }
    return file;
}

}  // namespace

std::string FileInstanceLock::PathFor(const std::string& name) {
    return JoinPath(RuntimeFolder(), PlainName(name) + ".lock");
}

std::string InstanceChannelName(const std::string& lockName) {
    return JoinPath(RuntimeFolder(), PlainName(lockName) + ".sock");
}

bool FileInstanceLock::Acquire(const std::string& name) {
    if (fd_ >= 0) return true;
    problem_.clear();
    MakeFolders(RuntimeFolder());
    const std::string path = PathFor(name);
    int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) {
        problem_ = path + ": " + std::strerror(errno);
        return true;
    }
    int r;
    do {
        r = flock(fd, LOCK_EX | LOCK_NB);
    } while (r != 0 && errno == EINTR);
    if (r != 0) {
        const int error = errno;
        close(fd);
        if (error == EWOULDBLOCK) return false;
        problem_ = path + ": " + std::strerror(error);
        return true;
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
