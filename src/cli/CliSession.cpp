#include "cli/CliSession.h"

#include <sys/stat.h>

#include "cli/CliArgs.h"
#include "platform/Folders.h"
#include "radio/cmcCellHost.h"

namespace cli {

namespace {

bool IsFile(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

}  // namespace

std::string CliSession::DefaultDataFolder() {
    return platform::ProgramFolder();
}

CliSession::CliSession(const std::string& dataFolder, bool assumeYes)
    : dataFolder_(dataFolder), prompter_(assumeYes) {
    const std::string overlay = platform::JoinPath(dataFolder_, "KELDA.OVL");
    if (!IsFile(overlay)) throw UsageError{"no overlay file " + overlay + " (see --data)"};
    text_.BindFile(overlay);
    help_.BindFile(platform::JoinPath(dataFolder_, "KELDAH.OVL"));
    InstallGTex(&text_);
    InstallHelpGTex(&help_);
    InstallEvMan(&hub_);
    InstallEnviron(&environ_);
    platform::InstallPrompter(&prompter_);

    app_ = std::make_unique<indMain>();
    app_->Model().SetInitialFolder(dataFolder_);
    InstallCellHost(app_.get());
    app_->LoadStartImage();
    app_->BuildTree();
}

CliSession::~CliSession() {
    InstallCellHost(nullptr);
    app_.reset();
    platform::InstallPrompter(nullptr);
    InstallEnviron(nullptr);
    InstallEvMan(nullptr);
    InstallHelpGTex(nullptr);
    InstallGTex(nullptr);
}

void CliSession::DrainEvents() {
    for (int pass = 0; pass < 8 && hub_.QueuedCount() > 0; ++pass) hub_.Pass();
}

}  // namespace cli
