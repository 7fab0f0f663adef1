#include "base/cmcTask.h"

#include <algorithm>

cmcTask::cmcTask() {
    timer_ = platform::GetClock().CreateTimer([this] { Tick(); });
}

cmcTask::~cmcTask() = default;

void cmcTask::SetCallback(Callback callback, void* data) {
    callback_ = callback;
    data_ = data;
}

void cmcTask::SetInterval(int ms) {
    interval_ = ms;
    if (ms < 0)
        timer_->Stop();
    else
        timer_->Start(std::max(ms, 1));
    idle_ = !timer_->IsActive();
}

void cmcTask::Detach() {
    callback_ = nullptr;
    data_ = nullptr;
    timer_->Stop();
    idle_ = true;
}

void cmcTask::DestroyLater() {
    destroyPending_ = true;
    SetInterval(1);
}

void cmcTask::Release(cmcTask* task) {
    if (!task) return;
    // Only a task inside its own tick must outlive its owner; a timer that merely runs is
    // cancelled with the task, so freeing at once never leaves a pending tick behind, and no
    // task is left waiting for a tick that a finished program never gives it.
    if (task->Busy()) {
        task->Detach();
        task->DestroyLater();
    } else {
        delete task;
    }
}

void cmcTask::Tick() {
    if (destroyPending_) {
        delete this;
        return;
    }
    if (busy_ || !callback_) return;
    busy_ = true;
    callback_(data_, this);
    busy_ = false;
}
