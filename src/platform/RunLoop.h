#pragma once
// A single-thread run loop for programs without a window (kelda-cli, kelda-radiosim):
// timers fire from Run*() calls, in order of their due times.
#include <chrono>
#include <vector>

#include "platform/Clock.h"

namespace platform {

class RunLoop : public Clock {
  public:
    RunLoop();
    ~RunLoop() override;

    uint32_t NowMs() override;
    std::unique_ptr<Timer> CreateTimer(std::function<void()> onTick) override;

    // Fires due timers, sleeping until the next one is due, until done() returns true or
    // timeoutMs passes (negative: no limit). Returns done() at the end.
    bool RunUntil(const std::function<bool()>& done, int timeoutMs = -1);
    // Fires every timer that is due now; returns how many fired.
    int RunDue();
    // Stops a RunUntil from inside a callback.
    void Quit() { quit_ = true; }

    // The process-wide default loop.
    static RunLoop& Default();

  private:
    class LoopTimer;
    struct Entry {
        LoopTimer* timer;
        std::chrono::steady_clock::time_point due;
        int interval;
    };
    void Arm(LoopTimer* t, int interval);
    void Disarm(LoopTimer* t);
    std::vector<Entry> entries_;
    std::chrono::steady_clock::time_point start_;
    bool quit_ = false;
};

}  // namespace platform
