#pragma once
// Reading the shipped overlay files as they lie in the source tree, for the tests of data/.
#include <map>
#include <string>
#include <vector>

namespace shipped {

std::string OverlayPath();      // data/overlay/KELDA.OVL
std::string HelpOverlayPath();  // data/overlay/KELDAH.OVL
std::string HelpFolder();       // data/help

// The file's lines (line ends removed) up to and including "#End_Of_Ovl".
std::vector<std::string> ReadLines(const std::string& path);

// Entry key -> body lines, for every entry before the end marker (first entry of a key wins).
std::map<std::string, std::vector<std::string>> Entries(const std::vector<std::string>& lines);

// Body lines of an entry up to its first line that starts with '#'.
std::vector<std::string> ListLines(const std::map<std::string, std::vector<std::string>>& entries,
                                   const std::string& key);

}  // namespace shipped
