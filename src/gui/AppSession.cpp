#include "gui/AppSession.h"

#include "gui/DataPaths.h"
#include "platform/Folders.h"
#include "platform/InstanceLock.h"
#include "radio/cmcCellHost.h"

AppSession::AppSession(const std::string& dataFolder, const std::string& settingsPath,
                       int screenWidth, int screenHeight, bool checkAfterFirstFrame)
    : store_(settingsPath) {
    environ_ =
        std::make_unique<indEnviron>(indEnviron::kMutexName, indEnviron::kKeyPath, screenWidth,
                                     screenHeight, store_, platform::CreateInstanceLock());
    first_ = environ_->IsFirstInstance();
    if (!first_) return;
    InstallEnviron(environ_.get());
    SetGuiDataFolder(dataFolder);
    text_.BindFile(platform::JoinPath(dataFolder, "KELDA.OVL"));
    help_.BindFile(platform::JoinPath(dataFolder, "KELDAH.OVL"));
    InstallGTex(&text_);
    InstallHelpGTex(&help_);
    hub_ = std::make_unique<cmcEvMan>();
    InstallEvMan(hub_.get());
    app_ = std::make_unique<indMain>();
    app_->Model().SetInitialFolder(dataFolder);
    InstallCellHost(app_.get());
    app_->LoadStartImage();
    if (checkAfterFirstFrame) app_->DeferNextWarningCheck();
    app_->BuildTree();
}

AppSession::~AppSession() {
    if (!first_) return;
    InstallCellHost(nullptr);
    app_.reset();
    InstallEvMan(nullptr);
    hub_.reset();
    InstallHelpGTex(nullptr);
    InstallGTex(nullptr);
    InstallEnviron(nullptr);
    environ_.reset();  // writes the settings, then releases the lock
}
