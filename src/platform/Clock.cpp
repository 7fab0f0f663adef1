#include "platform/Clock.h"

#include <utility>

#include "platform/RunLoop.h"

namespace platform {
namespace {
Clock* gClock = nullptr;
}

Clock& GetClock() {
    return gClock ? *gClock : RunLoop::Default();
}
Clock* InstallClock(Clock* clock) {
    return std::exchange(gClock, clock);
}

}  // namespace platform
