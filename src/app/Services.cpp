#include "app/Services.h"

#include "app/DataFolderMessages.h"
#include "platform/DataFolder.h"
#include "platform/Folders.h"

std::unique_ptr<Services> WireServices(ServiceSetup setup) {
    return std::unique_ptr<Services>(new Services(setup));
}

Services::Services(ServiceSetup& setup) {
    // The platform parts first: finding the data folder may already need the stop box.
    if (setup.clock) clock_.emplace(setup.clock);
    if (setup.prompter) prompter_.emplace(setup.prompter);
    if (setup.fileDialogs) fileDialogs_.emplace(setup.fileDialogs);
    if (setup.fatalPresenter) fatalPresenter_.emplace(setup.fatalPresenter);
    if (setup.serialDeviceWrapper) serialDeviceWrapper_.emplace(setup.serialDeviceWrapper);
    hub_.emplace();
    dataFolder_ = DataFolderOrStop(setup.dataFolder);

    const bool ownSettings = static_cast<bool>(setup.settings);
    settings_ = ownSettings ? setup.settings() : std::make_unique<indEnviron>();
    // A second instance still has texts: it tells why the running one did not take its file.
    text_.BindFile(platform::JoinPath(dataFolder_, "KELDA.OVL"));
    textSlot_.emplace(&text_);
    if (ownSettings && !settings_->IsFirstInstance()) return;
    settingsSlot_.emplace(settings_.get());
    help_.BindFile(platform::JoinPath(dataFolder_, "KELDAH.OVL"));
    helpSlot_.emplace(&help_);
    hubSlot_.emplace(&*hub_);
    app_ = std::make_unique<indMain>();
    app_->Model().SetInitialFolder(dataFolder_);
    appSlot_.emplace(app_.get());
    app_->LoadStartImage();
    if (setup.checkAfterFirstFrame) app_->DeferNextWarningCheck();
    app_->BuildTree();
}

// The members go in the reverse order: the application object while everything it uses is still
// installed, the settings (written then) after it, the platform parts last.
Services::~Services() = default;
