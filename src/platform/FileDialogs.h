#pragma once
// File open and save dialogs. Programs without a window install none: every dialog is then
// cancelled.
#include <optional>
#include <string>

namespace platform {

struct FileDialogRequest {
    std::string defaultExtension;  // without the dot
    std::string filter;            // "description|pattern", e.g. "Clone files (*.dat)|*.dat"
    std::string initialDirectory;
    std::string initialName;  // save dialogs only
};

class FileDialogs {
  public:
    virtual ~FileDialogs() = default;
    // An existing file chosen by the user, or nothing when cancelled.
    virtual std::optional<std::string> AskOpen(const FileDialogRequest& request) = 0;
    // A path to save to (overwriting already confirmed), or nothing when cancelled.
    virtual std::optional<std::string> AskSave(const FileDialogRequest& request) = 0;
};

FileDialogs& GetFileDialogs();
FileDialogs* InstallFileDialogs(FileDialogs* dialogs);

}  // namespace platform
