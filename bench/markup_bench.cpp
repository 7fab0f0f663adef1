// Parsing cell markup as a sheet build does, and the choice table's look-ups as painting does.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "sheet/BitFieldOverlay.h"
#include "sheet/CellCatalogue.h"
#include "sheet/ChoiceLists.h"
#include "sheet/cmcCellObj.h"
#include "text/cmcGTex.h"

namespace {

// The bit-field fragment plus a 100-row channel sheet and a 40-value chooser.
cmcGTex& Store() {
    static cmcGTex* store = [] {
        auto* s = new cmcGTex;
        std::vector<std::string> lines =
            BitFieldOverlayLines({"7", "6", "5", "4", "3", "2", "1", "0"});
        lines.pop_back();
        lines.push_back("#GI_Sheet_Sel_Bench_Cells");
        for (int i = 0; i < 40; ++i)
            lines.push_back("{($eWh)(%CT_IntCh.CL_INT_ChAtr[" + std::to_string(i) + "]:Value " +
                            std::to_string(i) + ")}Value " + std::to_string(i));
        lines.push_back("#");
        lines.push_back("#End_Of_Ovl");
        s->BindLines(lines);
        InstallGTex(s);
        return s;
    }();
    return *store;
}

// One typical channel row: number, bound cells with models, counters and escapes.
const std::string kRow =
    "{($iChI)(@ch0++)}\\(@ch0)|{($eWh)(%CT_IntCh.CL_INT_ChAtr[@ch0])}XXXX|"
    "{($eWh)^(%CL_INT_ChTag[@ch0])}\\_X\\_|{($iQp)}|{($eWh)(%CL_INT_ChComment[@ch0])}WWWWWWWWWWWW|"
    "{($eWh)(Font=,,clRed,,,fsBold+fsItalic,)(Color=clYellow)S!B}Text\\Nline two";

void BM_ParseCellRow(benchmark::State& state) {
    Store();
    cmcCellObj basic;
    ParseCell("{($Basic)}", basic, nullptr, nullptr);
    int32_t vars[kChannelCounters] = {};
    std::vector<cmcCellObj> cells(8);
    for (auto _ : state) {
        std::string_view rest = kRow;
        for (size_t i = 0; !rest.empty(); ++i) rest = ParseCell(rest, cells[i], vars, &basic);
        benchmark::DoNotOptimize(cells.data());
    }
    state.SetItemsProcessed(state.iterations() * 6);
}
BENCHMARK(BM_ParseCellRow);

void BM_ChoiceText(benchmark::State& state) {
    ChoiceLists table(&Store());
    table.Find("GI_Sheet_Sel_Bench", CL_INT_ChAtr);
    int32_t v = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(table.Text("GI_Sheet_Sel_Bench", CL_INT_ChAtr, v));
        v = (v + 7) % 41;
    }
}
BENCHMARK(BM_ChoiceText);

void BM_ChoiceBuild40(benchmark::State& state) {
    Store();
    for (auto _ : state) {
        ChoiceLists table(&Store());
        benchmark::DoNotOptimize(&table.Find("GI_Sheet_Sel_Bench", CL_INT_ChAtr));
    }
}
BENCHMARK(BM_ChoiceBuild40);

}  // namespace
