// The worker's one-slot pending error: replacement, notification, threads.

#include "session/PendingError.h"
#include "session/TransferExceptions.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

TEST(PendingError, TwoErrorsBeforeTheUserInterfaceRunsGiveOneDialogWithTheSecond)
{
    TPendingError slot;
    int notified = 0;
    slot.SetOnErrorPending([&] { ++notified; });
    EXPECT_TRUE(slot.Empty());
    EXPECT_EQ(slot.Take(), nullptr);

    slot.Set(std::make_unique<EFTRemoteDirectoryCantRead>());
    slot.Set(std::make_unique<EFTRemoteFileNotFound>());
    EXPECT_EQ(notified, 2);
    EXPECT_FALSE(slot.Empty());

    const auto first = slot.Take();
    ASSERT_NE(first, nullptr);
    EXPECT_STREQ(first->what(), "The remote file was not found.");
    EXPECT_EQ(slot.Take(), nullptr); // the second message finds the slot empty
    EXPECT_TRUE(slot.Empty());
}

TEST(PendingError, NoHandlerAfterDetachAndNoNotificationForNothing)
{
    TPendingError slot;
    int notified = 0;
    slot.SetOnErrorPending([&] { ++notified; });
    slot.Set(nullptr);
    EXPECT_EQ(notified, 0);
    slot.SetOnErrorPending(nullptr);
    slot.Set(std::make_unique<std::runtime_error>("x"));
    EXPECT_EQ(notified, 0);
    EXPECT_FALSE(slot.Empty());
    slot.Set(nullptr);
    EXPECT_TRUE(slot.Empty());
}

TEST(PendingError, ThreadsReplaceErrorsWhileTheUserInterfaceTakesThem)
{
    TPendingError slot;
    std::atomic<int> notified{0};
    slot.SetOnErrorPending([&] { notified.fetch_add(1); });

    constexpr int kWriters = 4;
    constexpr int kPerWriter = 2000;
    std::atomic<bool> done{false};
    int taken = 0;
    std::thread reader([&] {
        while (!done.load()) {
            if (auto error = slot.Take()) {
                ++taken;
                ASSERT_EQ(error->what()[0], 'e');
            }
        }
    });
    std::vector<std::thread> writers;
    for (int w = 0; w < kWriters; ++w)
        writers.emplace_back([&slot, w] {
            for (int i = 0; i < kPerWriter; ++i)
                slot.Set(std::make_unique<std::runtime_error>("error " + std::to_string(w) + "/" + std::to_string(i)));
        });
    for (auto& t : writers)
        t.join();
    done = true;
    reader.join();
    if (slot.Take())
        ++taken;

    EXPECT_EQ(notified.load(), kWriters * kPerWriter);
    EXPECT_GE(taken, 1);
    EXPECT_LE(taken, kWriters * kPerWriter);
    EXPECT_TRUE(slot.Empty());
}

TEST(PendingError, DetachingWaitsForARunningHandler)
{
    TPendingError slot;
    std::atomic<bool> inHandler{false};
    std::atomic<bool> release{false};
    std::atomic<bool> handlerFinished{false};
    slot.SetOnErrorPending([&] {
        inHandler = true;
        while (!release.load())
            std::this_thread::yield();
        handlerFinished = true;
    });
    std::thread worker([&] { slot.Set(std::make_unique<std::runtime_error>("x")); });
    while (!inHandler.load())
        std::this_thread::yield();
    std::thread releaser([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        release = true;
    });
    slot.SetOnErrorPending(nullptr);
    EXPECT_TRUE(handlerFinished.load());
    worker.join();
    releaser.join();
}
