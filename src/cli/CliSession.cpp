#include "cli/CliSession.h"

namespace cli {

std::string CliSession::DefaultDataFolder() {
    return {};
}

CliSession::CliSession(const std::string& dataFolder, bool assumeYes,
                       platform::SerialDeviceWrapper deviceWrapper)
    : prompter_(assumeYes) {
    ServiceSetup setup;
    setup.dataFolder = dataFolder;
    setup.prompter = &prompter_;
    setup.serialDeviceWrapper = deviceWrapper;
    services_ = WireServices(std::move(setup));
}

void CliSession::DrainEvents() {
    cmcEvMan& hub = services_->Hub();
    for (int pass = 0; pass < 8 && hub.QueuedCount() > 0; ++pass) hub.Pass();
}

}  // namespace cli
