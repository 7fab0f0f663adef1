#pragma once
// The process-wide objects of the window program, wired by WireServices with the window's own
// parts: settings in the settings file (with the single-instance lock), the text stores, the
// event hub and the application object, unmade in the reverse order. The settings are written
// last, when the session ends.
#include <memory>
#include <string>

#include "app/Services.h"
#include "platform/FileSettingsStore.h"

class AppSession {
  public:
    // setup: the window's platform parts and the data folder; the settings come from the file
    // settingsPath, their default window rectangle from the screen size.
    AppSession(ServiceSetup setup, const std::string& settingsPath, int screenWidth,
               int screenHeight);
    // The installed platform parts are kept. With checkAfterFirstFrame the start image's warning
    // check waits for the window's first frame (the window runs it then).
    AppSession(const std::string& dataFolder, const std::string& settingsPath, int screenWidth,
               int screenHeight, bool checkAfterFirstFrame = false);
    AppSession(const AppSession&) = delete;
    AppSession& operator=(const AppSession&) = delete;

    // False for a second instance: it must leave at once, touching nothing.
    bool FirstInstance() const { return services_->FirstInstance(); }
    indMain& App() { return services_->App(); }
    indEnviron& Settings() { return services_->Settings(); }

  private:
    platform::FileSettingsStore store_;
    std::unique_ptr<Services> services_;
};
