// The sheet grid over the shipped overlay and factory image, offscreen: building and painting
// the whole 418-row international channel list, painting one screen of it, and the path from a
// committed edit to the repaint request of the cells it changed, and a step of the cursor while a
// screen reader listens.
#include <benchmark/benchmark.h>

#include <QAccessible>
#include <QApplication>
#include <QImage>
#include <QKeyEvent>
#include <QPainter>
#include <QThread>
#include <cstdlib>
#include <memory>
#include <string>

#include "app/GridModel.h"
#include "base/cmcEvMan.h"
#include "gui/AppSession.h"
#include "gui/CellPainter.h"
#include "gui/cuiGrid.h"
#include "sheet/ChannelSheetDef.h"
#include "text/cmcGTex.h"

namespace {

int gArgc = 1;
char gName[] = "kelda_gui_bench";
char* gArgv[] = {gName, nullptr};

// One application, settings in a temporary folder, the factory image loaded.
struct World {
    World() {
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
        app = std::make_unique<QApplication>(gArgc, gArgv);
        char tmpl[] = "/tmp/kelda-bench-XXXXXX";
        dir = mkdtemp(tmpl);
        setenv("XDG_RUNTIME_DIR", dir.c_str(), 1);
        session = std::make_unique<AppSession>(KELDA_BIN_DIR, dir + "/settings.conf", 1280, 800);
    }
    ~World() {
        session.reset();
        app.reset();
        std::system(("rm -rf " + dir).c_str());
    }
    std::unique_ptr<QApplication> app;
    std::string dir;
    std::unique_ptr<AppSession> session;
};

World& TheWorld() {
    static World world;
    return world;
}

std::unique_ptr<cuiGrid> ChannelGrid(int width, int height) {
    auto grid = std::make_unique<cuiGrid>();
    grid->resize(width, height);
    grid->Open(std::make_unique<ChannelSheetDef>(GTex(), "GI_Sheet_IntCh", ChannelSheetContext{}));
    grid->Build();
    return grid;
}

void BuildAndPaintWholeChannelList(benchmark::State& state) {
    TheWorld();
    QImage image;
    for (auto _ : state) {
        auto grid = ChannelGrid(900, 20000);  // tall enough to show every row
        const QSize need = grid->NeededSize();
        if (image.size() != need) image = QImage(need, QImage::Format_RGB32);
        QPainter painter(&image);
        PaintGrid(painter, *grid->Model(), QRect(QPoint(0, 0), need), grid->PaintOptions());
        benchmark::DoNotOptimize(image.bits());
        painter.end();
        grid.reset();
        // The hub's 10 ms pass, which frees the gone grids' subscriptions: without it every
        // later event walks them all.
        EvMan().Pass();
    }
    state.counters["rows"] = ChannelSheetContext::kChannelRows;
}
BENCHMARK(BuildAndPaintWholeChannelList)->Unit(benchmark::kMillisecond);

void PaintOneScreen(benchmark::State& state) {
    TheWorld();
    auto grid = ChannelGrid(900, 600);
    QImage image(900, 600, QImage::Format_RGB32);
    int cells = 0;
    for (auto _ : state) {
        QPainter painter(&image);
        PaintGrid(painter, *grid->Model(), image.rect(), grid->PaintOptions());
        benchmark::DoNotOptimize(image.bits());
    }
    GridModel& m = *grid->Model();
    cells = (m.LastVisibleRow() - m.TopRow() + 1 + m.FixedRows()) * m.ColumnCount();
    state.counters["cells"] = cells;
}
BENCHMARK(PaintOneScreen)->Unit(benchmark::kMicrosecond);

// A committed name: dispatcher parse and store, the redraw mask, the repaint requests.
void CommitToRepaintRequest(benchmark::State& state) {
    TheWorld();
    auto grid = ChannelGrid(900, 600);
    GridModel& m = *grid->Model();
    const int row = 5, column = 6;
    m.SelectCell(column, row);
    int i = 0;
    for (auto _ : state) {
        m.CommitText(column, row, (i++ & 1) ? "HARBOUR" : "MARINA");
    }
}
BENCHMARK(CommitToRepaintRequest)->Unit(benchmark::kMicrosecond);

// One Down or Up key on the channel list with a screen reader's bridge listening: the cursor's
// move, its focus and selection events, and the bridge's own work for them (it asks the cell
// for its name, state and place and sends them over the accessibility bus). Needs the bus:
// scripts/atspi-test.sh --run build/bin/kelda_gui_bench --benchmark_filter=CursorStep
void CursorStepWithReaderListening(benchmark::State& state) {
    TheWorld();
    // The bridge comes up once it has reached the bus.
    for (int wait = 0; wait < 300 && !QAccessible::isActive(); ++wait) {
        QApplication::processEvents();
        QThread::msleep(10);
    }
    if (!QAccessible::isActive()) {
        state.SkipWithError("no accessibility bus: run it through scripts/atspi-test.sh --run");
        return;
    }
    auto grid = ChannelGrid(900, 600);
    grid->show();
    grid->activateWindow();
    for (int wait = 0; wait < 200 && !grid->isActiveWindow(); ++wait) {
        QApplication::processEvents();
        QThread::msleep(10);
    }
    grid->setFocus();
    QApplication::processEvents();
    if (!grid->hasFocus()) {
        state.SkipWithError("the grid did not get the focus");
        return;
    }
    GridModel& m = *grid->Model();
    m.SelectCell(2, 5);
    int i = 0;
    for (auto _ : state) {
        QKeyEvent key(QEvent::KeyPress, (i++ & 1) ? Qt::Key_Up : Qt::Key_Down, Qt::NoModifier);
        QApplication::sendEvent(grid.get(), &key);
        QApplication::processEvents();  // the bridge's queued work
    }
    grid.reset();
    QApplication::processEvents();
    // The application's clean-up reaches into Qt's accessibility cache, which ends at exit
    // before the world made ahead of it: the application goes first.
    std::atexit([] {
        TheWorld().session.reset();
        TheWorld().app.reset();
    });
}
BENCHMARK(CursorStepWithReaderListening)->Unit(benchmark::kMicrosecond);

}  // namespace
