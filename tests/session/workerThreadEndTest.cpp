// The browsing worker whose thread ends on its own: memory running out in
// the middle of an operation closes the session, tells the owner on its
// thread, and leaves a worker that can still be asked things and stopped.

#include "WorkerHarness.h"

#include <gtest/gtest.h>

#include <new>

TEST(WorkerThreadEnd, AnOperationRunningOutOfMemoryEndsTheThreadAndSaysSo)
{
    BrowseTree tree;
    VsftpdServer server(tree.Root());
    WorkerHarness h;
    h.Worker->OnThreadEnded.Set([&h](TFTPWorker&) { h.Events.emplace_back("ThreadEnded"); });
    ASSERT_TRUE(h.Connect(h.HostFor(server))) << server.Log();
    h.List();

    // The next command sent fails as an allocation would.
    h.Worker->OnLog.Set([](TWorkerLogKind, const std::string&) { throw std::bad_alloc(); });
    h.Worker->InvalidateListing(h.Worker->CurrentDir());
    h.Worker->RequestListing();
    ASSERT_TRUE(h.WaitForEvent("ThreadEnded", 1)) << server.Log();
    h.Dispatcher.ProcessEvents();
    const auto disconnected = std::find(h.Events.begin(), h.Events.end(), "Disconnected");
    const auto ended = std::find(h.Events.begin(), h.Events.end(), "ThreadEnded");
    EXPECT_LT(disconnected, ended);
    EXPECT_EQ(h.Count("ThreadEnded"), 1U);
    EXPECT_FALSE(h.Worker->IsSessionOpen());

    // A direct operation no longer waits for a thread that is gone.
    h.Worker->OnLog.Clear();
    h.Worker->ChangeDir("/sub");
    EXPECT_NE(h.Worker->CurrentDir(), "/sub");
    h.Worker->Stop();
    EXPECT_EQ(h.Count("ThreadEnded"), 1U);
}

TEST(WorkerThreadEnd, StoppingTheWorkerIsNoUnexpectedEnd)
{
    BrowseTree tree;
    VsftpdServer server(tree.Root());
    WorkerHarness h;
    h.Worker->OnThreadEnded.Set([&h](TFTPWorker&) { h.Events.emplace_back("ThreadEnded"); });
    ASSERT_TRUE(h.Connect(h.HostFor(server))) << server.Log();
    const std::size_t disconnects = h.Count("Disconnected");
    h.Worker->Stop();
    h.Dispatcher.ProcessEvents();
    EXPECT_EQ(h.Count("ThreadEnded"), 0U);
    EXPECT_EQ(h.Count("Disconnected"), disconnects + 1);
}
