#include "platform/qt/QtClock.h"

#include <QPointer>
#include <QTimer>

namespace platform {
namespace {

class QtTimer : public Timer {
  public:
    explicit QtTimer(std::function<void()> fn) : timer_(new QTimer) {
        timer_->setTimerType(Qt::PreciseTimer);
        QObject::connect(timer_, &QTimer::timeout, timer_, std::move(fn));
    }
    // The owner may delete us from inside our own timeout: the QTimer goes later.
    ~QtTimer() override {
        if (timer_) {
            timer_->stop();
            timer_->disconnect();
            timer_->deleteLater();
        }
    }
    void Start(int intervalMs) override { timer_->start(std::max(intervalMs, 1)); }
    void Stop() override { timer_->stop(); }
    bool IsActive() const override { return timer_ && timer_->isActive(); }

  private:
    QPointer<QTimer> timer_;
};

}  // namespace

QtClock::QtClock() {
    elapsed_.start();
}

uint32_t QtClock::NowMs() {
    return static_cast<uint32_t>(elapsed_.elapsed());
}

std::unique_ptr<Timer> QtClock::CreateTimer(std::function<void()> onTick) {
    return std::make_unique<QtTimer>(std::move(onTick));
}

}  // namespace platform
