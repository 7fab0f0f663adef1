#include "gui/PrintCommand.h"

#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/indEnviron.h"
#include "app/indMain.h"
#include "base/cmcEvMan.h"
#include "gui/DataPaths.h"
#include "gui/cuiPrinter.h"
#include "platform/DataFolder.h"
#include "platform/Folders.h"
#include "platform/Prompt.h"
#include "radio/cmcCellHost.h"
#include "sheet/cmcSheetDef.h"
#include "text/cmcGTex.h"

namespace {

constexpr int kExitUsage = 2;
constexpr int kExitSheet = 4;
constexpr int kExitFileErrorBase = 10;
constexpr int kExitOutputOpen = 11;
constexpr int kExitOutputWrite = 12;

struct PrintArgs {
    std::string file, pdf, sheet, data;
    bool all = false;
};

int Usage(const char* problem) {
    std::fprintf(stderr,
                 "kelda: %s\nusage: kelda --print FILE --pdf OUT.pdf [--sheet KEY | --all] "
                 "[--data DIR]\n",
                 problem);
    return kExitUsage;
}

// Both name one existing file.
bool SameFile(const std::string& a, const std::string& b) {
    std::error_code error;
    return std::filesystem::equivalent(a, b, error) && !error;
}

// The objects a print needs, without the window's single-instance lock and without writing
// the user's settings (the printer font size is the default).
class PrintSession {
  public:
    explicit PrintSession(const std::string& dataFolder) {
        text_.BindFile(platform::JoinPath(dataFolder, "KELDA.OVL"));
        help_.BindFile(platform::JoinPath(dataFolder, "KELDAH.OVL"));
        InstallGTex(&text_);
        InstallHelpGTex(&help_);
        InstallEvMan(&hub_);
        InstallEnviron(&environ_);
        platform::InstallPrompter(&prompter_);
        SetGuiDataFolder(dataFolder);
        app_ = std::make_unique<indMain>();
        app_->Model().SetInitialFolder(dataFolder);
        InstallCellHost(app_.get());
        app_->LoadStartImage();
        app_->BuildTree();
    }
    ~PrintSession() {
        InstallCellHost(nullptr);
        app_.reset();
        platform::InstallPrompter(nullptr);
        InstallEnviron(nullptr);
        InstallEvMan(nullptr);
        InstallHelpGTex(nullptr);
        InstallGTex(nullptr);
    }
    indMain& App() { return *app_; }

  private:
    cmcGTex text_;
    cmcHelpGTex help_;
    cmcEvMan hub_;
    indEnviron environ_;
    platform::StderrPrompter prompter_;
    std::unique_ptr<indMain> app_;
};

}  // namespace

bool IsPrintCommand(int argc, char** argv) {
    for (int i = 1; i < argc; ++i)
        if (std::string(argv[i]) == "--print") return true;
    return false;
}

int RunPrintCommand(int argc, char** argv) {
    PrintArgs a;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        auto value = [&](std::string& into) {
            if (i + 1 >= argc) return false;
            into = argv[++i];
            return true;
        };
        bool ok = true;
        if (arg == "--print")
            ok = value(a.file);
        else if (arg == "--pdf")
            ok = value(a.pdf);
        else if (arg == "--sheet")
            ok = value(a.sheet);
        else if (arg == "--data")
            ok = value(a.data);
        else if (arg == "--all")
            a.all = true;
        else
            return Usage(("unknown argument '" + arg + "'").c_str());
        if (!ok) return Usage(("'" + arg + "' needs a value").c_str());
    }
    if (a.file.empty()) return Usage("--print needs a clone file");
    if (a.pdf.empty()) return Usage("--print needs --pdf OUT.pdf");
    if (a.all && !a.sheet.empty()) return Usage("give either --sheet KEY or --all, not both");
    if (SameFile(a.file, a.pdf))
        return Usage("the PDF would replace the clone file; name another output file");

    // No window is shown: the offscreen platform works with and without a display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    int qargc = 1;
    char* qargv[] = {argv[0], nullptr};
    QApplication qapp(qargc, qargv);
    const std::string dataFolder = platform::DataFolderOrStop(a.data);
    PrintSession session(dataFolder);
    if (session.App().OpenFile(a.file) != 0)
        return kExitFileErrorBase + session.App().LastFileError();

    cuiPrinter printer(nullptr, &session.App());
    const std::vector<std::string> available = printer.TreeSheetNames();
    std::vector<std::string> names;
    if (!a.sheet.empty()) {
        std::string found;
        for (const std::string& n : available)
            if (n == a.sheet || n == "GI_Sheet_" + a.sheet) found = n;
        if (found.empty()) {
            std::string list;
            for (const std::string& n : available) list += "  " + n + "\n";
            std::fprintf(stderr, "kelda: there is no sheet '%s' in this file; the sheets are:\n%s",
                         a.sheet.c_str(), list.c_str());
            return kExitSheet;
        }
        names.push_back(found);
    } else {
        names = available;
    }

    std::string reason;
    const int pages = printer.WritePdf(names, a.pdf, &reason);
    if (pages < 0) {
        std::fprintf(stderr, "kelda: '%s' was not written: %s.\n", a.pdf.c_str(), reason.c_str());
        switch (printer.LastResult()) {
            case cuiPrinter::Result::kNoPages:
                return kExitSheet;
            case cuiPrinter::Result::kCannotOpen:
                return kExitOutputOpen;
            default:
                return kExitOutputWrite;
        }
    }
    std::printf("%s: %d page%s\n", a.pdf.c_str(), pages, pages == 1 ? "" : "s");
    return 0;
}
