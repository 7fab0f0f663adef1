#pragma once
// The process-wide services of every program, made once by WireServices and put back as they
// were when the object goes: the program's own platform parts (clock, prompts, file dialogs,
// fatal stop box, serial device wrapper), then the settings, the overlay text stores of the data
// folder, the event hub and the application object with the factory image of the start model.
// kelda, kelda --print, kelda-cli and the tests all start through it; the lower layers reach each
// service through its accessor (GTex(), Environ(), EvMan(), GetClock(), ...), which stay what they
// were.
//
// A test that needs one double rather than a whole program installs it with ScopedInstall
// (base/ScopedInstall.h), which restores the service before it on any exit.
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "app/indEnviron.h"
#include "app/indMain.h"
#include "base/ScopedInstall.h"
#include "base/cmcEvMan.h"
#include "platform/Clock.h"
#include "platform/Fatal.h"
#include "platform/FileDialogs.h"
#include "platform/Prompt.h"
#include "platform/SerialDevice.h"
#include "radio/CellDispatchHost.h"
#include "text/cmcGTex.h"

// What differs between the programs. A part left empty leaves what is installed, at first the
// core's own: the run loop's clock, prompts on stderr, no file dialogs, the stop message on
// stderr, serial devices as the system makes them (tests install their doubles before wiring).
struct ServiceSetup {
    // The folder of KELDA.OVL and the initial files; empty to search the usual places. Without
    // a usable one the program stops with status 3 (through the fatal presenter given here).
    std::string dataFolder;
    platform::Clock* clock = nullptr;
    platform::Prompter* prompter = nullptr;
    platform::FileDialogs* fileDialogs = nullptr;
    platform::FatalPresenter fatalPresenter = nullptr;
    // Wraps every serial device made, e.g. in the link log of kelda-cli --log.
    platform::SerialDeviceWrapper serialDeviceWrapper = nullptr;
    // Makes the program's settings (taking the single-instance lock); empty for defaults that
    // are never loaded or saved. When the settings say this is not the first instance, nothing
    // after them is made.
    std::function<std::unique_ptr<indEnviron>()> settings;
    // The start image's warning check waits for the window's first frame (the window runs it).
    bool checkAfterFirstFrame = false;
};

class Services {
  public:
    ~Services();
    Services(const Services&) = delete;
    Services& operator=(const Services&) = delete;

    // False for a second instance of the window program: it must leave at once, touching
    // nothing; then only the platform parts and the main text store are installed.
    bool FirstInstance() const { return app_ != nullptr; }
    const std::string& DataFolder() const { return dataFolder_; }
    indMain& App() { return *app_; }
    indEnviron& Settings() { return *settings_; }
    cmcEvMan& Hub() { return *hub_; }

  private:
    friend std::unique_ptr<Services> WireServices(ServiceSetup setup);
    explicit Services(ServiceSetup& setup);

    // Members are made in this order and unmade in the reverse one; each guard puts back what
    // was installed before it.
    std::optional<ScopedInstall<platform::InstallClock>> clock_;
    std::optional<ScopedInstall<platform::InstallPrompter>> prompter_;
    std::optional<ScopedInstall<platform::InstallFileDialogs>> fileDialogs_;
    std::optional<ScopedInstall<platform::InstallFatalPresenter>> fatalPresenter_;
    std::optional<ScopedInstall<platform::InstallSerialDeviceWrapper>> serialDeviceWrapper_;
    std::string dataFolder_;
    std::unique_ptr<indEnviron> settings_;  // written when it goes, after everything above it
    std::optional<ScopedInstall<InstallEnviron>> settingsSlot_;
    cmcGTex text_;
    cmcHelpGTex help_;
    std::optional<ScopedInstall<InstallGTex>> textSlot_;
    std::optional<ScopedInstall<InstallHelpGTex>> helpSlot_;
    // Made once the clock is installed: its queue runs on a timer of that clock.
    std::optional<cmcEvMan> hub_;
    std::optional<ScopedInstall<InstallEvMan>> hubSlot_;
    std::unique_ptr<indMain> app_;
    std::optional<ScopedInstall<InstallCellHost>> appSlot_;
};

// The one wiring function of every program and of the tests that run a whole program.
std::unique_ptr<Services> WireServices(ServiceSetup setup);
