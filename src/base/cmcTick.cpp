#include "base/cmcTick.h"

#include "platform/Clock.h"

void cmcTick::Start(uint32_t ms) {
    duration_ = ms;
    start_ = platform::GetClock().NowMs();
    active_ = 1;
}

uint32_t cmcTick::Remaining() {
    if (!active_) return 0;
    // Unsigned subtraction counts correctly across a wrap of the 32-bit counter.
    uint32_t elapsed = platform::GetClock().NowMs() - start_;
    if (elapsed < duration_) return duration_ - elapsed;
    active_ = 0;
    return 0;
}
