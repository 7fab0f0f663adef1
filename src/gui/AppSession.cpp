#include "gui/AppSession.h"

#include "gui/DataPaths.h"
#include "platform/InstanceLock.h"

namespace {

ServiceSetup SetupFor(std::string dataFolder, bool checkAfterFirstFrame) {
    ServiceSetup setup;
    setup.dataFolder = std::move(dataFolder);
    setup.checkAfterFirstFrame = checkAfterFirstFrame;
    return setup;
}

}  // namespace

AppSession::AppSession(ServiceSetup setup, const std::string& settingsPath, int screenWidth,
                       int screenHeight)
    : store_(settingsPath) {
    setup.settings = [this, screenWidth, screenHeight] {
        return std::make_unique<indEnviron>(indEnviron::kMutexName, indEnviron::kKeyPath,
                                            screenWidth, screenHeight, store_,
                                            platform::CreateInstanceLock());
    };
    services_ = WireServices(std::move(setup));
    if (services_->FirstInstance()) SetGuiDataFolder(services_->DataFolder());
}

AppSession::AppSession(const std::string& dataFolder, const std::string& settingsPath,
                       int screenWidth, int screenHeight, bool checkAfterFirstFrame)
    : AppSession(SetupFor(dataFolder, checkAfterFirstFrame), settingsPath, screenWidth,
                 screenHeight) {}
