#include "sim/SimLink.h"

#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "sim/SimRadio.h"

SimLink::SimLink(SimRadio& radio, int masterFd, unsigned baud)
    : radio_(radio), fd_(masterFd), baud_(baud) {}

// A transmitter that stops sending, seen from the program: its writes no longer go out and time
// out. The program's end is a terminal, so flow control stops it: on a pseudo-terminal the
// master's settings calls reach the slave's settings, and the slave then takes the XOFF that
// follows as a stop. The program's next open sets raw mode again, which lets it go.
void SimLink::StallProgramOutput() {
    termios t{};
    if (tcgetattr(fd_, &t) == 0) {
        t.c_iflag |= IXON;
        t.c_iflag &= ~static_cast<tcflag_t>(IXANY);
        tcsetattr(fd_, TCSANOW, &t);
    }
    const char xoff = 0x13;  // what is still queued for the program holds no 0x11 or 0x13
    if (::write(fd_, &xoff, 1) < 0 && errno == EBADF) broken_ = true;
}

int64_t SimLink::Service(uint64_t nowUs) {
    uint8_t buf[4096];
    for (;;) {
        ssize_t n = ::read(fd_, buf, sizeof buf);
        if (n > 0) {
            bytesIn_ += static_cast<uint64_t>(n);
            radio_.Receive(buf, static_cast<int>(n), out_);
            const int stallAfter = radio_.Faults().stallWrite;
            if (stallAfter > 0 && radio_.WriteRunsStarted() != stalledRun_ &&
                radio_.WriteRunBytes() >= stallAfter) {
                stalledRun_ = radio_.WriteRunsStarted();
                StallProgramOutput();
            }
            continue;
        }
        // EIO while no program has the port open is normal; the line comes back.
        if (n < 0 && errno == EBADF) broken_ = true;
        break;
    }
    if (radio_.Faults().chatter && out_.size() - outFront_ < 512) {
        // A navigation receiver on the port: position sentences, over and over.
        out_ += "$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*47\r\n";
    }
    size_t waiting = out_.size() - outFront_;
    size_t allowed = waiting;
    const uint64_t perByteUs = baud_ ? 10000000ull / baud_ : 0;
    if (baud_ && waiting) {
        // A line that had nothing to send starts now; a busy one keeps its schedule, so that a
        // late wake-up sends the bytes that were due meanwhile.
        if (!started_) wireFreeUs_ = std::max(wireFreeUs_, nowUs);
        started_ = true;
        allowed = wireFreeUs_ > nowUs ? 0 : (nowUs - wireFreeUs_) / perByteUs + 1;
        allowed = std::min(allowed, waiting);
    }
    if (window_) allowed = std::min(allowed, window_());
    if (allowed > 0) {
        ssize_t w = ::write(fd_, out_.data() + outFront_, allowed);
        if (w > 0) {
            outFront_ += static_cast<size_t>(w);
            bytesOut_ += static_cast<uint64_t>(w);
            if (baud_) wireFreeUs_ += static_cast<uint64_t>(w) * perByteUs;
        } else if (w < 0 && errno == EBADF) {
            broken_ = true;
        }
    }
    if (outFront_ == out_.size()) {
        out_.clear();
        outFront_ = 0;
    } else if (outFront_ > 65536) {
        out_.erase(0, outFront_);
        outFront_ = 0;
    }
    if (out_.empty()) {
        started_ = false;                            // the line goes idle
        return radio_.Faults().chatter ? 1000 : -1;  // a chattering device never does
    }
    if (!baud_) return 1000;  // the pseudo-terminal is full: try again soon
    return wireFreeUs_ > nowUs ? static_cast<int64_t>(wireFreeUs_ - nowUs) : 0;
}
