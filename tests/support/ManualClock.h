#pragma once
// A clock the test moves by hand. Timers fire in due order while Advance() walks the time
// forward, so protocol time-outs and queue passes run deterministically and without sleeping.
#include <map>
#include <set>
#include <vector>

#include "base/ScopedInstall.h"
#include "platform/Clock.h"

namespace test {

class ManualClock : public platform::Clock {
  public:
    // Installs itself as the process clock for its lifetime (the one before comes back).
    explicit ManualClock(uint32_t start = 0);
    ~ManualClock() override;

    uint32_t NowMs() override { return now_; }
    std::unique_ptr<platform::Timer> CreateTimer(std::function<void()> onTick) override;

    // Moves the time forward by ms, firing every timer as it falls due.
    void Advance(uint32_t ms);
    // Advances in steps until done() is true or limitMs have passed; true when done.
    bool AdvanceUntil(const std::function<bool()>& done, uint32_t limitMs, uint32_t stepMs = 1);
    void Set(uint32_t now) { now_ = now; }
    size_t ActiveTimers() const;

  private:
    class ManualTimer;
    friend class ManualTimer;
    struct Slot {
        ManualTimer* timer;
        uint64_t due;
        int interval;
    };
    std::map<uint64_t, Slot> slots_;  // by id
    std::set<ManualTimer*> live_;
    uint64_t nextId_ = 1;
    uint32_t now_;
    uint64_t absolute_ = 0;                                  // time without wrap, for ordering
    ScopedInstall<platform::InstallClock> installed_{this};  // last: goes first
};

}  // namespace test
