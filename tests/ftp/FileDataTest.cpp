// File data through the socket transport without a server: a connected
// socket pair stands in for a data connection, so every path of
// ReadSomeToFile/WriteFromFile (copy, splice, sendfile, their fallbacks,
// abort, timeout) runs on exact bytes.
#include "ftp/IOHandlerStack.h"
#include "ftp/IdExceptions.h"
#include "servers/TestServers.h"
#include "TLSTestSupport.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <thread>

namespace {

class FileData : public testing::Test {
protected:
    void SetUp() override
    {
        dir_ = MakeTempDir("tovrel-filedata-");
        int pair[2];
        ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair), 0);
        io_.Adopt(pair[0]);
        peer_ = pair[1];
    }

    void TearDown() override
    {
        if (peer_ >= 0)
            ::close(peer_);
        io_.Close();
        RemoveTree(dir_);
    }

    /// Sends `bytes` from the peer on a thread, then closes the peer.
    std::thread SendAndClose(std::string bytes)
    {
        const int peer = std::exchange(peer_, -1);
        return std::thread([peer, bytes = std::move(bytes)] {
            std::size_t done = 0;
            while (done < bytes.size()) {
                const ssize_t n = ::send(peer, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
                if (n <= 0)
                    break;
                done += static_cast<std::size_t>(n);
            }
            ::close(peer);
        });
    }

    /// Reads until the peer closes; returns the chunk sizes.
    std::vector<std::size_t> ReceiveAll(int file, std::size_t chunk)
    {
        std::vector<std::size_t> sizes;
        while (const std::size_t got = io_.ReadSomeToFile(file, chunk))
            sizes.push_back(got);
        return sizes;
    }

    std::string dir_;
    TIdIOHandlerStack io_;
    int peer_ = -1;
};

TEST_F(FileData, ReceivedBytesReachTheFileWhateverPathCarriesThem)
{
    // A few bytes (copied), several MiB (copied, then spliced), and a file
    // opened for appending, which splice refuses: the copy takes over
    // without losing what the pipe already held.
    struct Case {
        std::size_t size;
        int flags;
        std::string existing;
    };
    for (const Case& c : {Case{10, O_TRUNC, ""}, Case{3 << 20, O_TRUNC, ""}, Case{3 << 20, O_APPEND, "kept|"}}) {
        SCOPED_TRACE(std::to_string(c.size) + (c.flags == O_APPEND ? " append" : ""));
        TearDown();
        SetUp();
        const std::string path = dir_ + "/out.bin";
        WriteWholeFile(path, c.existing);
        const int file = ::open(path.c_str(), O_WRONLY | O_CLOEXEC | c.flags);
        ASSERT_GE(file, 0);
        const std::string bytes = FixtureTree::Pattern(c.size, 5);
        std::thread sender = SendAndClose(bytes);
        const std::size_t chunk = 256 * 1024;
        std::size_t total = 0;
        for (const std::size_t got : ReceiveAll(file, chunk)) {
            EXPECT_LE(got, chunk);
            total += got;
        }
        sender.join();
        ::close(file);
        EXPECT_EQ(total, c.size);
        EXPECT_EQ(ReadWholeFile(path), c.existing + bytes);
        EXPECT_EQ(io_.ReadSomeToFile(file, chunk), 0u) << "stays at end of data";
    }
}

TEST_F(FileData, AbortFromAnotherThreadFailsTheReadAndKeepsWhatArrived)
{
    const std::string path = dir_ + "/out.bin";
    const int file = ::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
    const std::string bytes = FixtureTree::Pattern(200000, 9);
    ASSERT_EQ(::send(peer_, bytes.data(), bytes.size(), 0), static_cast<ssize_t>(bytes.size()));
    std::size_t total = 0;
    while (total < bytes.size())
        total += io_.ReadSomeToFile(file, 1 << 20);  // past the copied start: the splice path
    std::atomic<bool> aborted{false};
    std::thread aborter([&] {
        // The reader is blocked (or about to block) on an idle connection.
        std::this_thread::yield();
        io_.Abort();
        aborted = true;
    });
    try {
        io_.ReadSomeToFile(file, 1 << 20);
        ADD_FAILURE() << "an aborted read must raise";
    } catch (const EIdSocketError& e) {
        EXPECT_EQ(e.SocketErrorCode(), 10053);
    }
    aborter.join();
    EXPECT_TRUE(aborted);
    ::close(file);
    EXPECT_EQ(ReadWholeFile(path), bytes);
}

TEST(CutConnection, EndsWithAResetSoASendingServerLearnsAtOnce)
{
    // A plain close of a connection whose receive window is shut can leave
    // an orphaned socket that keeps a sending server waiting for minutes.
    const tlstest::Listener listener;
    for (const bool cut : {false, true}) {
        TIdIOHandlerStack io;
        io.Open("127.0.0.1", static_cast<std::uint16_t>(listener.port));
        const int peer = listener.Accept();
        ASSERT_GE(peer, 0);
        if (cut)
            io.Abort();
        io.Close();
        pollfd wait{peer, 0, 0};
        ::poll(&wait, 1, 500);
        EXPECT_EQ((wait.revents & POLLERR) != 0, cut) << "cut " << cut;
        ::close(peer);
    }
}

TEST_F(FileData, SilentPeerTimesOutOnTheSplicePath)
{
    const int file = ::open((dir_ + "/out.bin").c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
    const std::string bytes = FixtureTree::Pattern(100000, 2);
    ASSERT_EQ(::send(peer_, bytes.data(), bytes.size(), 0), static_cast<ssize_t>(bytes.size()));
    io_.ReadTimeout = 200;
    std::size_t total = 0;
    while (total < bytes.size())
        total += io_.ReadSomeToFile(file, 1 << 20);
    EXPECT_THROW(io_.ReadSomeToFile(file, 1 << 20), EIdReadTimeout);
    ::close(file);
}

TEST_F(FileData, FileWriteErrorIsReportedAsSuch)
{
    // /dev/full takes no byte: the error names the local file, not the
    // connection, on the copy path at the start and on the splice path
    // (which /dev/full refuses, so its fallback copy meets the error).
    const int full = ::open("/dev/full", O_WRONLY | O_CLOEXEC);
    ASSERT_GE(full, 0);
    const int file = ::open((dir_ + "/out.bin").c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
    std::thread sender = SendAndClose(FixtureTree::Pattern(4 << 20, 4));
    const auto expectWriteError = [&] {
        try {
            io_.ReadSomeToFile(full, 1 << 20);
            ADD_FAILURE() << "writing to /dev/full must fail";
        } catch (const EIdSocketError&) {
            ADD_FAILURE() << "a local write error is no socket error";
        } catch (const EIdException& e) {
            EXPECT_NE(std::string(e.what()).find("Cannot write the local file"), std::string::npos) << e.what();
        }
    };
    expectWriteError();
    std::size_t copied = 0;
    while (copied < 256 * 1024)
        copied += io_.ReadSomeToFile(file, 1 << 20);
    expectWriteError();
    io_.Abort();
    sender.join();
    ::close(file);
    ::close(full);
}

TEST_F(FileData, FileIsSentWhole)
{
    // Large enough to need several calls, from an offset, and from a file at
    // its end.
    const std::string path = dir_ + "/in.bin";
    const std::string bytes = FixtureTree::Pattern(5 << 20, 8);
    WriteWholeFile(path, bytes);
    const int file = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(file, 0);
    ASSERT_EQ(::lseek(file, 1000, SEEK_SET), 1000);
    std::string received;
    std::thread reader([&, peer = peer_] {
        char buffer[65536];
        ssize_t n;
        while ((n = ::recv(peer, buffer, sizeof buffer, 0)) > 0)
            received.append(buffer, static_cast<std::size_t>(n));
    });
    std::size_t total = 0;
    while (const std::size_t sent = io_.WriteFromFile(file, 1 << 20)) {
        EXPECT_LE(sent, 1u << 20);
        total += sent;
    }
    EXPECT_EQ(io_.WriteFromFile(file, 1 << 20), 0u);
    ::close(file);
    io_.Close();
    reader.join();
    EXPECT_EQ(total, bytes.size() - 1000);
    EXPECT_EQ(received, bytes.substr(1000));
}

TEST_F(FileData, AbortedSendRaises10038)
{
    const std::string path = dir_ + "/in.bin";
    WriteWholeFile(path, FixtureTree::Pattern(8 << 20, 1));
    const int file = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    // Nobody reads the peer: the send blocks once the socket buffers fill.
    std::thread aborter([&] {
        std::this_thread::yield();
        io_.Abort();
    });
    try {
        while (io_.WriteFromFile(file, 1 << 20) > 0) {
        }
        ADD_FAILURE() << "an aborted send must raise";
    } catch (const EIdSocketError& e) {
        EXPECT_EQ(e.SocketErrorCode(), 10038);
    }
    aborter.join();
    ::close(file);
}

}  // namespace
