#include "app/DataFolderMessages.h"

#include "platform/Fatal.h"

using platform::DataFolderFault;

std::string DataFolderProblemText(const platform::DataFolderCheck& check) {
    const std::string marker = platform::kDataMarkerFile;
    switch (check.fault) {
        case DataFolderFault::None:
            return {};
        case DataFolderFault::NoSuchFolder:
            return "no such folder";
        case DataFolderFault::FolderUnreadable:
            return "cannot be read (" + check.reason + ")";
        case DataFolderFault::NotAFolder:
            return "not a folder";
        case DataFolderFault::MarkerNotAFile:
            return marker + " is not a file";
        case DataFolderFault::NoMarker:
            return "no " + marker;
        case DataFolderFault::MarkerUnreadable:
            return marker + " cannot be read (" + check.reason + ")";
        case DataFolderFault::MarkerEmpty:
            return marker + " is empty or cannot be read";
    }
    return "cannot be used";
}

std::string DataFolderMessage(const std::vector<platform::DataFolderLook>& looked, bool given) {
    std::string text = given ? "The data folder given with --data cannot be used:\n"
                             : "KELDA cannot find its data files (KELDA.OVL, the initial files "
                               "and the help pages). It looked in:\n";
    for (const platform::DataFolderLook& look : looked)
        text += "  " + look.folder + ": " + DataFolderProblemText(look.check) + "\n";
    text += given ? "Name the folder that holds KELDA.OVL."
                  : "Install KELDA again, or name the data folder with --data DIR.";
    return text;
}

std::string DataFolderOrStop(const std::string& given) {
    std::vector<platform::DataFolderLook> looked;
    if (!given.empty()) {
        platform::DataFolderCheck check = platform::CheckDataFolder(given);
        if (check.Usable()) return given;
        looked.push_back({given, check});
        platform::FatalStop(DataFolderMessage(looked, true));
    }
    std::string folder = platform::FindDataFolder(&looked);
    if (folder.empty()) platform::FatalStop(DataFolderMessage(looked, false));
    return folder;
}
