#pragma once
// Internal consistency failures end the program at once: a stop box where a window exists, the
// text on stderr, exit status 3. Nothing is saved.
#include <string>

namespace platform {

// Shows the stop box (caption = the executable's file name); installed by the window program.
using FatalPresenter = void (*)(const std::string& caption, const std::string& text);
FatalPresenter InstallFatalPresenter(FatalPresenter presenter);

[[noreturn]] void FatalStop(const std::string& text);

// The executable's file name without its folder (the caption of stop boxes).
std::string ExecutableName();

}  // namespace platform
