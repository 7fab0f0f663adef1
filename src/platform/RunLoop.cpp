#include "platform/RunLoop.h"

#include <algorithm>
#include <thread>

namespace platform {

class RunLoop::LoopTimer : public Timer {
  public:
    LoopTimer(RunLoop* loop, std::function<void()> fn) : loop_(loop), fn_(std::move(fn)) {}
    ~LoopTimer() override { loop_->Disarm(this); }
    void Start(int intervalMs) override {
        active_ = true;
        loop_->Arm(this, std::max(intervalMs, 1));
    }
    void Stop() override {
        active_ = false;
        loop_->Disarm(this);
    }
    bool IsActive() const override { return active_; }
    void Fire() { fn_(); }

  private:
    RunLoop* loop_;
    std::function<void()> fn_;
    bool active_ = false;
};

RunLoop::RunLoop() : start_(std::chrono::steady_clock::now()) {}
RunLoop::~RunLoop() = default;

RunLoop& RunLoop::Default() {
    static RunLoop loop;
    return loop;
}

uint32_t RunLoop::NowMs() {
    auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                  std::chrono::steady_clock::now() - start_)
                  .count();
    return static_cast<uint32_t>(ms);
}

std::unique_ptr<Timer> RunLoop::CreateTimer(std::function<void()> onTick) {
    return std::make_unique<LoopTimer>(this, std::move(onTick));
}

void RunLoop::Arm(LoopTimer* t, int interval) {
    Disarm(t);
    entries_.push_back(
        {t, std::chrono::steady_clock::now() + std::chrono::milliseconds(interval), interval});
}

void RunLoop::Disarm(LoopTimer* t) {
    for (auto& e : entries_)
        if (e.timer == t) e.timer = nullptr;
    entries_.erase(std::remove_if(entries_.begin(), entries_.end(),
                                  [](const Entry& e) { return e.timer == nullptr; }),
                   entries_.end());
}

int RunLoop::RunDue() {
    auto now = std::chrono::steady_clock::now();
    // Snapshot the due timers first: callbacks may create, stop or delete timers.
    std::vector<LoopTimer*> due;
    for (auto& e : entries_) {
        if (e.timer && e.due <= now) {
            due.push_back(e.timer);
            e.due = now + std::chrono::milliseconds(e.interval);
        }
    }
    int fired = 0;
    for (LoopTimer* t : due) {
        bool stillThere = std::any_of(entries_.begin(), entries_.end(),
                                      [t](const Entry& e) { return e.timer == t; });
        if (!stillThere) continue;
        ++fired;
        t->Fire();
    }
    return fired;
}

bool RunLoop::RunUntil(const std::function<bool()>& done, int timeoutMs) {
    quit_ = false;
    auto limit = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!quit_ && !done()) {
        auto now = std::chrono::steady_clock::now();
        if (timeoutMs >= 0 && now >= limit) break;
        if (RunDue() > 0) continue;
        auto next = now + std::chrono::milliseconds(10);
        for (auto& e : entries_)
            if (e.timer && e.due < next) next = e.due;
        if (timeoutMs >= 0 && limit < next) next = limit;
        if (next > now) std::this_thread::sleep_until(next);
    }
    return done();
}

}  // namespace platform
