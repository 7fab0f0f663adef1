// The parts of the file reader that every system shares, built on its size and read-at calls.
#include "platform/FileReader.h"

namespace platform {

FileStatus FileReader::ReadAll(int64_t limit, std::string& out) {
    if (size_ > limit) return FileStatus::TooLarge;
    out.reserve(out.size() + static_cast<size_t>(size_));
    char buf[65536];
    for (int64_t at = 0;;) {
        const int64_t n = ReadAt(at, buf, sizeof buf);
        if (n < 0) return FileStatus::ReadFailed;
        if (n == 0) return FileStatus::Ok;
        out.append(buf, static_cast<size_t>(n));
        at += n;
        if (at > limit) return FileStatus::TooLarge;
    }
}

}  // namespace platform
