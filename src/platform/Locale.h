#pragma once
// The user's locale as the environment names it ("ja_JP.UTF-8", "de_DE@euro"), for the parts
// that pick a code page or a font by language.
#include <string>

namespace platform {

// The locale in force for a category ("LC_CTYPE", "LC_MESSAGES"): LC_ALL, then the category,
// then LANG, as the C library reads them; empty when none is set.
std::string LocaleName(const char* category);

}  // namespace platform
