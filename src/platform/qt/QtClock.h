#pragma once
// The window program's clock: a monotonic millisecond tick and QTimers on the GUI thread.
#include <QElapsedTimer>

#include "platform/Clock.h"

namespace platform {

class QtClock : public Clock {
  public:
    QtClock();
    uint32_t NowMs() override;
    std::unique_ptr<Timer> CreateTimer(std::function<void()> onTick) override;

  private:
    QElapsedTimer elapsed_;
};

}  // namespace platform
