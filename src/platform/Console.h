#pragma once
// The standard streams of a program run from a terminal or a script.

namespace platform {

// Whether stderr is a terminal (progress bars are drawn only there).
bool ErrorStreamIsTerminal();

}  // namespace platform
