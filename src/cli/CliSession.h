#pragma once
// Everything a kelda-cli command runs on, wired by WireServices: the overlay text stores of the
// data folder, the event hub, default settings (never saved), prompts on stderr, the choice
// table, and the application object with the factory image of the start model. No
// single-instance lock: scripts may run while the window is open.
#include <memory>
#include <string>

#include "app/Services.h"
#include "platform/Prompt.h"

namespace cli {

class CliSession {
  public:
    // dataFolder: where KELDA.OVL and the initial files lie; empty to search the usual places.
    // Without a usable data folder the program stops with status 3, naming where it looked.
    // deviceWrapper wraps every serial device made (the link log), or nullptr.
    explicit CliSession(const std::string& dataFolder, bool assumeYes = false,
                        platform::SerialDeviceWrapper deviceWrapper = nullptr);
    CliSession(const CliSession&) = delete;
    CliSession& operator=(const CliSession&) = delete;

    indMain& App() { return services_->App(); }
    const std::string& DataFolder() const { return services_->DataFolder(); }
    void SetAssumeYes(bool yes) { prompter_.SetAssumeYes(yes); }

    // Delivers posted events (the window's hub task would do it every 10 ms).
    void DrainEvents();

    // Empty: the data folder is searched beside the executable, then in the installed share
    // folder.
    static std::string DefaultDataFolder();

  private:
    platform::StderrPrompter prompter_;
    std::unique_ptr<Services> services_;
};

}  // namespace cli
