// kelda: the desktop programming tool.
#include <QApplication>
#include <cstdio>
#include <cstdlib>

#include "gui/TForm1.h"
#include "platform/Fatal.h"
#include "platform/qt/QtClock.h"
#include "platform/qt/QtPrompter.h"

namespace {

bool HasDisplay() {
    const char* platformName = std::getenv("QT_QPA_PLATFORM");
    if (platformName && *platformName) return true;
    const char* x = std::getenv("DISPLAY");
    const char* w = std::getenv("WAYLAND_DISPLAY");
    return (x && *x) || (w && *w);
}

}  // namespace

int main(int argc, char** argv) {
    if (!HasDisplay()) {
        std::fprintf(stderr,
                     "kelda: no display found (neither DISPLAY nor WAYLAND_DISPLAY is set).\n"
                     "KELDA is a desktop program and needs a graphical session.\n"
                     "On a machine without a screen, run it under a virtual display:\n"
                     "    xvfb-run -a %s\n"
                     "or use kelda-cli for work without a window.\n",
                     argv[0]);
        return 1;
    }
    QApplication app(argc, argv);
    platform::QtClock clock;
    platform::InstallClock(&clock);
    platform::QtPrompter prompter;
    platform::InstallPrompter(&prompter);
    platform::InstallFatalPresenter(&platform::QtPrompter::PresentFatal);

    TForm1 window;
    prompter.SetParent(&window);
    window.show();
    int rc = app.exec();
    platform::InstallPrompter(nullptr);
    platform::InstallClock(nullptr);
    return rc;
}
