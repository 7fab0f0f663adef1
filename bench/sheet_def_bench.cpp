#include <benchmark/benchmark.h>

#include <string>

#include "base/ScopedInstall.h"
#include "sheet/ChannelSheetDef.h"
#include "text/cmcGTex.h"

// Building a sheet from the shipped overlay: every rebuild (model change, font size, reopening
// a sheet) reads its entries again and parses every cell.
static void BuildShippedSheet(benchmark::State& state, const char* key) {
    cmcGTex store;
    store.BindFile(std::string(KELDA_SOURCE_DIR) + "/data/overlay/KELDA.OVL");
    ScopedInstall<InstallGTex> installed(&store);
    ChannelSheetContext context;
    int cells = 0;
    for (auto _ : state) {
        ChannelSheetDef sheet(store, key, context);
        sheet.Build();
        cells = sheet.RowCount() * sheet.ColumnCount();
        benchmark::DoNotOptimize(sheet.Cell(0, 0).Label);
    }
    state.SetItemsProcessed(state.iterations() * cells);
}
BENCHMARK_CAPTURE(BuildShippedSheet, ChannelList, "GI_Sheet_IntCh")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BuildShippedSheet, DscCalls, "GI_Sheet_DscCall")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BuildShippedSheet, EepromGrid, "GI_Sheet_EeDebugWin")
    ->Unit(benchmark::kMillisecond);
