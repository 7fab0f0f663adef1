#pragma once
// The Windows calls take UTF-16; the program's paths and texts are UTF-8 everywhere else.
#include <string>

namespace platform::win32 {

// UTF-8 to UTF-16; bytes that are not valid UTF-8 become U+FFFD.
std::wstring Widen(const std::string& utf8);
std::string Narrow(const std::wstring& utf16);
// The system's words for an error code (GetLastError), without the trailing line end.
std::string SystemMessage(unsigned long error);

}  // namespace platform::win32
