// Printing offscreen over the shipped overlay and the factory image: every sheet of the tree into
// a PDF file (built in memory, written to a temporary folder), and one page of the print preview
// drawn, with its sheet built for it and with the sheet kept from the page before.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <cstdlib>
#include <memory>
#include <string>

#include "app/cuiMain.h"
#include "gui/AppSession.h"
#include "gui/cuiPreview.h"
#include "gui/cuiPrinter.h"
#include "radio/CellDispatchHost.h"

namespace {

int gArgc = 1;
char gName[] = "kelda_gui_bench";
char* gArgv[] = {gName, nullptr};

struct PrintWorld {
    PrintWorld() {
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
        if (!QApplication::instance()) app = std::make_unique<QApplication>(gArgc, gArgv);
        char tmpl[] = "/tmp/kelda-print-bench-XXXXXX";
        dir = mkdtemp(tmpl);
        // The grid's benchmarks may have made the application already: it is shared.
        cuiMain* app = HasCellHost() ? dynamic_cast<cuiMain*>(&CellHost()) : nullptr;
        if (!app) {
            setenv("XDG_RUNTIME_DIR", dir.c_str(), 1);
            session =
                std::make_unique<AppSession>(KELDA_BIN_DIR, dir + "/settings.conf", 1280, 800);
            app = &session->App();
        }
        printer = std::make_unique<cuiPrinter>(nullptr, app);
    }
    ~PrintWorld() {
        printer.reset();
        session.reset();
        std::system(("rm -rf " + dir).c_str());
    }
    std::unique_ptr<QApplication> app;
    std::string dir;
    std::unique_ptr<AppSession> session;
    std::unique_ptr<cuiPrinter> printer;
};

PrintWorld& World() {
    static PrintWorld world;
    return world;
}

void AllSheetsToPdf(benchmark::State& state) {
    PrintWorld& w = World();
    const auto names = w.printer->TreeSheetNames();
    const std::string out = w.dir + "/all.pdf";
    int pages = 0;
    for (auto _ : state) {
        std::string reason;
        pages = w.printer->WritePdf(names, out, &reason);
        if (pages <= 0) state.SkipWithError(reason.c_str());
    }
    state.counters["sheets"] = double(names.size());
    state.counters["pages"] = pages;
}
BENCHMARK(AllSheetsToPdf)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// The channel list's pages: each draw alternates between the first page of two sheets, so the
// sheet is built for every page (a first page, or a page of another sheet).
void PreviewPageWithItsSheetBuilt(benchmark::State& state) {
    PrintWorld& w = World();
    cuiPreview preview(nullptr, QStringLiteral("KELDA"), w.printer.get());
    w.printer->FillPreview(preview, {600, 4960, 7016}, {"GI_Sheet_IntCh", "GI_Sheet_DscIndId"});
    const int last = preview.PageCount() - 1;
    int page = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(preview.RenderPage(page));
        page = page == 0 ? last : 0;
    }
}
BENCHMARK(PreviewPageWithItsSheetBuilt)->Unit(benchmark::kMillisecond)->MinTime(2.0);

void PreviewNextPageOfTheSameSheet(benchmark::State& state) {
    PrintWorld& w = World();
    cuiPreview preview(nullptr, QStringLiteral("KELDA"), w.printer.get());
    const int pages = w.printer->FillPreview(preview, {600, 4960, 7016}, {"GI_Sheet_IntCh"});
    int page = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(preview.RenderPage(page));
        page = (page + 1) % pages;
    }
}
BENCHMARK(PreviewNextPageOfTheSameSheet)->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace
