#include "app/InstanceHandoff.h"

#include <cctype>

#include "app/FileMessages.h"
#include "app/cuiMain.h"
#include "comm/indCloneMan.h"
#include "platform/Folders.h"
#include "radio/cmcEeprom.h"
#include "text/OverlayFormat.h"
#include "text/OverlayKeys.h"
#include "text/cmcGTex.h"

namespace {

constexpr const char kOpen[] = "KELDA OPEN\n";
constexpr const char kShow[] = "KELDA SHOW\n";
constexpr const char kTaken[] = "TAKEN\n";
constexpr const char kOpened[] = "OPENED\n";
constexpr const char kRefused[] = "REFUSED\n";

bool StartsWith(const std::string& s, const char* prefix) {
    return s.rfind(prefix, 0) == 0;
}

std::string Line(int n, const std::string& path) {
    return FormatOverlay(GTex().GetLine(keys::kMessHandoff, n), {path});
}

}  // namespace

std::string EncodeHandoffRequest(const HandoffRequest& request) {
    return request.path.empty() ? std::string(kShow) : kOpen + request.path;
}

std::optional<HandoffRequest> DecodeHandoffRequest(const std::string& message) {
    if (message.size() > kMaxHandoffMessage) return std::nullopt;
    if (message == kShow) return HandoffRequest{};
    if (!StartsWith(message, kOpen)) return std::nullopt;
    HandoffRequest request{message.substr(sizeof kOpen - 1)};
    // Only a whole absolute path: the running window has another working folder.
    if (!platform::IsAbsolutePath(request.path) || request.path.find('\0') != std::string::npos)
        return std::nullopt;
    return request;
}

std::string EncodeHandoffAnswer(const HandoffAnswer& answer) {
    switch (answer.kind) {
        case HandoffAnswer::kTaken:
            return kTaken;
        case HandoffAnswer::kOpened:
            return kOpened;
        case HandoffAnswer::kRefused:
            break;
    }
    return kRefused + answer.reason;
}

std::optional<HandoffAnswer> DecodeHandoffAnswer(const std::string& message) {
    if (message.size() > kMaxHandoffMessage) return std::nullopt;
    if (message == kTaken) return HandoffAnswer{HandoffAnswer::kTaken, {}};
    if (message == kOpened) return HandoffAnswer{HandoffAnswer::kOpened, {}};
    if (StartsWith(message, kRefused))
        return HandoffAnswer{HandoffAnswer::kRefused, message.substr(sizeof kRefused - 1)};
    return std::nullopt;
}

std::vector<std::string> CommandLineFiles(const std::vector<std::string>& arguments) {
    std::vector<std::string> files;
    for (size_t i = 1; i < arguments.size(); ++i) {
        const std::string& a = arguments[i];
        if (a == "--data" || a == "--device") {
            ++i;
            continue;
        }
        std::string lower = a;
        for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        if (lower == "/svcmode") continue;
        files.push_back(a);
    }
    return files;
}

std::string HandedPath(const std::string& argument, const std::string& startFolder) {
    if (argument.empty() || platform::IsAbsolutePath(argument)) return argument;
    std::string path = argument;
    while (path.rfind("./", 0) == 0 || path.rfind(".\\", 0) == 0) path.erase(0, 2);
    return platform::JoinPath(startFolder, path);
}

HandoffAnswer TakeHandedFile(cuiMain& app, const HandoffRequest& request, bool windowBusy) {
    if (request.path.empty()) return {HandoffAnswer::kOpened, {}};
    // The user is in the middle of something (a clone run, printing, a question): a document
    // must not change under it.
    if (windowBusy || app.CloneMan().IsBusy())
        return {HandoffAnswer::kRefused, Line(0, request.path)};
    // A file that cannot be used is said at once, without asking about unsaved changes first.
    cmcEeprom image;
    image.Assign(app.Working());
    if (FileError code = app.ReadDocumentFile(request.path, image); code != FileError::kNone)
        return {HandoffAnswer::kRefused, FileErrorText(code, request.path)};
    if (app.OpenFile(request.path) == 0) return {HandoffAnswer::kOpened, {}};
    if (FileError code = app.LastFileError(); code != FileError::kNone)
        return {HandoffAnswer::kRefused, FileErrorText(code, request.path)};
    return {HandoffAnswer::kRefused, Line(1, request.path)};
}

std::string HandoffNoAnswerText(const std::string& path) {
    return path.empty() ? GTex().GetLine(keys::kMessHandoff, 4) : Line(2, path);
}

std::string HandoffClosedText(const std::string& path) {
    return path.empty() ? GTex().GetLine(keys::kMessHandoff, 4) : Line(3, path);
}
