#include "support/ManualClock.h"

#include <algorithm>

namespace test {

class ManualClock::ManualTimer : public platform::Timer {
  public:
    ManualTimer(ManualClock* clock, std::function<void()> fn)
        : clock_(clock), fn_(std::move(fn)), id_(clock->nextId_++) {
        clock_->live_.insert(this);
    }
    ~ManualTimer() override {
        if (!clock_) return;
        clock_->slots_.erase(id_);
        clock_->live_.erase(this);
    }
    void Start(int intervalMs) override {
        if (!clock_) return;
        int iv = std::max(intervalMs, 1);
        clock_->slots_[id_] = {this, clock_->absolute_ + static_cast<uint64_t>(iv), iv};
    }
    void Stop() override {
        if (clock_) clock_->slots_.erase(id_);
    }
    bool IsActive() const override { return clock_ && clock_->slots_.count(id_) != 0; }
    void Orphan() { clock_ = nullptr; }
    void Fire() { fn_(); }
    uint64_t id() const { return id_; }

  private:
    ManualClock* clock_;
    std::function<void()> fn_;
    uint64_t id_;
};

ManualClock::ManualClock(uint32_t start) : now_(start) {}

ManualClock::~ManualClock() {
    // Tasks released while running free themselves on their next 1 ms tick: let them.
    Advance(2);
    // Timers that outlive the clock become inert rather than touching it.
    for (ManualTimer* t : live_) t->Orphan();
}

std::unique_ptr<platform::Timer> ManualClock::CreateTimer(std::function<void()> onTick) {
    return std::make_unique<ManualTimer>(this, std::move(onTick));
}

size_t ManualClock::ActiveTimers() const {
    return slots_.size();
}

void ManualClock::Advance(uint32_t ms) {
    uint64_t target = absolute_ + ms;
    for (;;) {
        // The earliest due timer at or before the target; ties go by creation order.
        auto best = slots_.end();
        for (auto it = slots_.begin(); it != slots_.end(); ++it)
            if (it->second.due <= target &&
                (best == slots_.end() || it->second.due < best->second.due))
                best = it;
        if (best == slots_.end()) break;
        uint64_t due = best->second.due;
        now_ += static_cast<uint32_t>(due - absolute_);
        absolute_ = due;
        best->second.due = due + static_cast<uint64_t>(best->second.interval);
        best->second.timer->Fire();  // may delete or restart any timer
    }
    now_ += static_cast<uint32_t>(target - absolute_);
    absolute_ = target;
}

bool ManualClock::AdvanceUntil(const std::function<bool()>& done, uint32_t limitMs,
                               uint32_t stepMs) {
    uint32_t passed = 0;
    while (!done()) {
        if (passed >= limitMs) return false;
        Advance(stepMs);
        passed += stepMs;
    }
    return true;
}

}  // namespace test
