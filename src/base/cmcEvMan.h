#pragma once
// The process-wide event hub: parts raise numbered events (EventCodes.h); subscribers react.
// Sent events are delivered at once; posted ones from the hub's 10 ms task; queries gather
// replies.
#include <cstdint>
#include <deque>
#include <list>
#include <optional>
#include <string>
#include <vector>

class cmcTask;

struct cmcEvAns {
    int first = 0;
    int second = 0;
    std::vector<uint8_t> data;
};

struct HubEvent {
    enum Mode { kPosted = 0, kSent = 1, kQuery = 2 };
    int code = 0;
    int mode = kSent;
    intptr_t first = 0;  // an int or a pointer
    int second = 0;
    std::vector<uint8_t> data;  // owned copy; a text keeps its terminating NUL
    std::vector<cmcEvAns> replies;

    bool HasData() const { return !data.empty(); }
    // The data as a text (empty when there is none).
    const char* Text() const {
        return data.empty() ? "" : reinterpret_cast<const char*>(data.data());
    }
};

using HubCallback = void (*)(void* user, HubEvent& event);

class cmcEvMan {
  public:
    cmcEvMan();
    ~cmcEvMan();
    cmcEvMan(const cmcEvMan&) = delete;
    cmcEvMan& operator=(const cmcEvMan&) = delete;

    void Subscribe(HubCallback callback, void* user);
    void Unsubscribe(HubCallback callback, void* user);

    void Send(int code, intptr_t first = 0, int second = 0);
    void SendText(int code, intptr_t first, int second, const std::string& text);
    void SendData(int code, intptr_t first, int second, const void* data, size_t length);
    void Post(int code, intptr_t first = 0, int second = 0);
    void PostText(int code, intptr_t first, int second, const std::string& text);
    void PostData(int code, intptr_t first, int second, const void* data, size_t length);

    // Delivers at once; the first reply given with Reply, if any.
    std::optional<cmcEvAns> Query(int code, intptr_t first = 0, int second = 0);
    // Answers the query being delivered (ignored outside a query).
    void Reply(int first, int second, const void* data = nullptr, size_t length = 0);

    // One pass of the queue: what was queued before the pass began is delivered, then
    // subscriptions marked as removed are freed. The hub's task calls this every 10 ms.
    void Pass();

    size_t QueuedCount() const { return queue_.size(); }
    size_t LiveSubscriptions() const;

  private:
    struct Subscription {
        HubCallback callback;
        void* user;
        bool removed;
    };
    void Deliver(HubEvent& event);
    static HubEvent Make(int code, int mode, intptr_t first, int second, const void* data,
                         size_t length);

    std::list<Subscription> subs_;  // newest first; nodes stay put while delivering
    std::deque<HubEvent> queue_;
    std::vector<HubEvent*> queries_;  // queries being delivered, innermost last
    cmcTask* task_ = nullptr;
};

// The process-wide hub; tests install their own.
cmcEvMan& EvMan();
cmcEvMan* InstallEvMan(cmcEvMan* hub);
