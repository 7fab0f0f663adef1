#include "app/FileMessages.h"

#include "platform/Folders.h"
#include "platform/Prompt.h"
#include "radio/cmcClnFile.h"
#include "text/OverlayKeys.h"
#include "text/cmcGTex.h"

namespace {

const char* MessageKey(int code) {
    switch (code) {
        case FileErr_FileOpen:
            return keys::kMessFileErrFileOpen;
        case FileErr_FileAccess:
            return keys::kMessFileErrFileAccess;
        case FileErr_Model:
            return keys::kMessFileErrModel;
        case FileErr_Extra:
            return keys::kMessFileErrExtra;
        case FileErr_MapRev:
            return keys::kMessFileErrMapRev;
        case FileErr_Format:
            return keys::kMessFileErrFormat;
        case FileErr_Coverage:
            return keys::kMessFileErrCoverage;
        case FileErr_Data:
            return keys::kMessFileErrData;
        case FileErr_Newer:
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

std::string FileErrorText(int code, const std::string& path) {
    const char* key = MessageKey(code);
    if (!key) return {};
    cmcGTex& tex = GTex();
    std::string text = tex.GetText(keys::kMessFileErrHeadline) + "\n\n" + tex.GetText(key);
    if (!path.empty()) text += "\n\n" + path;
    return text;
}

void ReportFileError(int code, const std::string& path) {
    const std::string text = FileErrorText(code, path);
    if (!text.empty()) ShowWarning(text);
}

std::string ReadErrorText(const std::string& path, int code, int mapRevision) {
    if (code == FileErr_MapRev && mapRevision < 0) {
        cmcGTex& tex = GTex();
        return tex.GetText(keys::kMessFileErrHeadline) + "\n\n" +
               tex.GetText(keys::kMessFileErrNoMapRev) + "\n\n" + path;
    }
    if (code == FileErr_FileOpen) {
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

void ReportReadError(const std::string& path, int code, int mapRevision) {
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
