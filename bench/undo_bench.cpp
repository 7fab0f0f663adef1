// Undo and redo of one step, the memory a full history holds, and comparing two images as the
// sheets show them (the work of kelda-cli diff and of the window's compare).
#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "app/ImageCompare.h"
#include "app/Services.h"
#include "app/UndoHistory.h"
#include "app/indEnviron.h"
#include "app/indMain.h"
#include "base/cmcEvMan.h"
#include "radio/cmcEeprom.h"
#include "text/cmcGTex.h"

namespace {

// A channel name typed over: ten bytes.
void Rename(cmcEeprom& image, int step) {
    const int address = 0x0F40 + 10 * (step % 400);
    for (int i = 0; i < 10; ++i)
        image.SetByte(address + i, static_cast<uint8_t>('A' + (step + i) % 26));
}

void BM_UndoAndRedoOfOneStep(benchmark::State& state) {
    cmcEeprom image;
    image.SetSize(cmcEeprom::kImageSize);
    UndoHistory history;
    history.Reset(image);
    for (int step = 0; step < 1000; ++step) {
        Rename(image, step);
        history.Commit(image, {});
    }
    for (auto _ : state) {
        history.Undo(image);
        history.Redo(image);
    }
    state.SetLabel("one undo and one redo per iteration, history of 1,000 steps");
}
BENCHMARK(BM_UndoAndRedoOfOneStep);

void BM_CommitOfOneEdit(benchmark::State& state) {
    cmcEeprom image;
    image.SetSize(cmcEeprom::kImageSize);
    UndoHistory history;
    history.Reset(image);
    int step = 0;
    for (auto _ : state) {
        Rename(image, ++step);
        history.Commit(image, {});
    }
}
BENCHMARK(BM_CommitOfOneEdit);

void BM_HistoryOfAThousandSteps(benchmark::State& state) {
    const int bytesPerStep = static_cast<int>(state.range(0));
    size_t held = 0;
    for (auto _ : state) {
        cmcEeprom image;
        image.SetSize(cmcEeprom::kImageSize);
        UndoHistory history;
        history.Reset(image);
        for (int step = 0; step < 1000; ++step) {
            const int base = (step * 97) % (cmcEeprom::kImageSize - bytesPerStep);
            for (int i = 0; i < bytesPerStep; ++i)
                image.SetByte(base + i, static_cast<uint8_t>(image.GetByte(base + i) + 1));
            history.Commit(image, {});
        }
        held = history.HeldBytes();
        benchmark::DoNotOptimize(held);
    }
    state.counters["held_bytes"] = static_cast<double>(held);
    state.counters["cap_bytes"] = static_cast<double>(UndoHistory::Limits{}.bytes);
}
BENCHMARK(BM_HistoryOfAThousandSteps)->Arg(10)->Arg(1000)->Arg(0x4000);

// Two factory images of the same model, one channel name apart, compared cell by cell.
void BM_CompareTwoImages(benchmark::State& state) {
    // Wired as the programs wire it, with the data of the build.
    ServiceSetup setup;
    setup.dataFolder = KELDA_BIN_DIR;
    std::unique_ptr<Services> services = WireServices(std::move(setup));
    indMain& app = services->App();
    {
        cmcEeprom a, b;
        a.Assign(app.Working());
        b.Assign(app.Working());
        for (int i = 0; i < 7; ++i)
            b.SetByte(0x0F40 + 10 * 32 + i, static_cast<uint8_t>("CALLING"[i]));
        size_t found = 0;
        const bool built = state.range(0) != 0;
        SheetValues prior = TakeSheetValues(app.Tree(), app.Model().ModelType());
        for (auto _ : state) {
            app.Working().Assign(a);
            SheetValues va =
                TakeSheetValues(app.Tree(), app.Model().ModelType(), built ? &prior : nullptr);
            app.Working().Assign(b);
            SheetValues vb = TakeSheetValues(app.Tree(), app.Model().ModelType(), &va);
            found = CompareSheetValues(va, vb).size();
            benchmark::DoNotOptimize(found);
        }
        state.counters["differences"] = static_cast<double>(found);
    }
}
// Arg 0: the sheets are built for the compare (kelda-cli diff); 1: sheets built before are used
// again (the window comparing against another file).
BENCHMARK(BM_CompareTwoImages)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace
