#include "model/OrderedWork.h"
#include "support/RecordingHost.h"

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <thread>
#include <vector>

using namespace korvo;
using namespace std::chrono_literals;

TEST(OrderedWork, HandsBackEveryItemInOrderAndNeverRunsFarAhead)
{
    for (int workers : { 0, 1, 3 }) {
        constexpr int Items = 40;
        constexpr int Lookahead = 4;
        std::vector<int> results(Items, -1);
        std::atomic<int> highestStarted { -1 };
        std::atomic<int> waitedFor { 0 };
        std::atomic<bool> tooFarAhead { false };
        std::vector<std::thread::id> threadOf(Items);
        {
            TOrderedWork work(Items, workers, Lookahead, [&](int item, int worker) {
                if (item >= waitedFor + Lookahead)
                    tooFarAhead = true;
                int seen = highestStarted;
                while (seen < item && !highestStarted.compare_exchange_weak(seen, item)) { }
                EXPECT_LT(worker, std::max(workers, 1));
                threadOf[item] = std::this_thread::get_id();
                results[item] = item * item;
            });
            EXPECT_EQ(work.Workers(), workers);
            for (int item = 0; item < Items; ++item) {
                waitedFor = item;
                work.WaitFor(item, {}, 1ms);
                ASSERT_EQ(results[item], item * item) << workers;
            }
        }
        EXPECT_FALSE(tooFarAhead) << workers;
        // Without workers every item runs on the calling thread, inside WaitFor.
        if (workers == 0) {
            for (const std::thread::id& id : threadOf)
                EXPECT_EQ(id, std::this_thread::get_id());
        }
    }
}

TEST(OrderedWork, PumpsWhileWaitingOnTheCallingThreadOnly)
{
    std::atomic<bool> release { false };
    TOrderedWork work(2, 1, 2, [&](int item, int) {
        if (item == 0)
            while (!release)
                std::this_thread::sleep_for(1ms);
    });
    int pumps = 0;
    const std::thread::id caller = std::this_thread::get_id();
    work.WaitFor(
        0,
        [&] {
            EXPECT_EQ(std::this_thread::get_id(), caller);
            if (++pumps == 3)
                release = true;
        },
        1ms);
    EXPECT_GE(pumps, 3);
    pumps = 0;
    work.WaitFor(
        1, [&] { ++pumps; }, 1h); // a quick item: no pump needed
}

// The wait the long operations use: the host is pumped while an item is still being made, and
// an abort asked for then lets no later item start.
TEST(OrderedWork, WaitingWithAHostPumpsItAndHonoursItsAbort)
{
    std::atomic<bool> release { false };
    std::atomic<int> started { 0 };
    korvo::testing::TRecordingHost host;
    host.AbortOnPump = 2;
    host.OnPump = [&](int pump) {
        if (pump == 3)
            release = true;
    };
    TOrderedWork work(50, 1, 1, [&](int item, int) {
        ++started;
        if (item == 0)
            while (!release)
                std::this_thread::sleep_for(1ms);
    });
    work.WaitForWithHost(0, host, 1ms);
    EXPECT_GE(host.EventPumps, 3);
    EXPECT_TRUE(host.AbortRequested());
    for (int item = 2; item < 50; ++item)
        EXPECT_TRUE(work.Cancelled(item)) << item;
    EXPECT_LE(started, 2); // the one look-ahead item may have begun before the abort
}

TEST(OrderedWork, StoppedItemsDoNotStartAndAreReportedCancelled)
{
    std::atomic<int> highest { -1 };
    std::atomic<bool> release { false };
    {
        // Every job waits for the release, so only the first two items can have begun when
        // the stop comes.
        TOrderedWork work(100, 2, 100, [&](int item, int) {
            int seen = highest;
            while (seen < item && !highest.compare_exchange_weak(seen, item)) { }
            while (!release)
                std::this_thread::sleep_for(1ms);
        });
        work.StopFrom(5);
        EXPECT_FALSE(work.Cancelled(4));
        EXPECT_TRUE(work.Cancelled(5));
        release = true;
        work.WaitFor(4, {}, 1ms);
    }
    EXPECT_EQ(highest, 4);

    // An item waited for after it was stopped before it began runs on the calling thread.
    bool ran = false;
    TOrderedWork stopped(3, 2, 1, [&](int item, int) {
        if (item == 2)
            ran = true;
    });
    stopped.WaitFor(0, {}, 1ms);
    stopped.StopFrom(0);
    stopped.WaitFor(2, {}, 1ms);
    EXPECT_TRUE(ran);
}

TEST(OrderedWork, AJobThatThrowsStillEnds)
{
    std::vector<int> done(3, 0);
    TOrderedWork work(3, 2, 3, [&](int item, int) {
        if (item == 1)
            throw std::runtime_error("kaputt");
        done[item] = 1;
    });
    for (int item = 0; item < 3; ++item)
        work.WaitFor(item, {}, 1ms);
    EXPECT_EQ(done, (std::vector<int> { 1, 0, 1 }));
    EXPECT_GE(AvailableCores(), 1);
}
