#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/EventCodes.h"
#include "base/cmcEvMan.h"
#include "support/ManualClock.h"

namespace {

struct Log {
    std::vector<std::string> seen;
    static void A(void* self, HubEvent& e) {
        static_cast<Log*>(self)->seen.push_back("A" + std::to_string(e.code));
    }
    static void B(void* self, HubEvent& e) {
        static_cast<Log*>(self)->seen.push_back("B" + std::to_string(e.code));
    }
};

class EvManTest : public testing::Test {
  protected:
    test::ManualClock clock;
    cmcEvMan hub;
    Log log;
};

TEST_F(EvManTest, SendDeliversNewestFirstAndDuplicatesCollapse) {
    hub.Subscribe(&Log::A, &log);
    hub.Subscribe(&Log::B, &log);
    hub.Subscribe(&Log::A, &log);  // same pair again: one live subscription, now in front
    EXPECT_EQ(hub.LiveSubscriptions(), 2u);
    hub.Send(ev::kRepaintAll);
    EXPECT_EQ(log.seen, (std::vector<std::string>{"A13", "B13"}));
}

TEST_F(EvManTest, NullCallableIsIgnored) {
    hub.Subscribe(nullptr, &log);
    EXPECT_EQ(hub.LiveSubscriptions(), 0u);
}

TEST_F(EvManTest, PostedInsideAHandlerWaitsForTheNextPass) {
    struct Ctx {
        cmcEvMan* hub;
        std::vector<int> codes;
    } ctx{&hub, {}};
    hub.Subscribe(
        [](void* p, HubEvent& e) {
            auto* c = static_cast<Ctx*>(p);
            c->codes.push_back(e.code);
            if (e.code == ev::kRebuildTree) c->hub->Post(ev::kWarningsChanged);
        },
        &ctx);
    hub.Post(ev::kRebuildTree);
    hub.Post(ev::kRepaintAll);
    hub.Send(ev::kAbout);  // sent: at once
    EXPECT_EQ(ctx.codes, (std::vector<int>{ev::kAbout}));
    clock.Advance(10);  // one pass
    EXPECT_EQ(ctx.codes, (std::vector<int>{ev::kAbout, ev::kRebuildTree, ev::kRepaintAll}));
    EXPECT_EQ(hub.QueuedCount(), 1u);
    clock.Advance(10);
    EXPECT_EQ(ctx.codes.back(), ev::kWarningsChanged);
}

struct RemoveCtx {
    cmcEvMan* hub;
    int bCalls = 0;
    static void B(void* p, HubEvent&) { ++static_cast<RemoveCtx*>(p)->bCalls; }
    static void RemoveB(void* p, HubEvent&) { static_cast<RemoveCtx*>(p)->hub->Unsubscribe(&B, p); }
};

TEST_F(EvManTest, RemovedDuringDeliveryGetsNothingMore) {
    RemoveCtx ctx{&hub};
    hub.Subscribe(&RemoveCtx::B, &ctx);
    hub.Subscribe(&RemoveCtx::RemoveB, &ctx);  // newest: runs first and removes B
    hub.Send(ev::kRepaintAll);
    EXPECT_EQ(ctx.bCalls, 0);
    hub.Send(ev::kRepaintAll);
    EXPECT_EQ(ctx.bCalls, 0);
    clock.Advance(10);  // the marked subscription is freed by the pass
    EXPECT_EQ(hub.LiveSubscriptions(), 1u);
}

TEST_F(EvManTest, QueryReturnsFirstReplyOrNone) {
    EXPECT_FALSE(hub.Query(ev::kQuerySelectedNode).has_value());
    struct Ctx {
        cmcEvMan* hub;
    } ctx{&hub};
    hub.Subscribe(
        [](void* p, HubEvent& e) {
            if (e.code == ev::kQuerySelectedNode) static_cast<Ctx*>(p)->hub->Reply(7, 1, "n", 2);
        },
        &ctx);
    hub.Subscribe(
        [](void* p, HubEvent& e) {
            if (e.code == ev::kQuerySelectedNode) static_cast<Ctx*>(p)->hub->Reply(3, 0);
        },
        &ctx);
    auto ans = hub.Query(ev::kQuerySelectedNode);
    ASSERT_TRUE(ans.has_value());
    EXPECT_EQ(ans->first, 3);  // the newest subscriber answered first
    hub.Reply(1, 1);           // outside a query: ignored
}

TEST_F(EvManTest, TextDataIsAnOwnedCopyWithItsNul) {
    std::string got;
    size_t len = 0;
    struct Ctx {
        std::string* got;
        size_t* len;
    } ctx{&got, &len};
    hub.Subscribe(
        [](void* p, HubEvent& e) {
            auto* c = static_cast<Ctx*>(p);
            *c->got = e.Text();
            *c->len = e.data.size();
        },
        &ctx);
    {
        std::string text = "Ch 16";
        hub.PostText(ev::kSelectNodeByArgument, 0, 0, text);
    }  // the caller's text is gone before delivery
    clock.Advance(10);
    EXPECT_EQ(got, "Ch 16");
    EXPECT_EQ(len, 6u);
}

}  // namespace
