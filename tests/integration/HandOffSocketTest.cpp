#include "integration/HandOffClient.h"
#include "integration/HandOffServer.h"
#include "QtCoreTestApp.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFileInfo>
#include <QLocalSocket>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <thread>

#include <cstdio>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

QCoreApplication& App()
{
    return TestCoreApp();
}

bool Spin(const std::function<bool()>& done)
{
    return SpinUntil(done);
}

class HandOffSocketTest : public ::testing::Test {
protected:
    void SetUp() override { App(); }
    QTemporaryDir dir_;
    std::string Name() const { return dir_.path().toStdString() + "/handoff.sock"; }
};

// The client blocks, so it runs on its own thread while the server's loop turns.
template <typename F>
auto OnThread(F f)
{
    using R = decltype(f());
    auto result = std::make_shared<std::pair<std::atomic<bool>, R>>();
    std::thread([result, f] {
        result->second = f();
        result->first = true;
    }).detach();
    return result;
}

std::string RawExchange(const std::string& name, const std::string& bytes)
{
    QLocalSocket socket;
    socket.connectToServer(QString::fromStdString(name));
    if (!socket.waitForConnected(5000))
        return "no connection";
    socket.write(bytes.data(), static_cast<qint64>(bytes.size()));
    socket.waitForBytesWritten(5000);
    while (socket.bytesAvailable() == 0 && socket.waitForReadyRead(5000)) {
    }
    return socket.readAll().toStdString();
}

} // namespace

TEST_F(HandOffSocketTest, LinksAndFilesReachTheRunningInstance)
{
    THandOffServer server(Name());
    std::vector<std::string> urls;
    std::vector<std::pair<int, std::vector<std::string>>> files;
    server.OnURL = [&](const std::string& url) { urls.push_back(url); };
    server.OnFiles = [&](int index, const std::vector<std::string>& paths) { files.emplace_back(index, paths); };
    ASSERT_TRUE(server.Listen());

    auto sent = OnThread([name = Name()] {
        return std::pair(SendHandOff(name, THandOffMessage::BrowserURL("ftp://h/pub/")),
                         SendHandOff(name, THandOffMessage::ExplorerFiles(5, {"/a/b.txt", "/a/c"})));
    });
    ASSERT_TRUE(Spin([&] { return sent->first && urls.size() == 1 && files.size() == 1; }));
    EXPECT_EQ(sent->second.first, THandOffDelivery::Accepted);
    EXPECT_EQ(sent->second.second, THandOffDelivery::Accepted);
    EXPECT_EQ(urls[0], "ftp://h/pub/");
    EXPECT_EQ(files[0].first, 5);
    EXPECT_EQ(files[0].second, (std::vector<std::string>{"/a/b.txt", "/a/c"}));

    // A start without a request only asks for the window.
    std::atomic<int> activated = 0;
    server.OnActivate = [&] { ++activated; };
    auto shown = OnThread([name = Name()] { return SendHandOff(name, THandOffMessage::Activate()); });
    ASSERT_TRUE(Spin([&] { return shown->first && activated == 1; }));
    EXPECT_EQ(shown->second, THandOffDelivery::Accepted);
    EXPECT_EQ(urls.size(), 1u);
    EXPECT_EQ(files.size(), 1u);
}

TEST_F(HandOffSocketTest, BadInputIsRefusedAndTheServerGoesOnServing)
{
    THandOffServer server(Name());
    int delivered = 0;
    std::vector<std::string> refusals;
    server.OnURL = [&](const std::string&) { ++delivered; };
    server.OnFiles = [&](int, const std::vector<std::string>&) { ++delivered; };
    server.OnRefused = [&](const std::string& reason) { refusals.push_back(reason); };
    ASSERT_TRUE(server.Listen());

    auto answers = OnThread([name = Name()] {
        std::vector<std::string> out;
        out.push_back(RawExchange(name, "GET / HTTP/1.1\r\n\r\n"));
        out.push_back(RawExchange(name, std::string("TFTP\xc5\x04\0\0\0\0\0\0\xff\xff\xff\xff", 16)));
        out.push_back(SendHandOff(name, THandOffMessage::BrowserURL("ftp://still/")) == THandOffDelivery::Accepted
                          ? "accepted" : "not accepted");
        return out;
    });
    ASSERT_TRUE(Spin([&] { return answers->first && delivered == 1; }));
    EXPECT_EQ(answers->second, (std::vector<std::string>{"R", "R", "accepted"}));
    EXPECT_EQ(refusals.size(), 2u);
}

TEST_F(HandOffSocketTest, OnlyOneInstanceListensAndALeftOverSocketIsReplaced)
{
    EXPECT_EQ(SendHandOff(Name(), THandOffMessage::BrowserURL("ftp://h/")), THandOffDelivery::NoInstance);
    auto first = std::make_unique<THandOffServer>(Name());
    ASSERT_TRUE(first->Listen());
    THandOffServer second(Name());
    EXPECT_FALSE(second.Listen());
    EXPECT_TRUE(second.OtherInstanceAnswered());
    first.reset();

    // A socket file nobody answers on, as a crash leaves it.
    {
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::snprintf(address.sun_path, sizeof address.sun_path, "%s", Name().c_str());
        ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        ::close(fd);
        ASSERT_TRUE(QFileInfo::exists(QString::fromStdString(Name())));
    }
    THandOffServer third(Name());
    EXPECT_TRUE(third.Listen());
    EXPECT_FALSE(third.OtherInstanceAnswered());
}

TEST(HandOffSocketName, BelongsToTheUserAndTheDataDirectory)
{
    const std::string a = THandOffServer::SocketName("/home/u/.config/Tovrel FTP");
    EXPECT_EQ(a, THandOffServer::SocketName("/home/u/.config/Tovrel FTP"));
    EXPECT_NE(a, THandOffServer::SocketName("/tmp/other/Tovrel FTP"));
    EXPECT_NE(a.find("tovrel-ftp-"), std::string::npos);
}
