#include "platform/Clock.h"

#include "platform/RunLoop.h"

namespace platform {
namespace {
Clock* gClock = nullptr;
}

Clock& GetClock() {
    return gClock ? *gClock : RunLoop::Default();
}
void InstallClock(Clock* clock) {
    gClock = clock;
}

}  // namespace platform
