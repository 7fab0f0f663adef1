#include "platform/StandardOutput.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace platform {

namespace {
int gFirstError = 0;  // what the first failed write said
}  // namespace

bool WriteStandardOutput(const std::string& text) {
    errno = 0;
    if (std::fwrite(text.data(), 1, text.size(), stdout) == text.size() && !std::ferror(stdout))
        return true;
    if (gFirstError == 0) gFirstError = errno != 0 ? errno : EIO;
    return false;
}

bool FinishStandardOutput(std::string& reason) {
    // The error flag stays set from the first lost write on; the flush and the close find
    // what was still held back.
    errno = 0;
    const bool flushed = std::fflush(stdout) == 0;
    const int flushError = errno;
    const bool earlier = std::ferror(stdout) != 0;
    errno = 0;
    const bool closed = std::fclose(stdout) == 0;
    const int closeError = errno;
    if (flushed && !earlier && closed) return true;
    const int error = gFirstError != 0              ? gFirstError
                      : !flushed && flushError != 0 ? flushError
                      : !closed && closeError != 0  ? closeError
                                                    : EIO;
    reason = std::strerror(error);
    return false;
}

}  // namespace platform
