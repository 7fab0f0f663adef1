#include "platform/DataFolder.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "platform/Fatal.h"
#include "platform/Folders.h"

// The install rules define where the share folder lies relative to the programs' folder.
#ifndef KELDA_DATA_FROM_BIN
#define KELDA_DATA_FROM_BIN "../share/kelda"
#endif

namespace platform {
namespace {

std::string Reason(int err) {
    return std::strerror(err);
}

}  // namespace

std::vector<std::string> DataFolderCandidates(const std::string& programFolder) {
    std::vector<std::string> folders = {programFolder};
    std::string shared =
        (std::filesystem::path(programFolder) / KELDA_DATA_FROM_BIN).lexically_normal().string();
    while (shared.size() > 1 && shared.back() == '/') shared.pop_back();
    if (shared != programFolder) folders.push_back(shared);
    return folders;
}

std::string DataFolderProblem(const std::string& folder) {
    struct stat st {};
    if (stat(folder.c_str(), &st) != 0)
        return errno == ENOENT ? "no such folder" : "cannot be read (" + Reason(errno) + ")";
    if (!S_ISDIR(st.st_mode)) return "not a folder";
    const std::string marker = JoinPath(folder, kDataMarkerFile);
    int fd = open(marker.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT) return std::string("no ") + kDataMarkerFile;
        return std::string(kDataMarkerFile) + " cannot be read (" + Reason(errno) + ")";
    }
    std::string problem;
    char byte = 0;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))
        problem = std::string(kDataMarkerFile) + " is not a file";
    else if (read(fd, &byte, 1) != 1)
        problem = std::string(kDataMarkerFile) + " is empty or cannot be read";
    close(fd);
    return problem;
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
