#pragma once
// File names are bytes. Most are UTF-8, but a stick from an older system may hold Latin-1 names,
// and every such file must still open and be named readably.
#include <string>
#include <string_view>

namespace platform {

// A file name, or a text holding one, for the screen, as UTF-8: the bytes as they are when they
// are UTF-8, else each byte read as Latin-1 (what such names almost always are).
std::string ShownText(std::string_view bytes);

// A path that came through something that read its bytes as UTF-8 and put U+FFFD in place of
// what was not (a toolkit's file dialog, a file manager's link): the path on the disk it stands
// for when exactly one entry fits each such piece; else the path as it is.
std::string PathOnDisk(const std::string& path);

// The name as a reader that puts U+FFFD in place of what is not UTF-8 sees it, each run of such
// bytes (and each run of U+FFFD already there) as one U+FFFD: readers that replace byte by byte
// and those that replace whole runs give the same.
std::string FoldedName(std::string_view name);

}  // namespace platform
