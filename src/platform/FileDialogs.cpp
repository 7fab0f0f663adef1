#include "platform/FileDialogs.h"

#include <utility>

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

FileDialogs* InstallFileDialogs(FileDialogs* dialogs) {
    return std::exchange(gDialogs, dialogs);
}

}  // namespace platform
