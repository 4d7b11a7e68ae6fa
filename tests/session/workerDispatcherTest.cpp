// The headless event loop: order, blocking hand-over, shutdown.

#include "session/EventDispatcher.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

TEST(EventDispatcher, RunsPostsAndSendsInOrderOnTheOwner)
{
    TEventDispatcher dispatcher;
    std::vector<int> seen;  // owner thread only
    std::atomic<bool> sent{false};
    std::thread other([&] {
        for (int i = 0; i < 100; ++i)
            dispatcher.Post([&seen, i] { seen.push_back(i); });
        dispatcher.Send([&] {
            EXPECT_TRUE(dispatcher.IsOwnerThread());
            seen.push_back(100);
        });
        sent = true;  // only after the owner ran the closure
    });
    EXPECT_TRUE(dispatcher.WaitFor([&] { return seen.size() == 101; }, std::chrono::seconds(10)));
    other.join();
    EXPECT_TRUE(sent);
    for (int i = 0; i <= 100; ++i)
        EXPECT_EQ(seen[static_cast<std::size_t>(i)], i);
}

TEST(EventDispatcher, ShutdownReleasesABlockedSender)
{
    TEventDispatcher dispatcher;
    std::atomic<bool> ran{false};
    std::thread other([&] { dispatcher.Send([&] { ran = true; }); });
    // Give the sender time to block; the owner never runs events.
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    dispatcher.Shutdown();
    other.join();
    EXPECT_FALSE(ran);
    dispatcher.Post([&] { ran = true; });
    EXPECT_FALSE(dispatcher.ProcessEvents());
}

TEST(EventDispatcher, WakeHandlerRunsOncePerClosureQueuedFromAnotherThread)
{
    TEventDispatcher dispatcher;
    std::atomic<int> wakes{0};
    dispatcher.SetWakeHandler([&] { ++wakes; });
    dispatcher.Post([] {});  // on the owner: queued, and a GUI loop must still be told
    std::thread other([&] {
        dispatcher.Post([] {});
        dispatcher.Send([] {});
    });
    EXPECT_TRUE(dispatcher.WaitFor([&] { return wakes == 3; }, std::chrono::seconds(10)));
    other.join();
    dispatcher.ProcessEvents();
    EXPECT_EQ(wakes, 3);
}
