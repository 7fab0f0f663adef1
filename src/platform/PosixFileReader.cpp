#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/FileReader.h"

namespace platform {

FileReader::~FileReader() {
    Close();
}

void FileReader::Close() {
    if (handle_ != kNoHandle) close(static_cast<int>(handle_));
    handle_ = kNoHandle;
    size_ = 0;
}

FileStatus FileReader::Open(const std::string& path) {
    Close();
    reason_.clear();
    // Non-blocking, so that opening a pipe or a terminal does not wait for the other end.
    const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        reason_ = std::strerror(errno);
        return FileStatus::OpenFailed;
    }
    struct stat st {};
    if (fstat(fd, &st) != 0) {
        reason_ = std::strerror(errno);
        close(fd);
        return FileStatus::OpenFailed;
    }
    if (!S_ISREG(st.st_mode)) {
        reason_ = S_ISDIR(st.st_mode) ? "it is a folder" : "it is not a plain file";
        close(fd);
        return FileStatus::NotAFile;
    }
    handle_ = fd;
    size_ = static_cast<int64_t>(st.st_size);
    return FileStatus::Ok;
}

int64_t FileReader::ReadAt(int64_t offset, char* buffer, size_t count) {
    if (handle_ == kNoHandle) return -1;
    ssize_t n;
    do {
        n = pread(static_cast<int>(handle_), buffer, count, static_cast<off_t>(offset));
    } while (n < 0 && errno == EINTR);
    if (n < 0) reason_ = std::strerror(errno);
    return n;
}

}  // namespace platform
