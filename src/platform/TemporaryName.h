#pragma once
// Names for temporary files that no file has yet, shared by every system's atomic writes.
#include <string>

namespace platform {

// stem followed by six random letters and digits.
std::string FreshTemporaryName(const std::string& stem);

}  // namespace platform
