// The worker's remote operations against real servers: recursive delete,
// the link refusal, the recursive walk, the short operations.

#include "WorkerHarness.h"

#include "session/RemoteOperations.h"

#include <gtest/gtest.h>

namespace {

bool Has(const std::vector<std::string>& names, const std::string& name)
{
    return std::find(names.begin(), names.end(), name) != names.end();
}

/// The directory commands of the log, without data-connection set-up.
std::vector<std::string> TreeCommands(const std::vector<std::string>& commands)
{
    std::vector<std::string> kept;
    for (const auto& command : commands)
        for (const char* prefix : {"CWD", "CDUP", "LIST", "DELE", "RMD"})
            if (command.rfind(prefix, 0) == 0)
                kept.push_back(command);
    return kept;
}

class WorkerRemoteOps : public ::testing::Test {
protected:
    void SetUp() override
    {
        server = std::make_unique<VsftpdServer>(tree.Root());
        ASSERT_TRUE(harness.Connect(harness.HostFor(*server))) << harness.TakeError();
        harness.List();
        harness.ClearLog();
    }
    /// Requests the delete and waits until it ended either way.
    void Delete(std::vector<std::string> names)
    {
        const std::size_t done = harness.Count("DeleteDone");
        const std::size_t errors = harness.Count("Error");
        harness.Worker->RequestRecursiveDelete(std::move(names));
        harness.Dispatcher.WaitFor(
            [&] { return harness.Count("DeleteDone") > done || harness.Count("Error") > errors; },
            std::chrono::seconds(30));
        harness.Dispatcher.WaitFor([&] { return !harness.Worker->Busy(); }, std::chrono::seconds(10));
        harness.Dispatcher.ProcessEvents();
    }
    BrowseTree tree;
    std::unique_ptr<TestFtpServer> server;
    WorkerHarness harness;
};

TEST_F(WorkerRemoteOps, RecursiveDeleteRemovesTreesWithTheCommandSequence)
{
    Delete({"emptydir", "deleteme"});
    EXPECT_EQ(harness.TakeError(), "");
    EXPECT_EQ(harness.Count("DeleteDone"), 1u);
    EXPECT_FALSE(tree.Exists("deleteme"));
    EXPECT_FALSE(tree.Exists("emptydir"));
    EXPECT_TRUE(tree.Exists("tree/other.txt"));

    // Each tree is first checked for links, then deleted level by level:
    // files in listing order, subfolders from the last to the first.
    const std::vector<std::string> expected = {
        // emptydir: check, delete
        "CWD emptydir", "LIST -al", "CDUP", "CWD /",
        "CWD emptydir", "LIST -al", "CDUP", "RMD emptydir", "CWD /",
        // deleteme: check
        "CWD deleteme", "LIST -al",
        "CWD sub a", "LIST -al", "CWD deeper", "LIST -al", "CDUP", "CDUP",
        "CWD sub b", "LIST -al", "CDUP",
        "CDUP", "CWD /",
        // deleteme: delete
        "CWD deleteme", "LIST -al", "DELE f1.txt", "DELE f2.txt",
        "CWD sub b", "LIST -al", "CDUP", "RMD sub b",
        "CWD sub a", "LIST -al", "DELE f3.txt",
        "CWD deeper", "LIST -al", "DELE f4.txt", "CDUP", "RMD deeper",
        "CDUP", "RMD sub a",
        "CDUP", "RMD deleteme", "CWD /",
    };
    EXPECT_EQ(TreeCommands(harness.Commands()), expected);
}

TEST_F(WorkerRemoteOps, TreeHoldingALinkIsRefusedAndLeftUntouched)
{
    Delete({"haslink"});
    EXPECT_EQ(harness.TakeError(), "Can't delete directory.");
    EXPECT_EQ(harness.Count("DeleteDone"), 0u);
    EXPECT_TRUE(tree.Exists("haslink/keep.txt"));
    EXPECT_TRUE(tree.Exists("haslink/inner/keep2.txt"));
    EXPECT_TRUE(tree.Exists("haslink/inner/lnk"));
    EXPECT_TRUE(tree.Exists("hello.txt"));
    EXPECT_EQ(harness.CountCommands("DELE"), 0u);
    EXPECT_EQ(harness.Worker->CurrentDir(), "/");
    harness.Worker->ChangeDir("tree");
    EXPECT_EQ(harness.Worker->CurrentDir(), "/tree") << "the worker went back to the start folder";
}

TEST_F(WorkerRemoteOps, ShortOperationsChangeTheTreeOrReport)
{
    harness.Worker->MakeDir("made here");
    EXPECT_EQ(harness.TakeError(), "");
    EXPECT_TRUE(tree.Exists("made here"));
    harness.Worker->MakeDir("made here");
    EXPECT_EQ(harness.TakeError(), "Could not create directory.");

    harness.Worker->RenameEntry("made here", "renamed");
    EXPECT_EQ(harness.TakeError(), "");
    EXPECT_TRUE(tree.Exists("renamed"));
    harness.Worker->RenameEntry("not there", "x");
    EXPECT_EQ(harness.TakeError(), "Could not rename the remote file or directory.");

    harness.Worker->DeleteEntry("tree/other.txt");
    EXPECT_EQ(harness.TakeError(), "");
    EXPECT_FALSE(tree.Exists("tree/other.txt"));
    harness.Worker->DeleteEntry("not there");
    EXPECT_EQ(harness.TakeError(), "The remote file was not found.");

    harness.Worker->ChangeMode("hello.txt", "600");
    EXPECT_TRUE(Has(harness.Commands(), "SITE CHMOD 600 hello.txt"));
    EXPECT_THROW(harness.Worker->ChangeOwner("hello.txt", "nobody"), std::exception);
}

TEST_F(WorkerRemoteOps, ClosedSessionReconnectsQuietlyBeforeAChange)
{
    harness.Worker->ChangeDir("tree");
    harness.Worker->Disconnect();
    harness.Dispatcher.ProcessEvents();
    EXPECT_FALSE(harness.Worker->IsSessionOpen());
    const std::size_t connected = harness.Count("Connected");
    const std::size_t loggedIn = harness.Count("LoggedIn");
    harness.ClearLog();

    harness.Worker->MakeDir("after reconnect");
    harness.Dispatcher.ProcessEvents();
    EXPECT_EQ(harness.TakeError(), "");
    EXPECT_TRUE(tree.Exists("tree/after reconnect")) << "the reconnect returned to the folder";
    EXPECT_TRUE(harness.Worker->IsSessionOpen());
    EXPECT_EQ(harness.Worker->CurrentDir(), "/tree");
    EXPECT_EQ(harness.Count("Connected"), connected) << "a reconnect does not restart the session";
    EXPECT_EQ(harness.Count("LoggedIn"), loggedIn);
    EXPECT_EQ(harness.CountCommands("QUIT"), 0u);
}

TEST_F(WorkerRemoteOps, WalkFindsMatchesInEveryLevelAndStopsWhenDetached)
{
    std::vector<std::string> found;
    std::vector<std::string> folders;
    harness.Worker->OnSearchListing.Set([&](const TIdFTPListItems& listing) {
        folders.push_back(harness.Worker->CurrentDir());
        for (const TIdFTPListItem& item : listing)
            if (std::string(item.FileName()).rfind("match", 0) == 0)
                found.push_back(harness.Worker->CurrentDir() + "/" + std::string(item.FileName()));
    });
    bool done = false;
    harness.Worker->OnSearchDone.Set([&](TFTPWorker&) { done = true; });
    harness.Worker->RequestRecursiveSearch("tree");
    ASSERT_TRUE(harness.Dispatcher.WaitFor([&] { return done; }, std::chrono::seconds(30)));
    harness.Dispatcher.WaitFor([&] { return !harness.Worker->Busy(); }, std::chrono::seconds(10));
    std::sort(found.begin(), found.end());
    EXPECT_EQ(found, (std::vector<std::string>{"/tree/level 1/level 2/match-deep.txt", "/tree/level 1/match one.txt",
                                               "/tree/match-top.txt", "/tree/zweig-\xc3\xa4/match-\xc3\xbc.txt"}));
    EXPECT_EQ(harness.Worker->CurrentDir(), "/");

    // A link to a folder is walked once it is resolved as a folder.
    found.clear();
    done = false;
    harness.Worker->RequestRecursiveSearch("linkdir");
    ASSERT_TRUE(harness.Dispatcher.WaitFor([&] { return done; }, std::chrono::seconds(30)));
    EXPECT_EQ(found.size(), 4u);
    harness.Dispatcher.WaitFor([&] { return !harness.Worker->Busy(); }, std::chrono::seconds(10));
    harness.Dispatcher.ProcessEvents();

    // Detaching in the first folder stops the walk without an error.
    folders.clear();
    done = false;
    harness.Worker->OnSearchListing.Set([&](const TIdFTPListItems&) {
        folders.push_back(harness.Worker->CurrentDir());
        harness.Worker->OnSearchListing.Clear();
        harness.Worker->OnSearchDone.Clear();
    });
    const std::size_t idles = harness.Count("Idle");
    harness.Worker->RequestRecursiveSearch("tree");
    ASSERT_TRUE(harness.WaitForEvent("Idle", idles + 1));
    harness.Dispatcher.WaitFor([&] { return !harness.Worker->Busy(); }, std::chrono::seconds(10));
    EXPECT_EQ(folders, (std::vector<std::string>{"/tree"}));
    EXPECT_FALSE(done);
    EXPECT_EQ(harness.Worker->CurrentDir(), "/");
    EXPECT_EQ(harness.TakeError(), "");
}

TEST(NewFolderName, FirstFreeCandidateIgnoringCase)
{
    struct Case {
        std::vector<std::string> Captions;
        const char* Expected;
    };
    const Case cases[] = {
        {{"..", "docs"}, "New folder"},
        {{"..", "new FOLDER"}, "New folder (1)"},
        {{"New folder", "NEW FOLDER (1)"}, "New folder (2)"},
        {{"New folder", "New folder (2)"}, "New folder (1)"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(NewFolderName(c.Captions), c.Expected);
}

}  // namespace
