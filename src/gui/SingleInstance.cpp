#include "gui/SingleInstance.h"

#include <QTimer>
#include <cstdio>

#include "app/InstanceHandoff.h"
#include "app/indEnviron.h"
#include "app/indMain.h"
#include "gui/MainStatusBar.h"
#include "gui/TForm1.h"
#include "platform/FileNames.h"
#include "platform/Folders.h"
#include "platform/InstanceLock.h"
#include "platform/Prompt.h"
#include "platform/qt/QtInstanceChannel.h"
#include "text/OverlayKeys.h"
#include "text/cmcGTex.h"

namespace {

// The running window may still be starting (it takes the lock before it listens).
constexpr int kConnectMs = 5000;
// It answers at once that it has the request; the user's answer to its question may take long.
constexpr int kFirstAnswerMs = 5000;

std::string ChannelName() {
    return platform::InstanceChannelName(indEnviron::kMutexName);
}

}  // namespace

int HandOverToRunningWindow(const std::vector<std::string>& arguments) {
    const std::vector<std::string> files = CommandLineFiles(arguments);
    if (files.size() > 1) {
        std::fprintf(stderr, "kelda: %s\n", GTex().GetLine(keys::kMessOneFileOnly, 0).c_str());
        return kHandoffExitUsage;
    }
    HandoffRequest request;
    if (!files.empty())
        request.path = platform::PathOnDisk(HandedPath(files[0], platform::CurrentFolder()));
    std::optional<HandoffAnswer> last;
    const platform::ExchangeResult result = platform::ExchangeWithInstance(
        ChannelName(), EncodeHandoffRequest(request), kMaxHandoffMessage, kConnectMs,
        kFirstAnswerMs, [&last](const std::string& message) {
            last = DecodeHandoffAnswer(message);
            return !last || last->kind != HandoffAnswer::kTaken;
        });
    if (result == platform::ExchangeResult::kDone && last && last->kind == HandoffAnswer::kOpened)
        return kHandoffExitTaken;
    if (result == platform::ExchangeResult::kDone && last) {
        std::fprintf(stderr, "kelda: %s\n", last->reason.c_str());
        return kHandoffExitRefused;
    }
    const bool closed = result == platform::ExchangeResult::kClosed;
    const std::string why =
        closed ? HandoffClosedText(request.path) : HandoffNoAnswerText(request.path);
    std::fprintf(stderr, "kelda: %s\n", why.c_str());
    // Started from a file manager, nobody reads stderr.
    platform::GetPrompter().Show(why, GTex().GetLine(keys::kSysAppTitle, 0),
                                 platform::PromptIcon::Error, platform::PromptButtons::Ok);
    return kHandoffExitNoAnswer;
}

HandoffListener::HandoffListener(TForm1& window, indMain& app) {
    server_ = std::make_unique<platform::InstanceChannelServer>(
        ChannelName(), kMaxHandoffMessage,
        [&window, &app](const std::string& message,
                        const platform::InstanceChannelServer::Reply& reply) {
            const std::optional<HandoffRequest> request = DecodeHandoffRequest(message);
            if (!request) {
                reply(EncodeHandoffAnswer({HandoffAnswer::kRefused, {}}), true);
                return;
            }
            reply(EncodeHandoffAnswer({HandoffAnswer::kTaken, {}}), false);
            window.BringToFront();
            // Out of the channel's own call: the question about unsaved changes runs a loop.
            QTimer::singleShot(0, &window, [&window, &app, request = *request, reply] {
                const HandoffAnswer answer = TakeHandedFile(app, request, window.Busy());
                if (answer.kind == HandoffAnswer::kRefused && window.Busy())
                    ShowStatusMessage(answer.reason);
                reply(EncodeHandoffAnswer(answer), true);
            });
        });
}

HandoffListener::~HandoffListener() = default;

std::string HandoffListener::Listen() {
    return server_->Listen();
}
