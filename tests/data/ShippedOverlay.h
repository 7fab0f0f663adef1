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

#include <set>

class cmcGTex;

namespace shipped {

// Keys of every sheet and chooser (entries K with a K_Cells entry).
std::vector<std::string> SheetKeys(const std::map<std::string, std::vector<std::string>>& entries);

// Every label bound in any cell of the sheets, built for every model and both channel views.
// The store must be installed as the program's store (cell models are read from it).
std::set<int> LabelsInSheets(cmcGTex& store, const std::vector<std::string>& sheetKeys);

}  // namespace shipped
