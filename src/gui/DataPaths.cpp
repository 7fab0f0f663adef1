#include "gui/DataPaths.h"

#include "platform/Folders.h"

namespace {

std::string& Folder() {
    static std::string folder = platform::ProgramFolder();
    return folder;
}

}  // namespace

void SetGuiDataFolder(const std::string& folder) {
    if (!folder.empty()) Folder() = folder;
}

const std::string& GuiDataFolder() {
    return Folder();
}
