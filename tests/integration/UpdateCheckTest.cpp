#include "integration/UpdateCheck.h"
#include "QtCoreTestApp.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTcpSocket>

#include <gtest/gtest.h>

#include <memory>
#include <optional>

namespace {

QCoreApplication& App()
{
    return TestCoreApp();
}

// A loopback web server that answers every request with one fixed response
// and records the request lines.
class FixedHttpServer {
public:
    explicit FixedHttpServer(std::string response) : response_(std::move(response))
    {
        server_.listen(QHostAddress::LocalHost);
        QObject::connect(&server_, &QTcpServer::newConnection, [this] {
            while (QTcpSocket* socket = server_.nextPendingConnection())
                QObject::connect(socket, &QTcpSocket::readyRead, [this, socket] { Answer(socket); });
        });
    }
    std::string BaseURL() const { return "http://127.0.0.1:" + std::to_string(server_.serverPort()); }
    const std::vector<std::string>& Requests() const { return requests_; }

private:
    void Answer(QTcpSocket* socket)
    {
        buffer_ += socket->readAll().toStdString();
        if (buffer_.find("\r\n\r\n") == std::string::npos)
            return;
        requests_.push_back(buffer_.substr(0, buffer_.find("\r\n")));
        buffer_.clear();
        socket->write(response_.data(), static_cast<qint64>(response_.size()));
        socket->disconnectFromHost();
    }

    QTcpServer server_;
    std::string response_;
    std::string buffer_;
    std::vector<std::string> requests_;
};

std::string Response(const std::string& status, const std::string& body)
{
    return "HTTP/1.1 " + status + "\r\nContent-Type: text/plain\r\nContent-Length: " + std::to_string(body.size())
           + "\r\nConnection: close\r\n\r\n" + body;
}

std::optional<TUpdateCheckOutcome> Check(const std::string& baseURL, const std::string& current)
{
    App();
    TUpdateCheck check(baseURL, current);
    std::optional<TUpdateCheckOutcome> outcome;
    EXPECT_TRUE(check.Start([&](const TUpdateCheckOutcome& o) { outcome = o; }));
    EXPECT_FALSE(check.Start([](const TUpdateCheckOutcome&) {})); // one at a time
    QDeadlineTimer deadline(30000);
    while (!outcome && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    return outcome;
}

class UpdateCheck : public ::testing::Test {
protected:
    void SetUp() override { App(); } // before any socket: they need the thread's event dispatcher
};

} // namespace

TEST_F(UpdateCheck, VersionTextIsComparedExactlyAfterTrimming)
{
    struct Case {
        std::string Current;
        std::string Body;
        TUpdateCheckResult Expected;
        std::string Latest;
    };
    const std::vector<Case> cases{
        {"1.4.1.17", "1.4.1.17\r\n", tfuUpToDate, "1.4.1.17"},
        {"1.4.1.17", " \t1.4.1.17\x01\x7f", tfuUpToDate, "1.4.1.17"},
        {"1.4.1.17", "1.4.1.16", tfuNewVersion, "1.4.1.16"},   // an older one is offered too
        {"1.4.1.17", "1.4.1.017", tfuNewVersion, "1.4.1.017"}, // no numeric comparison
        {"2.0.0.0-RC", "2.0.0.0-rc", tfuNewVersion, "2.0.0.0-rc"},
        {"N/A", "1.0.0.0", tfuNewVersion, "1.0.0.0"},
        {"N/A", "N/A\n", tfuUpToDate, "N/A"},
        {"1.0.0.0", "", tfuNewVersion, ""},
    };
    for (const auto& c : cases) {
        FixedHttpServer server(Response("200 OK", c.Body));
        const auto outcome = Check(server.BaseURL(), c.Current);
        ASSERT_TRUE(outcome) << c.Body;
        EXPECT_EQ(outcome->Result, c.Expected) << c.Body << " / " << outcome->Text;
        EXPECT_EQ(outcome->LatestVersion, c.Latest);
        EXPECT_EQ(outcome->CurrentVersion, c.Current);
        EXPECT_EQ(server.Requests(), std::vector<std::string>{"GET /tovrelftp/currentversion HTTP/1.1"});
    }
}

TEST_F(UpdateCheck, OutcomeTextsAreTheDialogs)
{
    FixedHttpServer same(Response("200 OK", "3.1.0.2\n"));
    EXPECT_EQ(Check(same.BaseURL(), "3.1.0.2")->Text, "You already have the latest version.");
    FixedHttpServer newer(Response("200 OK", "3.2.0.0"));
    EXPECT_EQ(Check(newer.BaseURL(), "3.1.0.2")->Text,
              "There is a new version available. You have version 3.1.0.2, the latest version is 3.2.0.0.\r\n"
              "Would you like to download the update now?");
    TUpdateCheck check(newer.BaseURL() + "/");
    EXPECT_EQ(check.InstallerURL(), newer.BaseURL() + "/tovrelftp/setup.exe");
}

TEST_F(UpdateCheck, FailuresNameTheirClassAndMessage)
{
    const std::string prefix = "Could not get version information from tovrel.example.com. Reason:\r\n";
    FixedHttpServer missing(Response("404 Not Found", "no such file"));
    auto outcome = Check(missing.BaseURL(), "1.0.0.0");
    ASSERT_TRUE(outcome);
    EXPECT_EQ(outcome->Result, tfuFailed);
    EXPECT_EQ(outcome->Text, prefix + "EHTTPProtocolError: HTTP/1.1 404 Not Found");

    FixedHttpServer broken(Response("500 Internal Server Error", ""));
    EXPECT_EQ(Check(broken.BaseURL(), "1.0.0.0")->Text, prefix + "EHTTPProtocolError: HTTP/1.1 500 Internal Server Error");

    FixedHttpServer huge(Response("200 OK", std::string(200 * 1024, '9')));
    outcome = Check(huge.BaseURL(), "1.0.0.0");
    EXPECT_EQ(outcome->Result, tfuFailed);
    EXPECT_EQ(outcome->ErrorClass, "EHTTPProtocolError");

    std::string closedPort;
    {
        FixedHttpServer gone(Response("200 OK", ""));
        closedPort = gone.BaseURL();
    }
    outcome = Check(closedPort, "1.0.0.0");
    ASSERT_TRUE(outcome);
    EXPECT_EQ(outcome->Result, tfuFailed);
    EXPECT_EQ(outcome->ErrorClass, "ENetworkError");
    EXPECT_FALSE(outcome->ErrorMessage.empty());
    EXPECT_EQ(outcome->Text, prefix + "ENetworkError: " + outcome->ErrorMessage);
}

TEST_F(UpdateCheck, ProgramVersionComesFromTheBuild)
{
    EXPECT_TRUE(QRegularExpression("^\\d+\\.\\d+\\.\\d+\\.\\d+$")
                    .match(QString::fromStdString(TUpdateCheck::ProgramVersion()))
                    .hasMatch())
        << TUpdateCheck::ProgramVersion();
    EXPECT_EQ(TUpdateCheck("http://h").BaseURL(), "http://h");
}
