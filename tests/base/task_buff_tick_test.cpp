#include <gtest/gtest.h>

#include <numeric>
#include <vector>

#include "base/cmcBuff.h"
#include "base/cmcTask.h"
#include "base/cmcTick.h"
#include "support/ManualClock.h"

namespace {

struct Counter {
    int calls = 0;
    static void Tick(void* self, cmcTask*) { ++static_cast<Counter*>(self)->calls; }
};

TEST(cmcTask, IntervalZeroRunsEveryMillisecondNegativeStops) {
    test::ManualClock clock;
    Counter c;
    cmcTask* t = new cmcTask;
    EXPECT_TRUE(t->Idle());
    t->SetCallback(&Counter::Tick, &c);
    t->SetInterval(0);
    EXPECT_FALSE(t->Idle());
    clock.Advance(10);
    EXPECT_EQ(c.calls, 10);
    t->SetInterval(-5);
    EXPECT_TRUE(t->Idle());
    EXPECT_EQ(t->Interval(), -5);
    clock.Advance(10);
    EXPECT_EQ(c.calls, 10);
    cmcTask::Release(t);  // idle: freed at once
    EXPECT_EQ(clock.ActiveTimers(), 0u);
}

// An owner that goes away while its task's timer runs: the task goes with it, and its timer
// never fires into the dead owner.
TEST(cmcTask, ReleasedWhileItsTimerRunsNeverCallsBack) {
    test::ManualClock clock;
    auto* c = new Counter;
    cmcTask* t = new cmcTask;
    t->SetCallback(&Counter::Tick, c);
    t->SetInterval(10);
    clock.Advance(10);
    EXPECT_EQ(c->calls, 1);
    cmcTask::Release(t);
    delete c;  // the owner is gone (ASan would flag a late callback)
    EXPECT_EQ(clock.ActiveTimers(), 0u);
    clock.Advance(100);
}

// A callback that releases its own task from inside the tick.
TEST(cmcTask, ReleaseFromInsideOwnCallbackIsSafe) {
    test::ManualClock clock;
    struct Owner {
        cmcTask* task;
        int calls = 0;
        static void Tick(void* self, cmcTask*) {
            auto* o = static_cast<Owner*>(self);
            ++o->calls;
            cmcTask::Release(o->task);  // inside its own tick: must not be freed at once
        }
    } owner;
    owner.task = new cmcTask;
    owner.task->SetCallback(&Owner::Tick, &owner);
    owner.task->SetInterval(5);
    clock.Advance(5);
    EXPECT_EQ(owner.calls, 1);
    EXPECT_EQ(clock.ActiveTimers(), 1u);  // still there, detached, until its next tick
    clock.Advance(1);
    EXPECT_EQ(clock.ActiveTimers(), 0u);
    clock.Advance(20);
    EXPECT_EQ(owner.calls, 1);
}

TEST(cmcBuff, GrowthFollowsTheQuarterRule) {
    cmcBuff b;
    EXPECT_EQ(b.Size(), 0);
    EXPECT_EQ(b.Capacity(), 1);
    EXPECT_EQ(b.SetSize(10), 10);
    EXPECT_EQ(b.Capacity(), 10);
    for (int i = 0; i < 10; ++i) EXPECT_EQ(b.At(i), 0);
    b.SetSize(100);
    EXPECT_EQ(b.Capacity(), 102);
    b.SetSize(5);  // shrinking keeps storage
    EXPECT_EQ(b.Capacity(), 102);
}

TEST(cmcBuff, AppendAssignAndQueueOrder) {
    cmcBuff b;
    b.AppendBytes("abc", 3);
    b.AppendByte('d');
    b.AppendFill('x', 2);
    cmcBuff c(b);
    c.Append(c);  // appending itself doubles the contents
    ASSERT_EQ(c.Size(), 12);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(c.Data()), 12), "abcdxxabcdxx");
    std::string popped;
    for (int v; (v = b.PopFront()) >= 0;) popped += static_cast<char>(v);
    EXPECT_EQ(popped, "abcdxx");
    EXPECT_EQ(b.PopFront(), -1);
    b.Reset();
    EXPECT_EQ(b.Capacity(), 1);
}

TEST(cmcBuff, CompactsOnlyAfter4096ConsumedBytes) {
    cmcBuff b;
    std::vector<uint8_t> data(10000);
    std::iota(data.begin(), data.end(), 0);
    b.AppendBytes(data.data(), static_cast<int>(data.size()));
    for (int i = 0; i < 4096; ++i) ASSERT_EQ(b.PopFront(), data[i]);
    EXPECT_EQ(b.ConsumedAtFront(), 4096);  // never moved so far
    EXPECT_EQ(b.PopFront(), data[4096]);
    EXPECT_EQ(b.ConsumedAtFront(), 0);  // the 4097th pop compacted
    EXPECT_EQ(b.Capacity(), b.Size());
    for (int i = 4097; i < 10000; ++i) ASSERT_EQ(b.PopFront(), data[i]);
}

TEST(cmcBuffDeathTest, IndexAtOrBeyondSizeIsFatal) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            cmcBuff b;
            b.SetSize(4);
            b.At(4);
        },
        testing::ExitedWithCode(3), "Out of cmcBuff element !");
}

TEST(cmcTick, CountsDownAcrossTheTickWrap) {
    test::ManualClock clock(0xFFFFFF00u);  // 256 ms before the 32-bit counter wraps
    cmcTick t;
    EXPECT_EQ(t.Remaining(), 0u);
    t.Start(1000);
    EXPECT_TRUE(t.Active());
    clock.Advance(600);  // crosses the wrap
    EXPECT_EQ(t.Remaining(), 400u);
    clock.Advance(400);
    EXPECT_EQ(t.Remaining(), 0u);
    EXPECT_FALSE(t.Active());
    clock.Advance(0xFFFFFFF0u);  // long after: stays expired
    EXPECT_EQ(t.Remaining(), 0u);
}

}  // namespace
