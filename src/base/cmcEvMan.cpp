#include "base/cmcEvMan.h"

#include <cstring>
#include <utility>

#include "base/cmcTask.h"

namespace {
// Callables below this address are treated as none.
constexpr uintptr_t kNoCallableBelow = 0x10000;
constexpr int kQueuePeriodMs = 10;

cmcEvMan* gHub = nullptr;
}  // namespace

cmcEvMan::cmcEvMan() : task_(new cmcTask) {
    task_->SetCallback([](void* self, cmcTask*) { static_cast<cmcEvMan*>(self)->Pass(); }, this);
    task_->SetInterval(kQueuePeriodMs);
}

cmcEvMan::~cmcEvMan() {
    cmcTask::Release(task_);
    task_ = nullptr;
    queue_.clear();
    subs_.clear();
    if (gHub == this) gHub = nullptr;
}

void cmcEvMan::Subscribe(HubCallback callback, void* user) {
    if (reinterpret_cast<uintptr_t>(callback) < kNoCallableBelow) return;
    Unsubscribe(callback, user);
    subs_.push_front({callback, user, false});
}

void cmcEvMan::Unsubscribe(HubCallback callback, void* user) {
    for (auto& s : subs_)
        if (s.callback == callback && s.user == user) s.removed = true;
}

size_t cmcEvMan::LiveSubscriptions() const {
    size_t n = 0;
    for (const auto& s : subs_)
        if (!s.removed) ++n;
    return n;
}

HubEvent cmcEvMan::Make(int code, int mode, intptr_t first, int second, const void* data,
                        size_t length) {
    HubEvent e;
    e.code = code;
    e.mode = mode;
    e.first = first;
    e.second = second;
    if (data && length > 0) {
        const auto* p = static_cast<const uint8_t*>(data);
        e.data.assign(p, p + length);
    }
    return e;
}

void cmcEvMan::Deliver(HubEvent& event) {
    // Subscriptions added while delivering go in front and so miss this event; removed ones
    // are skipped from the moment they are marked.
    for (auto it = subs_.begin(); it != subs_.end(); ++it)
        if (!it->removed) it->callback(it->user, event);
}

void cmcEvMan::Send(int code, intptr_t first, int second) {
    SendData(code, first, second, nullptr, 0);
}

void cmcEvMan::SendText(int code, intptr_t first, int second, const std::string& text) {
    SendData(code, first, second, text.c_str(), text.size() + 1);
}

void cmcEvMan::SendData(int code, intptr_t first, int second, const void* data, size_t length) {
    HubEvent e = Make(code, HubEvent::kSent, first, second, data, length);
    Deliver(e);
}

void cmcEvMan::Post(int code, intptr_t first, int second) {
    PostData(code, first, second, nullptr, 0);
}

void cmcEvMan::PostText(int code, intptr_t first, int second, const std::string& text) {
    PostData(code, first, second, text.c_str(), text.size() + 1);
}

void cmcEvMan::PostData(int code, intptr_t first, int second, const void* data, size_t length) {
    queue_.push_back(Make(code, HubEvent::kPosted, first, second, data, length));
}

std::optional<cmcEvAns> cmcEvMan::Query(int code, intptr_t first, int second) {
    HubEvent e = Make(code, HubEvent::kQuery, first, second, nullptr, 0);
    queries_.push_back(&e);
    Deliver(e);
    queries_.pop_back();
    if (e.replies.empty()) return std::nullopt;
    return std::move(e.replies.front());
}

void cmcEvMan::Reply(int first, int second, const void* data, size_t length) {
    if (queries_.empty()) return;
    cmcEvAns a;
    a.first = first;
    a.second = second;
    if (data && length > 0) {
        const auto* p = static_cast<const uint8_t*>(data);
        a.data.assign(p, p + length);
    }
    queries_.back()->replies.push_back(std::move(a));
}

void cmcEvMan::Pass() {
    // Only what was queued before the pass began; events raised meanwhile wait for the next.
    size_t count = queue_.size();
    for (size_t i = 0; i < count && !queue_.empty(); ++i) {
        HubEvent e = std::move(queue_.front());
        queue_.pop_front();
        Deliver(e);
    }
    subs_.remove_if([](const Subscription& s) { return s.removed; });
}

cmcEvMan& EvMan() {
    if (!gHub) gHub = new cmcEvMan;  // lives for the whole process
    return *gHub;
}

cmcEvMan* InstallEvMan(cmcEvMan* hub) {
    return std::exchange(gHub, hub);
}
