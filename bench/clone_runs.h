#pragma once
// What the clone benchmarks share: the simulated radio as its own process, the range lists and
// checks of the clone commands, and one timed run.
#include <benchmark/benchmark.h>
#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <string>

#include "comm/indCloneMan.h"

namespace clonebench {

extern const AddressRange kReadList[];
extern const AddressRange kFullWriteList[];
inline constexpr double kBaud = 38400;

double Seconds(std::chrono::steady_clock::time_point since);

// kelda-radiosim on a pseudo-terminal of its own, stopped when this goes; `device` is empty when
// it did not start.
struct Radiosim {
    pid_t pid = -1;
    std::string device;
    explicit Radiosim(const std::string& args);
    ~Radiosim();
    Radiosim(const Radiosim&) = delete;
    Radiosim& operator=(const Radiosim&) = delete;
};

struct Run {
    bool done = false;
    CloneResult result = CloneResult::kPortFailed;
    static void Done(void* self, dst_CDrv_Result* r);
};

// The manager as the clone commands set it up, its checks accepting every reply.
void Configure(indCloneMan& man, int port);

// One information run and then the read or the write, timed together, as the commands run them.
// Adds the wire time at 38400 baud of the bytes that came back and the run's own time; false (the
// state skipped with an error) when a run failed. `lineBytes` receives those bytes.
bool TimedRun(benchmark::State& state, indCloneMan& man, bool write, double& wire, double& took,
              uint64_t* lineBytes = nullptr);

}  // namespace clonebench
