// kelda: the desktop programming tool.
#include <QApplication>
#include <QGuiApplication>
#include <QScreen>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

#include "gui/AppSession.h"
#include "gui/IconSet.h"
#include "gui/MainStatusBar.h"
#include "gui/PrintCommand.h"
#include "gui/SingleInstance.h"
#include "gui/TForm1.h"
#include "platform/Console.h"
#include "platform/DataFolder.h"
#include "platform/Fatal.h"
#include "platform/Folders.h"
#include "platform/StandardOutput.h"
#include "platform/qt/FontWarmup.h"
#include "platform/qt/QtClock.h"
#include "platform/qt/QtFileDialogs.h"
#include "platform/qt/QtPrompter.h"
#include "text/OverlayFormat.h"
#include "text/OverlayKeys.h"
#include "text/cmcGTex.h"

namespace {

bool HasDisplay() {
    return platform::DesktopAvailable();
}

const char kUsage[] =
    "usage: kelda [--data DIR] [--device PATH] [/svcmode] [FILE]\n"
    "       kelda --print FILE --pdf OUT.pdf [--sheet KEY | --all] [--data DIR]\n"
    "The desktop tool of KELDA: read, edit, check and write the radio's memory.\n"
    "\n"
    "  FILE         open this clone file at start\n"
    "  --data DIR   the folder of KELDA.OVL, the initial files and the help pages (default:\n"
    "               beside the program, else ../share/kelda from the program's folder)\n"
    "  --device PATH  choose this serial device as the radio's port (it gets a port number)\n"
    "  /svcmode     start in manufacturer mode, after a caution question\n"
    "  --print FILE --pdf OUT.pdf  print the sheets of FILE to the PDF file OUT.pdf without a\n"
    "               window (no display needed); --sheet KEY prints one sheet (GI_Sheet_IntCh or\n"
    "               IntCh), --all or neither prints every sheet of the tree\n"
    "  --help       print this text\n"
    "While KELDA runs, a second start hands FILE to the running window, which comes to the\n"
    "front and opens it (after asking about unsaved changes), and ends at once.\n"
    "Exit status: 0 closed (a second start: the running window took FILE), 1 no display,\n"
    "2 a second start named more than one file, 3 fatal start-up error such as no usable\n"
    "data folder, 5 the running window did not take FILE (busy, the user kept the open\n"
    "document, the file cannot be used), 6 the running window does not answer.\n"
    "With --print: 0 written, 2 usage error, 3 no usable data folder, 4 no such sheet (or\n"
    "nothing printable), 10+n clone file error n, 11 the PDF cannot be written there, 12\n"
    "writing the PDF failed part way; on failure no PDF is left behind.\n";

// The folder named with --data DIR, or "" to search the usual places.
std::string GivenDataFolder(int argc, char** argv) {
    for (int i = 1; i + 1 < argc; ++i)
        if (std::string(argv[i]) == "--data") return argv[i + 1];
    return {};
}

// For the start-up benchmark (KELDA_QUIT_AFTER_FIRST_SHEET set): prints the monotonic clock when
// the first sheet has been painted, then ends the program.
class QuitAfterFirstSheet : public QObject {
  public:
    explicit QuitAfterFirstSheet(TForm1& window) : window_(window) {}
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (done_ || event->type() != QEvent::Paint || !watched->isWidgetType()) return false;
        SheetPane* sheet = window_.CurrentSheet();
        QWidget* w = static_cast<QWidget*>(watched);
        if (sheet && (w == sheet->Widget() || sheet->Widget()->isAncestorOf(w))) {
            done_ = true;
            QTimer::singleShot(0, &window_, [this] {
                timespec now{};
                clock_gettime(CLOCK_MONOTONIC, &now);
                timespec cpu{};
                clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &cpu);
                std::printf("first-sheet-painted %lld %lld\n",
                            static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec,
                            static_cast<long long>(cpu.tv_sec) * 1000000000LL + cpu.tv_nsec);
                std::fflush(stdout);
                window_.close();
            });
        }
        return false;
    }

  private:
    TForm1& window_;
    bool done_ = false;
};

// Ends the program's output: what was printed and lost is told and ends in status 12.
int FinishStandardOutput(int status) {
    std::string why;
    if (platform::FinishStandardOutput(why)) return status;
    std::fprintf(stderr, "kelda: writing to standard output failed: %s\n", why.c_str());
    return status == 0 ? 12 : status;
}

}  // namespace

int main(int argc, char** argv) {
    argv = platform::Utf8Arguments(argc, argv);
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--data" || a == "--device" || a == "--print" || a == "--pdf" || a == "--sheet")
            ++i;
        if (a == "--help" || a == "-h") {
            platform::WriteStandardOutput(kUsage);
            return FinishStandardOutput(0);
        }
    }
    if (IsPrintCommand(argc, argv)) return FinishStandardOutput(RunPrintCommand(argc, argv));
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
    QApplication qapp(argc, argv);
    // The font configuration is read on a second core while the data loads. Not before the
    // application object: making it may change the environment, which that reading consults.
    platform::StartFontWarmup();
    // Ties the window to the installed desktop entry (its icon and name) on Wayland.
    QGuiApplication::setDesktopFileName(QStringLiteral("com.vexa.kelda"));
    icons::DeferOverflowArrows();
    platform::QtClock clock;
    platform::QtPrompter prompter;
    platform::QtFileDialogs dialogs;
    QSize screen = QGuiApplication::primaryScreen()
                       ? QGuiApplication::primaryScreen()->availableSize()
                       : QSize(1024, 768);
    ServiceSetup setup;
    setup.dataFolder = GivenDataFolder(argc, argv);
    setup.clock = &clock;
    setup.prompter = &prompter;
    setup.fileDialogs = &dialogs;
    setup.fatalPresenter = &platform::QtPrompter::PresentFatal;
    setup.checkAfterFirstFrame = true;
    int rc = 0;
    {
        AppSession session(std::move(setup),
                           platform::JoinPath(platform::ConfigFolder(), "settings.conf"),
                           screen.width(), screen.height());
        const std::vector<std::string> arguments(argv, argv + argc);
        // A later start hands its file to the running window.
        if (!session.FirstInstance()) return HandOverToRunningWindow(arguments);
        TForm1 window(&session.App());
        prompter.SetParent(&window);
        dialogs.SetParent(&window);
        QuitAfterFirstSheet quitAfterFirstSheet(window);
        if (std::getenv("KELDA_QUIT_AFTER_FIRST_SHEET"))
            qapp.installEventFilter(&quitAfterFirstSheet);
        window.show();
        // "/svcmode" and a clone file named on the command line, once the window is there.
        QTimer::singleShot(0, &window, [&window, arguments] { window.RunCommandLine(arguments); });
        // Later starts reach this window only while it holds the lock: without it, another
        // window may be listening, and its channel must be left alone.
        HandoffListener handoff(window, session.App());
        if (session.Settings().HoldsLock())
            if (std::string problem = handoff.Listen(); !problem.empty())
                std::fprintf(stderr, "kelda: later starts cannot hand files to this window: %s\n",
                             problem.c_str());
        // Settings that could not be read are left alone; say so once.
        if (std::string problem = session.Settings().LoadProblem(); !problem.empty()) {
            std::fprintf(stderr, "kelda: %s\n", problem.c_str());
            ShowStatusMessage(problem);
        }
        if (const std::string& lock = session.Settings().LockProblem(); !lock.empty()) {
            const std::string text =
                FormatOverlay(GTex().GetLine(keys::kMessLockUnavailable, 0), {lock});
            std::fprintf(stderr, "kelda: %s\n", text.c_str());
            ShowStatusMessage(text);
        }
        rc = qapp.exec();
    }
    return rc;
}
