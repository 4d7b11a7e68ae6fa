#pragma once
// An in-process FTP server whose replies a test writes by hand, for
// answers real servers do not give (odd reply formats, 332, 426 then 226,
// a bad EPSV port, a dropped data connection). It listens on 127.0.0.1 on
// a free port, accepts one control connection and runs the script on its
// own thread; the destructor closes everything and joins.
//
//   ScriptedFtpServer server([](ScriptedSession& s) {
//       s.Send("220 hi\r\n");
//       s.Expect("USER");  s.Send("230 ok\r\n");
//   });
//   ...; EXPECT_EQ(server.Failure(), "");
//
// StartTls() turns the control connection into a TLS server session (after
// "234"), so that replies real TLS servers do not give can be scripted too.

#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class TestCertificate;
typedef struct ssl_st SSL;

class ScriptedSession {
public:
    explicit ScriptedSession(int fd) : fd_(fd) {}
    ~ScriptedSession();
    ScriptedSession(const ScriptedSession&) = delete;
    ScriptedSession& operator=(const ScriptedSession&) = delete;
    /// Server side of a TLS handshake on the control connection; from then on
    /// Send() and ReadCommand() go through TLS. Records a failure and returns
    /// false when the handshake fails.
    bool StartTls(const TestCertificate& certificate);
    /// Ends TLS (close_notify) and the sending side; run after the script.
    void EndOfScript();
    /// Sends raw bytes on the control connection.
    void Send(const std::string& bytes);
    /// The next command line without CR LF; empty when the client closed.
    std::string ReadCommand();
    /// Reads and drops whatever the client sends until it closes (at most 10 s
    /// of silence); true when it closed.
    bool WaitForClose();
    /// Reads a command and records a failure unless it starts with `prefix`.
    std::string Expect(const std::string& prefix);
    /// Opens a data listener; returns its port (for a 227/229 reply).
    std::uint16_t ListenData();
    /// Accepts the client's data connection on the listener.
    int AcceptData();
    /// Connects to the client's listener (active mode "PORT"/"EPRT" address).
    int ConnectData(std::uint16_t port);
    /// A TLS server handshake on a data connection with `certificate` (a
    /// session of its own, nothing resumed); the session is dropped after it.
    static bool AcceptDataTls(int fd, const TestCertificate& certificate);
    static void SendData(int fd, const std::string& bytes);
    static std::string ReceiveData(int fd);  // until the client closes
    static void CloseData(int fd);
    /// "227 Entering Passive Mode (127,0,0,1,p1,p2)\r\n" for a port.
    static std::string PasvReply(std::uint16_t port);

    std::vector<std::string> commands;
    std::string failure;

private:
    int fd_;
    int listenFd_ = -1;
    std::string buffer_;
    SSL* ssl_ = nullptr;
};

class ScriptedFtpServer {
public:
    using Script = std::function<void(ScriptedSession&)>;
    explicit ScriptedFtpServer(Script script);
    ~ScriptedFtpServer();
    ScriptedFtpServer(const ScriptedFtpServer&) = delete;
    ScriptedFtpServer& operator=(const ScriptedFtpServer&) = delete;

    std::uint16_t Port() const { return port_; }
    /// Waits for the script to end; then the commands received and the first
    /// failure ("" when the script ran as written).
    void Join();
    std::vector<std::string> Commands();
    std::string Failure();

private:
    int listenFd_ = -1;
    int clientFd_ = -1;
    std::uint16_t port_ = 0;
    std::thread thread_;
    std::mutex mutex_;
    std::vector<std::string> commands_;
    std::string failure_;
};
