// Whole-program timing of clone runs: kelda-radiosim runs as its own process on a
// pseudo-terminal, the program's side (clone manager, driver, serial port) runs here on the real
// run loop. With --baud 38400 the simulated line is as slow as the real one, so the ratio of the
// run's time to the wire time of the bytes exchanged shows what the program adds.
#include <benchmark/benchmark.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <string>

#include "comm/cmcPortTable.h"
#include "comm/indCloneMan.h"
#include "platform/RunLoop.h"

namespace {

const AddressRange kReadList[] = {{0x0000, 0x471F}, kEndOfRanges};
const AddressRange kFullWriteList[] = {
    {0x01C0, 0x02DF}, {0x0310, 0x46AF}, {0x4710, 0x471F}, kEndOfRanges};

struct Radiosim {
    pid_t pid = -1;
    std::string device;
    explicit Radiosim(const std::string& args) {
        int fds[2];
        if (pipe(fds) != 0) return;
        pid = fork();
        if (pid == 0) {
            dup2(fds[1], 1);
            close(fds[0]);
            std::string cmd =
                std::string("exec '") + KELDA_BIN_DIR + "/kelda-radiosim' --no-publish " + args;
            execl("/bin/sh", "sh", "-c", cmd.c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
        close(fds[1]);
        FILE* f = fdopen(fds[0], "r");
        char line[256] = {};
        if (f && std::fgets(line, sizeof line, f)) device = line;
        while (!device.empty() && device.back() == '\n') device.pop_back();
        if (f) std::fclose(f);
    }
    ~Radiosim() {
        if (pid > 0) {
            kill(pid, SIGTERM);
            waitpid(pid, nullptr, 0);
        }
    }
};

struct Run {
    bool done = false;
    CloneResult result = CloneResult::kPortFailed;
    static void Done(void* self, dst_CDrv_Result* r) {
        auto* run = static_cast<Run*>(self);
        run->done = true;
        run->result = r->result;
    }
};

void Accept(void*, dst_CDrv_Result*) {}

// One information run followed by a read or a write, as the clone commands do them.
void CloneBench(benchmark::State& state, bool write, unsigned baud) {
    Radiosim sim(baud ? "--baud " + std::to_string(baud) : std::string());
    if (sim.device.empty()) {
        state.SkipWithError("kelda-radiosim did not start");
        return;
    }
    cmcPortTable table;
    table.Assign(1, sim.device);
    InstallPortTable(&table);
    indCloneMan man;
    man.SetRequestWords(0x3715, 0);
    man.SetImageSize(cmcEeprom::kImageSize);
    man.SetPortSource([] { return 1; });
    man.SetInfoCheck(&Accept, nullptr);
    man.SetReadCheck(&Accept, nullptr);
    cmcEeprom image;
    image.SetSize(cmcEeprom::kImageSize);
    for (int a = 0; a < image.Size(); ++a) image.SetByte(a, static_cast<uint8_t>(a * 31));
    image.SetByte(0x0F1A, 1);

    double wire = 0, took = 0;
    for (auto _ : state) {
        uint64_t before = man.Driver().Port().BytesRead();
        auto start = std::chrono::steady_clock::now();
        Run info, data;
        man.StartInfo(&Run::Done, &info);
        platform::RunLoop::Default().RunUntil([&] { return info.done; }, 20000);
        if (write)
            man.StartWrite(image, kFullWriteList, &Run::Done, &data);
        else
            man.StartRead(kReadList, &Run::Done, &data);
        platform::RunLoop::Default().RunUntil([&] { return data.done; }, 120000);
        double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (info.result != CloneResult::kOk || data.result != CloneResult::kOk) {
            state.SkipWithError("clone run failed");
            break;
        }
        state.SetIterationTime(s);
        // Every byte on the line reaches the program once: its own come back as the echo.
        uint64_t lineBytes = man.Driver().Port().BytesRead() - before;
        wire += lineBytes * 10.0 / 38400.0;
        took += s;
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
