#pragma once
// The one thread's time source: a 32-bit millisecond tick and timers that fire on the same thread.
#include <cstdint>
#include <functional>
#include <memory>

namespace platform {

// A periodic timer. Deleting a timer from inside its own callback is allowed.
class Timer {
  public:
    virtual ~Timer() = default;
    // Fires the callback every intervalMs (at least 1) until stopped.
    virtual void Start(int intervalMs) = 0;
    virtual void Stop() = 0;
    virtual bool IsActive() const = 0;
};

class Clock {
  public:
    virtual ~Clock() = default;
    // Milliseconds since an arbitrary start, wrapping at 2^32.
    virtual uint32_t NowMs() = 0;
    virtual std::unique_ptr<Timer> CreateTimer(std::function<void()> onTick) = 0;
};

// The installed clock. Until something is installed, a run loop (RunLoop.h) serves.
Clock& GetClock();
// Installs a clock (not owned); nullptr restores the default run loop.
Clock* InstallClock(Clock* clock);

}  // namespace platform
