#pragma once
// The standard streams of a program run from a terminal or a script.

namespace platform {

// Whether stderr is a terminal (progress bars are drawn only there).
bool ErrorStreamIsTerminal();

// Whether windows can be shown: a display server (or a Qt platform named in QT_QPA_PLATFORM)
// on POSIX systems; always on Windows.
bool DesktopAvailable();

// The program's arguments in UTF-8, as every path in the program is. Windows hands main() its
// arguments in the system's code page, which cannot hold every file name; there the console
// is also set to show UTF-8 output. The result lives as long as the program.
char** Utf8Arguments(int argc, char** argv);

}  // namespace platform
