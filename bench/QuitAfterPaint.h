#pragma once
// What the start-up benchmark's yardstick windows share: once the target widget (or a child of
// it) has painted, print the monotonic and CPU clocks as "first-sheet-painted NS CPU-NS", as
// KELDA does when timed, and quit.
#include <QApplication>
#include <QEvent>
#include <QObject>
#include <QTimer>
#include <QWidget>
#include <cstdio>
#include <ctime>

class QuitAfterPaint : public QObject {
  public:
    explicit QuitAfterPaint(QWidget* target) : target_(target) {}
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint && !done_ && watched->isWidgetType() &&
            (watched == target_ || target_->isAncestorOf(static_cast<QWidget*>(watched)))) {
            done_ = true;
            QTimer::singleShot(0, qApp, [] {
                timespec now{};
                clock_gettime(CLOCK_MONOTONIC, &now);
                timespec cpu{};
                clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &cpu);
                std::printf("first-sheet-painted %lld %lld\n",
                            static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec,
                            static_cast<long long>(cpu.tv_sec) * 1000000000LL + cpu.tv_nsec);
                std::fflush(stdout);
                QApplication::quit();
            });
        }
        return false;
    }

  private:
    QWidget* target_;
    bool done_ = false;
};
