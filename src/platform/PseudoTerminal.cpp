#include "platform/PseudoTerminal.h"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace platform {

PseudoTerminal::~PseudoTerminal() {
    Close();
}

bool PseudoTerminal::Open(std::string* error) {
    Close();
    auto fail = [&](const char* what) {
        if (error) *error = std::string(what) + ": " + std::strerror(errno);
        Close();
        return false;
    };
    master_ = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (master_ < 0) return fail("posix_openpt");
    if (grantpt(master_) != 0 || unlockpt(master_) != 0) return fail("unlockpt");
    char name[128];
    if (ptsname_r(master_, name, sizeof name) != 0) return fail("ptsname");
    slavePath_ = name;
    slave_ = ::open(name, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (slave_ < 0) return fail(name);
    termios t{};
    if (tcgetattr(slave_, &t) == 0) {
        cfmakeraw(&t);
        tcsetattr(slave_, TCSANOW, &t);
    }
    return true;
}

void PseudoTerminal::Close() {
    if (slave_ >= 0) ::close(slave_);
    if (master_ >= 0) ::close(master_);
    slave_ = master_ = -1;
    slavePath_.clear();
}

int PseudoTerminal::MasterInputWaiting() const {
    int n = 0;
    if (master_ < 0 || ioctl(master_, FIONREAD, &n) != 0) return 0;
    return n;
}

}  // namespace platform
