#include "platform/DataFolder.h"

#include <filesystem>

#include "platform/Fatal.h"
#include "platform/FileReader.h"
#include "platform/Folders.h"

// The install rules define where the share folder lies relative to the programs' folder.
#ifndef KELDA_DATA_FROM_BIN
#define KELDA_DATA_FROM_BIN "../share/kelda"
#endif

namespace platform {

std::vector<std::string> DataFolderCandidates(const std::string& programFolder) {
    std::vector<std::string> folders = {programFolder};
    // Paths are UTF-8; the char8_t forms keep them so on Windows too.
    const std::u8string folder(programFolder.begin(), programFolder.end());
    const std::u8string normal =
        (std::filesystem::path(folder) / KELDA_DATA_FROM_BIN).lexically_normal().u8string();
    std::string shared(normal.begin(), normal.end());
    while (shared.size() > 1 && (shared.back() == '/' || shared.back() == '\\')) shared.pop_back();
    if (shared != programFolder) folders.push_back(shared);
    return folders;
}

std::string DataFolderProblem(const std::string& folder) {
    std::string reason;
    switch (KindOfPath(folder, &reason)) {
        case PathKind::Missing:
            return "no such folder";
        case PathKind::Unknown:
            return "cannot be read (" + reason + ")";
        case PathKind::Folder:
            break;
        default:
            return "not a folder";
    }
    FileReader marker;
    switch (marker.Open(JoinPath(folder, kDataMarkerFile))) {
        case FileStatus::Ok:
            break;
        case FileStatus::NotAFile:
            return std::string(kDataMarkerFile) + " is not a file";
        default:
            if (KindOfPath(JoinPath(folder, kDataMarkerFile)) == PathKind::Missing)
                return std::string("no ") + kDataMarkerFile;
            return std::string(kDataMarkerFile) + " cannot be read (" + marker.Reason() + ")";
    }
    char byte = 0;
    if (marker.ReadAt(0, &byte, 1) != 1)
        return std::string(kDataMarkerFile) + " is empty or cannot be read";
    return {};
}

std::string FindDataFolder(std::vector<DataFolderLook>* looked) {
    for (const std::string& folder : DataFolderCandidates(ProgramFolder())) {
        std::string problem = DataFolderProblem(folder);
        if (problem.empty()) return folder;
        if (looked) looked->push_back({folder, problem});
    }
    return {};
}

std::string DataFolderMessage(const std::vector<DataFolderLook>& looked, bool given) {
    std::string text = given ? "The data folder given with --data cannot be used:\n"
                             : "KELDA cannot find its data files (KELDA.OVL, the initial files "
                               "and the help pages). It looked in:\n";
    for (const DataFolderLook& look : looked)
        text += "  " + look.folder + ": " + look.problem + "\n";
    text += given ? "Name the folder that holds KELDA.OVL."
                  : "Install KELDA again, or name the data folder with --data DIR.";
    return text;
}

std::string DataFolderOrStop(const std::string& given) {
    std::vector<DataFolderLook> looked;
    if (!given.empty()) {
        std::string problem = DataFolderProblem(given);
        if (problem.empty()) return given;
        looked.push_back({given, problem});
        FatalStop(DataFolderMessage(looked, true));
    }
    std::string folder = FindDataFolder(&looked);
    if (folder.empty()) FatalStop(DataFolderMessage(looked, false));
    return folder;
}

}  // namespace platform
