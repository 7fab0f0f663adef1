#include "platform/Fatal.h"

#include <cstdio>
#include <cstdlib>
#include <utility>

#include "platform/Folders.h"

namespace platform {
namespace {
FatalPresenter gPresenter = nullptr;
}

FatalPresenter InstallFatalPresenter(FatalPresenter presenter) {
    return std::exchange(gPresenter, presenter);
}

std::string ExecutableName() {
    std::string path = ExecutablePath();
    auto slash = path.find_last_of("/\\");  // Windows paths take either
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

void FatalStop(const std::string& text) {
    static bool stopping = false;  // a failure while presenting must not recurse
    std::string caption = ExecutableName();
    std::fprintf(stderr, "%s: fatal: %s\n", caption.c_str(), text.c_str());
    std::fflush(stderr);
    if (gPresenter && !stopping) {
        stopping = true;
        gPresenter(caption, text);
    }
    std::_Exit(3);
}

}  // namespace platform
