#include "platform/Console.h"

#include <unistd.h>

namespace platform {

bool ErrorStreamIsTerminal() {
    return isatty(STDERR_FILENO) == 1;
}

char** Utf8Arguments(int, char** argv) {
    return argv;  // the bytes as the shell gave them, which is UTF-8 on these systems
}

}  // namespace platform
