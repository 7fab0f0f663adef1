// Whole clone runs by the paths users take, against a line as slow as the real one (38400 baud),
// each as a ratio of the run's time to the wire time of the bytes that came back to the program
// (its own bytes as the echo, and the radio's answers):
// - the window's path: the clone manager with its progress task and a view that computes the
//   progress line every 30 ms, against kelda-radiosim on a pseudo-terminal;
// - the command line's path: kelda-cli read / write as a process, its bytes counted in its link
//   log;
// - a port that reports its transmit queue honestly (the UART model of the tests), where the
//   pump's topping up and the driver's hold-back decide the pace.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "app/CloneMessages.h"
#include "clone_runs.h"
#include "comm/PortNumbering.h"
#include "comm/indCloneMan.h"
#include "platform/RunLoop.h"
#include "sim/SimRadio.h"
#include "support/UartModel.h"

namespace {

using namespace clonebench;

// What the window does every 30 ms while data moves.
struct WindowLikeView : CloneManView {
    indCloneMan* man = nullptr;
    size_t chars = 0;
    void ProgressChanged(int) override { chars += ProgressLine(man->CurrentProgress()).size(); }
};

void WindowPath(benchmark::State& state, bool write) {
    Radiosim sim("--baud 38400");
    if (sim.device.empty()) return state.SkipWithError("kelda-radiosim did not start");
    PortNumbering table;
    table.Assign(1, sim.device);
    InstallPortTable(&table);
    indCloneMan man;
    Configure(man, 1);
    WindowLikeView view;
    view.man = &man;
    man.SetView(&view);
    double wire = 0, took = 0;
    for (auto _ : state)
        if (!TimedRun(state, man, write, wire, took)) break;
    man.SetView(nullptr);
    InstallPortTable(nullptr);
    state.counters["ratio_to_wire"] = wire > 0 ? took / wire : 0;
    state.counters["wire_s"] = wire / static_cast<double>(state.iterations());
}

void UartPath(benchmark::State& state, bool write) {
    SimRadio radio;
    radio.Image().SetSize(SimRadio::kImageSize);
    radio.SetUpIdentity();
    const auto origin = std::chrono::steady_clock::now();
    test::UartModel uart(radio, static_cast<unsigned>(kBaud), [origin] {
        return static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::microseconds>(
                                         std::chrono::steady_clock::now() - origin)
                                         .count());
    });
    uart.Install();
    PortNumbering table;
    table.Assign(1, "/dev/ttyS-uart-model");
    InstallPortTable(&table);
    double wire = 0, took = 0;
    {
        indCloneMan man;  // made after the model is installed: its port is the model's
        Configure(man, 1);
        for (auto _ : state)
            if (!TimedRun(state, man, write, wire, took)) break;
    }
    InstallPortTable(nullptr);
    state.counters["ratio_to_wire"] = wire > 0 ? took / wire : 0;
    state.counters["wire_s"] = wire / static_cast<double>(state.iterations());
    state.counters["max_queued"] = uart.MaxQueued();
}

// Bytes the program read, from the "<" lines of a kelda-cli link log.
uint64_t BytesReadInLog(const std::string& path) {
    std::ifstream in(path);
    uint64_t n = 0;
    for (std::string line; std::getline(in, line);) {
        std::istringstream words(line);
        std::string stamp, dir, byte;
        if (!(words >> stamp >> dir) || dir != "<") continue;
        while (words >> byte) ++n;
    }
    return n;
}

void CliPath(benchmark::State& state, bool write) {
    char tmpl[] = "/tmp/kelda-bench-XXXXXX";
    const std::string dir = mkdtemp(tmpl);
    const std::string bin = KELDA_BIN_DIR;
    const std::string file = dir + "/radio.kcf";
    std::system(("'" + bin + "/kelda-cli' new --model 2 -o '" + file + "' >/dev/null").c_str());
    Radiosim sim("--baud 38400");
    if (sim.device.empty()) return state.SkipWithError("kelda-radiosim did not start");
    double wire = 0, took = 0;
    for (auto _ : state) {
        const std::string log = dir + "/link.log";
        std::string cmd = "'" + bin + "/kelda-cli' " +
                          (write ? "write '" + file + "' --yes" : "read -o '" + dir + "/out.kcf'") +
                          " --device '" + sim.device + "' --log '" + log + "' 2>/dev/null";
        auto start = std::chrono::steady_clock::now();
        int rc = std::system(cmd.c_str());
        double s = Seconds(start);
        if (rc != 0) {
            state.SkipWithError("kelda-cli failed");
            break;
        }
        state.SetIterationTime(s);
        wire += static_cast<double>(BytesReadInLog(log)) * 10.0 / kBaud;
        took += s;
    }
    std::system(("rm -rf '" + dir + "'").c_str());
    state.counters["ratio_to_wire"] = wire > 0 ? took / wire : 0;
    state.counters["wire_s"] = wire / static_cast<double>(state.iterations());
}

void BM_WindowPathRead_Line38400(benchmark::State& s) {
    WindowPath(s, false);
}
void BM_WindowPathWrite_Line38400(benchmark::State& s) {
    WindowPath(s, true);
}
void BM_CliRead_Line38400(benchmark::State& s) {
    CliPath(s, false);
}
void BM_CliWrite_Line38400(benchmark::State& s) {
    CliPath(s, true);
}
void BM_UartModelRead_38400(benchmark::State& s) {
    UartPath(s, false);
}
void BM_UartModelWrite_38400(benchmark::State& s) {
    UartPath(s, true);
}

}  // namespace

BENCHMARK(BM_WindowPathRead_Line38400)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);
BENCHMARK(BM_WindowPathWrite_Line38400)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);
BENCHMARK(BM_CliRead_Line38400)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);
BENCHMARK(BM_CliWrite_Line38400)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);
BENCHMARK(BM_UartModelRead_38400)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);
BENCHMARK(BM_UartModelWrite_38400)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);
