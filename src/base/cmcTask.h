#pragma once
// A periodic task on the one thread's timer. Every piece of background work (feeding the serial
// port, stepping the clone protocol, draining the event queue) is the callback of a cmcTask.
#include <memory>

#include "platform/Clock.h"

class cmcTask {
  public:
    using Callback = void (*)(void* data, cmcTask* task);

    cmcTask();
    cmcTask(const cmcTask&) = delete;
    cmcTask& operator=(const cmcTask&) = delete;

    void SetCallback(Callback callback, void* data);
    // Negative stops the timer; 0 or more runs it every max(ms, 1) ms.
    void SetInterval(int ms);
    // Forgets the callback and stops the timer.
    void Detach();
    // The task frees itself on its next tick.
    void DestroyLater();

    // How an owner disposes of its task: one inside its own tick is detached and frees itself
    // one tick later; any other is freed at once (its timer with it).
    static void Release(cmcTask* task);

    int Interval() const { return interval_; }
    bool Busy() const { return busy_; }
    bool DestroyPending() const { return destroyPending_; }
    bool Idle() const { return idle_; }

    // The timer's event; public so that tests can drive a task by hand.
    void Tick();

  private:
    ~cmcTask();  // tasks live on the heap and end through Release or DestroyLater

    Callback callback_ = nullptr;
    void* data_ = nullptr;
    int interval_ = -1;
    bool busy_ = false;
    bool destroyPending_ = false;
    bool idle_ = true;
    std::unique_ptr<platform::Timer> timer_;
};
