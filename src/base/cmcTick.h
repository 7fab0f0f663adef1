#pragma once
// A one-shot deadline on the 32-bit millisecond tick (protocol time-outs).
#include <cstdint>

class cmcTick {
  public:
    void Start(uint32_t ms);
    // Milliseconds left; 0 when expired or never started. Expiry makes the deadline inactive.
    uint32_t Remaining();
    bool Active() const { return active_ != 0; }

  private:
    uint32_t duration_ = 0;
    uint32_t start_ = 0;
    int active_ = 0;
};
