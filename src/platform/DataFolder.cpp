#include "platform/DataFolder.h"

#include <filesystem>

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

DataFolderCheck CheckDataFolder(const std::string& folder) {
    std::string reason;
    switch (KindOfPath(folder, &reason)) {
        case PathKind::Missing:
            return {DataFolderFault::NoSuchFolder, {}};
        case PathKind::Unknown:
            return {DataFolderFault::FolderUnreadable, reason};
        case PathKind::Folder:
            break;
        default:
            return {DataFolderFault::NotAFolder, {}};
    }
    FileReader marker;
    switch (marker.Open(JoinPath(folder, kDataMarkerFile))) {
        case FileStatus::Ok:
            break;
        case FileStatus::NotAFile:
            return {DataFolderFault::MarkerNotAFile, {}};
        default:
            if (KindOfPath(JoinPath(folder, kDataMarkerFile)) == PathKind::Missing)
                return {DataFolderFault::NoMarker, {}};
            return {DataFolderFault::MarkerUnreadable, marker.Reason()};
    }
    char byte = 0;
    if (marker.ReadAt(0, &byte, 1) != 1) return {DataFolderFault::MarkerEmpty, {}};
    return {};
}

std::string FindDataFolder(std::vector<DataFolderLook>* looked) {
    for (const std::string& folder : DataFolderCandidates(ProgramFolder())) {
        DataFolderCheck check = CheckDataFolder(folder);
        if (check.Usable()) return folder;
        if (looked) looked->push_back({folder, check});
    }
    return {};
}

}  // namespace platform
