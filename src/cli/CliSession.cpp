#include "cli/CliSession.h"

#include "platform/DataFolder.h"
#include "platform/Folders.h"
#include "radio/cmcCellHost.h"

namespace cli {

std::string CliSession::DefaultDataFolder() {
    return {};
}

CliSession::CliSession(const std::string& dataFolder, bool assumeYes)
    : dataFolder_(platform::DataFolderOrStop(dataFolder)), prompter_(assumeYes) {
    text_.BindFile(platform::JoinPath(dataFolder_, "KELDA.OVL"));
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
