#include "platform/Console.h"

#include <unistd.h>

#include <cstdlib>

namespace platform {

bool ErrorStreamIsTerminal() {
    return isatty(STDERR_FILENO) == 1;
}

bool DesktopAvailable() {
    const char* platformName = std::getenv("QT_QPA_PLATFORM");
    if (platformName && *platformName) return true;
    const char* x = std::getenv("DISPLAY");
    const char* w = std::getenv("WAYLAND_DISPLAY");
    return (x && *x) || (w && *w);
}

char** Utf8Arguments(int, char** argv) {
    return argv;  // the bytes as the shell gave them, which is UTF-8 on these systems
}

}  // namespace platform
