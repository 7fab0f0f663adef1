#include "gui/PrintCommand.h"

#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/Services.h"
#include "app/indMain.h"
#include "gui/DataPaths.h"
#include "gui/cuiPrinter.h"
#include "platform/Prompt.h"
#include "radio/cmcClnFile.h"
#include "sheet/SheetDef.h"

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
            ok = value(a.sheet) && !a.sheet.empty();
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
    if (SameFile(a.file, a.pdf) || cmcClnFile::IsCloneFileAt(a.pdf))
        return Usage("the PDF would replace the clone file; name another output file");

#ifndef Q_OS_WIN
    // No window is shown: the offscreen platform works with and without a display. (Windows
    // always has its desktop, and its own platform is the one shipped there.)
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
#endif
    int qargc = 1;
    char* qargv[] = {argv[0], nullptr};
    QApplication qapp(qargc, qargv);
    // Without the window's single-instance lock and without writing the user's settings (the
    // printer font size is the default).
    platform::StderrPrompter prompter;
    ServiceSetup setup;
    setup.dataFolder = a.data;
    setup.prompter = &prompter;
    std::unique_ptr<Services> services = WireServices(std::move(setup));
    SetGuiDataFolder(services->DataFolder());
    indMain& app = services->App();
    if (app.OpenFile(a.file) != 0) return kExitFileErrorBase + FileErrorNumber(app.LastFileError());

    cuiPrinter printer(nullptr, &app);
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
