#include "app/FileMessages.h"

#include "platform/Folders.h"
#include "platform/Prompt.h"
#include "radio/cmcClnFile.h"
#include "text/OverlayKeys.h"
#include "text/cmcGTex.h"

namespace {

const char* MessageKey(FileError code) {
    switch (code) {
        case FileError::kFileOpen:
            return keys::kMessFileErrFileOpen;
        case FileError::kFileAccess:
            return keys::kMessFileErrFileAccess;
        case FileError::kModel:
            return keys::kMessFileErrModel;
        case FileError::kExtra:
            return keys::kMessFileErrExtra;
        case FileError::kMapRev:
            return keys::kMessFileErrMapRev;
        case FileError::kFormat:
            return keys::kMessFileErrFormat;
        case FileError::kCoverage:
            return keys::kMessFileErrCoverage;
        case FileError::kData:
            return keys::kMessFileErrData;
        case FileError::kNewer:
            return keys::kMessFileErrNewer;
        default:
            return nullptr;
    }
}

void ShowWarning(const std::string& text) {
    platform::GetPrompter().Show(text, GTex().GetLine(keys::kSysAppTitle, 0),
                                 platform::PromptIcon::Warning, platform::PromptButtons::Ok);
}

}  // namespace

std::string FileErrorText(FileError code, const std::string& path) {
    const char* key = MessageKey(code);
    if (!key) return {};
    cmcGTex& tex = GTex();
    std::string text = tex.GetText(keys::kMessFileErrHeadline) + "\n\n" + tex.GetText(key);
    if (!path.empty()) text += "\n\n" + path;
    return text;
}

void ReportFileError(FileError code, const std::string& path) {
    const std::string text = FileErrorText(code, path);
    if (!text.empty()) ShowWarning(text);
}

std::string ReadErrorText(const std::string& path, FileError code, int mapRevision) {
    if (code == FileError::kMapRev && mapRevision < 0) {
        cmcGTex& tex = GTex();
        return tex.GetText(keys::kMessFileErrHeadline) + "\n\n" +
               tex.GetText(keys::kMessFileErrNoMapRev) + "\n\n" + path;
    }
    if (code == FileError::kFileOpen) {
        const platform::PathKind kind = platform::KindOfPath(path);
        if (kind == platform::PathKind::Folder || kind == platform::PathKind::Other) {
            cmcGTex& tex = GTex();
            return tex.GetText(keys::kMessFileErrHeadline) + "\n\n" +
                   tex.GetText(kind == platform::PathKind::Folder ? keys::kMessFileErrFolder
                                                                  : keys::kMessFileErrNotAFile) +
                   "\n\n" + path;
        }
    }
    return FileErrorText(code, path);
}

void ReportReadError(const std::string& path, FileError code, int mapRevision) {
    const std::string text = ReadErrorText(path, code, mapRevision);
    if (!text.empty()) ShowWarning(text);
}

// Not the reading headline: the file was not to be used but written.
std::string WriteErrorText(const std::string& path, const std::string& reason) {
    return GTex().GetText(keys::kMessFileErrCannotWrite) + "\n\n" + path + "\n" + reason;
}

void ReportWriteError(const std::string& path, const std::string& reason) {
    ShowWarning(WriteErrorText(path, reason));
}
