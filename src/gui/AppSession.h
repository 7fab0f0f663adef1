#pragma once
// The process-wide objects of the window program, made in their order and unmade in the
// reverse one: settings (with the single-instance lock), the text stores, the event hub and the
// application object. The settings are written last, when the session ends.
#include <memory>
#include <string>

#include "app/indEnviron.h"
#include "app/indMain.h"
#include "base/cmcEvMan.h"
#include "platform/FileSettingsStore.h"
#include "text/cmcGTex.h"

class AppSession {
  public:
    // dataFolder holds the overlay and initial files; settingsPath is the settings file. With
    // checkAfterFirstFrame the start image's warning check waits for the window's first frame
    // (the window runs it then), so that the window comes up sooner.
    AppSession(const std::string& dataFolder, const std::string& settingsPath, int screenWidth,
               int screenHeight, bool checkAfterFirstFrame = false);
    ~AppSession();
    AppSession(const AppSession&) = delete;
    AppSession& operator=(const AppSession&) = delete;

    // False for a second instance: it must leave at once, touching nothing.
    bool FirstInstance() const { return first_; }
    indMain& App() { return *app_; }
    indEnviron& Settings() { return *environ_; }

  private:
    platform::FileSettingsStore store_;
    std::unique_ptr<indEnviron> environ_;
    bool first_ = false;
    cmcGTex text_;
    cmcHelpGTex help_;
    std::unique_ptr<cmcEvMan> hub_;
    std::unique_ptr<indMain> app_;
};
