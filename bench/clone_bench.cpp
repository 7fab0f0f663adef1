// Whole-program timing of clone runs: kelda-radiosim runs as its own process on a
// pseudo-terminal, the program's side (clone manager, driver, serial port) runs here on the real
// run loop. With --baud 38400 the simulated line is as slow as the real one, so the ratio of the
// run's time to the wire time of the bytes exchanged shows what the program adds.
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <string>

#include "clone_runs.h"
#include "comm/PortNumbering.h"
#include "comm/indCloneMan.h"
#include "platform/RunLoop.h"

namespace {

using namespace clonebench;

// One information run followed by a read or a write, as the clone commands do them.
void CloneBench(benchmark::State& state, bool write, unsigned baud) {
    Radiosim sim(baud ? "--baud " + std::to_string(baud) : std::string());
    if (sim.device.empty()) {
        state.SkipWithError("kelda-radiosim did not start");
        return;
    }
    PortNumbering table;
    table.Assign(1, sim.device);
    InstallPortTable(&table);
    indCloneMan man;
    Configure(man, 1);
    double wire = 0, took = 0;
    for (auto _ : state) {
        uint64_t lineBytes = 0;
        if (!TimedRun(state, man, write, wire, took, &lineBytes)) break;
        state.counters["line_bytes"] = static_cast<double>(lineBytes);
    }
    InstallPortTable(nullptr);
    state.counters["wire_s_at_38400"] = wire / static_cast<double>(state.iterations());
    state.counters["ratio_to_wire"] = wire > 0 ? took / wire : 0;
    rusage self{};
    getrusage(RUSAGE_SELF, &self);
    state.counters["peak_rss_kib"] = static_cast<double>(self.ru_maxrss);
}

void BM_CloneRead_Line38400(benchmark::State& s) {
    CloneBench(s, false, 38400);
}
void BM_CloneWrite_Line38400(benchmark::State& s) {
    CloneBench(s, true, 38400);
}
void BM_CloneRead_Unthrottled(benchmark::State& s) {
    CloneBench(s, false, 0);
}
void BM_CloneWrite_Unthrottled(benchmark::State& s) {
    CloneBench(s, true, 0);
}

}  // namespace

BENCHMARK(BM_CloneRead_Line38400)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);
BENCHMARK(BM_CloneWrite_Line38400)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);
BENCHMARK(BM_CloneRead_Unthrottled)->Iterations(2)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CloneWrite_Unthrottled)->Iterations(2)->UseManualTime()->Unit(benchmark::kMillisecond);
