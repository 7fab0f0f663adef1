#include "platform/FileDialogs.h"

namespace platform {
namespace {

class NoDialogs : public FileDialogs {
  public:
    std::optional<std::string> AskOpen(const FileDialogRequest&) override { return std::nullopt; }
    std::optional<std::string> AskSave(const FileDialogRequest&) override { return std::nullopt; }
};

FileDialogs* gDialogs = nullptr;

}  // namespace

FileDialogs& GetFileDialogs() {
    static NoDialogs none;
    return gDialogs ? *gDialogs : none;
}

void InstallFileDialogs(FileDialogs* dialogs) {
    gDialogs = dialogs;
}

}  // namespace platform
