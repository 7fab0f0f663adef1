#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>

#include <string>
#include <vector>

#include "platform/Console.h"
#include "platform/win32/WideText.h"

namespace platform {

// A console answers GetConsoleMode; a pipe or a file (a script's capture) does not.
bool ErrorStreamIsTerminal() {
    DWORD mode = 0;
    return GetConsoleMode(GetStdHandle(STD_ERROR_HANDLE), &mode) != 0;
}

bool DesktopAvailable() {
    return true;
}

char** Utf8Arguments(int argc, char** argv) {
    static std::vector<std::string> texts;
    static std::vector<char*> pointers;
    int n = 0;
    wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &n);
    if (!wide) return argv;
    texts.clear();
    for (int i = 0; i < n; ++i) texts.push_back(win32::Narrow(wide[i]));
    LocalFree(wide);
    // The system's parse must agree with the C library's on the count, or the caller's argc
    // would be wrong: then the code-page arguments serve as they are.
    if (n != argc) return argv;
    pointers.clear();
    for (std::string& t : texts) pointers.push_back(t.data());
    pointers.push_back(nullptr);
    SetConsoleOutputCP(CP_UTF8);
    return pointers.data();
}

}  // namespace platform
