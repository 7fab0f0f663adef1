// Programming a fleet against lines as slow as the real one (38400 baud): kelda-cli fleet with
// three simulated radios on three pseudo-terminals, side by side, against one radio's
// kelda-cli write --verify, in one run. Each cable is bound by its own wire, so three radios
// should take about as long as one; the program's CPU time per radio should stay as for one.
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "clone_runs.h"

namespace {

using namespace clonebench;

// CPU seconds of the children that have ended so far.
double ChildCpu() {
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    auto s = [](const timeval& t) { return t.tv_sec + t.tv_usec / 1e6; };
    return s(usage.ru_utime) + s(usage.ru_stime);
}

// Runs the command; its wall time and the CPU time of its process, false when it failed.
bool Timed(const std::string& cmd, double& wall, double& cpu) {
    const double cpuBefore = ChildCpu();
    const auto start = std::chrono::steady_clock::now();
    const int rc = std::system(cmd.c_str());
    wall = Seconds(start);
    // The simulated radios are children too, but they end later: only kelda-cli is counted.
    cpu = ChildCpu() - cpuBefore;
    return rc == 0;
}

void BM_FleetThreeCablesVsOneWriteVerify_Line38400(benchmark::State& state) {
    char tmpl[] = "/tmp/kelda-bench-XXXXXX";
    const std::string dir = mkdtemp(tmpl);
    const std::string bin = "'" + std::string(KELDA_BIN_DIR) + "/kelda-cli' ";
    const std::string file = dir + "/template.kcf";
    std::system((bin + "new --model 2 -o '" + file + "' >/dev/null").c_str());
    {
        std::ofstream list(dir + "/list.csv");
        list << "MMSI;Comment\n211000001;BOAT ONE\n211000002;BOAT TWO\n211000003;BOAT THREE\n";
    }
    for (auto _ : state) {
        double oneWall = 0, oneCpu = 0, fleetWall = 0, fleetCpu = 0;
        {
            Radiosim sim("--baud 38400");
            if (sim.device.empty()) return state.SkipWithError("kelda-radiosim did not start");
            if (!Timed(bin + "write '" + file + "' --yes --verify --device '" + sim.device +
                           "' >/dev/null 2>&1",
                       oneWall, oneCpu))
                return state.SkipWithError("kelda-cli write --verify failed");
        }
        std::vector<std::unique_ptr<Radiosim>> sims;
        std::string devices;
        for (int i = 0; i < 3; ++i) {
            sims.push_back(std::make_unique<Radiosim>("--baud 38400"));
            if (sims.back()->device.empty())
                return state.SkipWithError("kelda-radiosim did not start");
            devices += " --device '" + sims.back()->device + "'";
        }
        if (!Timed(bin + "fleet '" + file + "' --list '" + dir + "/list.csv' --yes --verify" +
                       devices + " 2>/dev/null",
                   fleetWall, fleetCpu))
            return state.SkipWithError("kelda-cli fleet failed");
        state.SetIterationTime(fleetWall);
        state.counters["one_radio_s"] = oneWall;
        state.counters["three_radios_s"] = fleetWall;
        state.counters["ratio"] = oneWall > 0 ? fleetWall / oneWall : 0;
        state.counters["cpu_one_radio_s"] = oneCpu;
        state.counters["cpu_per_radio_in_fleet_s"] = fleetCpu / 3;
    }
    std::system(("rm -rf '" + dir + "'").c_str());
}

}  // namespace

BENCHMARK(BM_FleetThreeCablesVsOneWriteVerify_Line38400)
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kSecond);
