#pragma once
// Where the programs find their data (overlay files, initial files, help pages): beside the
// executable, as in the build tree, else in the share folder of the prefix the program is
// installed in. The share folder is found relative to the executable, so a prefix that was
// moved or unpacked elsewhere still works.
#include <string>
#include <vector>

namespace platform {

// The file that makes a folder a data folder.
inline constexpr char kDataMarkerFile[] = "KELDA.OVL";

struct DataFolderLook {
    std::string folder;
    std::string problem;  // why it was not taken; empty when usable
};

// The folders searched, in order, for a program whose executable lies in programFolder.
std::vector<std::string> DataFolderCandidates(const std::string& programFolder);

// Why folder cannot serve as data folder ("" when it can): missing, not a folder, no overlay
// file, or an overlay file that cannot be read.
std::string DataFolderProblem(const std::string& folder);

// The first usable candidate of the running program, or "" with each place and its problem in
// *looked.
std::string FindDataFolder(std::vector<DataFolderLook>* looked = nullptr);

// The text that names every place looked at and what was wrong there.
std::string DataFolderMessage(const std::vector<DataFolderLook>& looked, bool given);

// The data folder the program runs on: `given` (from --data) when not empty, else the first
// usable candidate. A start without usable data is fatal (status 3) with DataFolderMessage.
std::string DataFolderOrStop(const std::string& given);

}  // namespace platform
