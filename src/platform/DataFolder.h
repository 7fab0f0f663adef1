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

// What keeps a folder from serving as data folder.
enum class DataFolderFault {
    None,
    NoSuchFolder,
    FolderUnreadable,  // reason holds the system's words
    NotAFolder,
    MarkerNotAFile,
    NoMarker,
    MarkerUnreadable,  // reason holds the system's words
    MarkerEmpty,
};

struct DataFolderCheck {
    DataFolderFault fault = DataFolderFault::None;
    std::string reason;
    bool Usable() const { return fault == DataFolderFault::None; }
};

struct DataFolderLook {
    std::string folder;
    DataFolderCheck check;  // why it was not taken
};

// The folders searched, in order, for a program whose executable lies in programFolder.
std::vector<std::string> DataFolderCandidates(const std::string& programFolder);

// Whether folder can serve as data folder: it must exist, be a folder and hold a readable,
// non-empty overlay file.
DataFolderCheck CheckDataFolder(const std::string& folder);

// The first usable candidate of the running program, or "" with each place and its fault in
// *looked.
std::string FindDataFolder(std::vector<DataFolderLook>* looked = nullptr);

}  // namespace platform
