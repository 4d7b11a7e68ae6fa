#pragma once
// Real FTP servers for tests, started on 127.0.0.1 with throwaway settings
// on a free port, each as a child process in the foreground, stopped by its
// own process id in the destructor. A missing server program is an error
// (std::runtime_error), never a silent skip.
//
//   FixtureTree tree;                 // temporary folder with known files
//   VsftpdServer server(tree.Root());
//   ftp.Host = "127.0.0.1"; ftp.Port = server.Port();
//   ftp.Username = server.User(); ftp.Password = server.Password();
//
// vsftpd and pyftpdlib allow anonymous logins (read-only) besides the user;
// every server allows passive and active data connections. Given a
// TestCertificate, a server requires explicit TLS ("AUTH TLS") for the login
// and protected data connections ("PROT P") that resume the control
// connection's TLS session, as each server does with TLS switched on.

#include <cstdint>
#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <utility>
#include <vector>
#include <sys/types.h>

/// A temporary folder tree, removed in the destructor:
///   hello.txt    "Hello, world\n"
///   empty.bin    0 bytes
///   data.bin     300 000 bytes of a fixed pseudo-random pattern
///   sub/inner.txt "inner\n"
///   big.sparse   3 GiB, sparse (only its size matters)
///   upload/      empty, writable by the test user
class FixtureTree {
public:
    FixtureTree();
    ~FixtureTree();
    FixtureTree(const FixtureTree&) = delete;
    FixtureTree& operator=(const FixtureTree&) = delete;
    const std::string& Root() const { return root_; }
    /// The pattern of data.bin (also handy for other files).
    static std::string Pattern(std::size_t size, unsigned seed = 1);

private:
    std::string root_;
};

/// The local account the vsftpd tests log in with (scripts/ci-setup.d).
inline constexpr const char* kTestUser = "tovrelftp";
inline constexpr const char* kTestPassword = "tovrel-test-pw";

/// A throwaway certificate authority ("CN=Tovrel Test CA", valid 2 days)
/// made with the openssl command. Certificates it signs are trusted by the
/// system while a TrustTestAuthority points SSL_CERT_FILE at it.
class TestCertificateAuthority {
public:
    TestCertificateAuthority();
    ~TestCertificateAuthority();
    TestCertificateAuthority(const TestCertificateAuthority&) = delete;
    TestCertificateAuthority& operator=(const TestCertificateAuthority&) = delete;
    const std::string& CertFile() const { return certFile_; }
    const std::string& KeyFile() const { return keyFile_; }

private:
    std::string dir_;
    std::string certFile_;
    std::string keyFile_;
};

/// Sets SSL_CERT_FILE to the authority's certificate (the process's system
/// trust store from then on) and restores it in the destructor. Use before
/// any thread of the test starts.
class TrustTestAuthority {
public:
    explicit TrustTestAuthority(const TestCertificateAuthority& ca);
    ~TrustTestAuthority();
    TrustTestAuthority(const TrustTestAuthority&) = delete;
    TrustTestAuthority& operator=(const TrustTestAuthority&) = delete;

private:
    bool had_ = false;
    std::string old_;
};

/// A throwaway certificate with its key, made with the openssl command in a
/// temporary folder (removed by the destructor). The default one is
/// self-signed: CN=localhost, subject alternative names DNS:localhost and
/// IP:127.0.0.1, valid 2 days; every one made has a key of its own, so two
/// differ in their fingerprints. Signed by `ca`, it is made for `name`
/// (with IP:127.0.0.1 too when the name is "localhost") and valid for
/// `days` from now; a negative number makes one that has expired.
class TestCertificate {
public:
    TestCertificate();
    TestCertificate(const TestCertificateAuthority& ca, const std::string& name = "localhost", int days = 2);
    ~TestCertificate();
    TestCertificate(const TestCertificate&) = delete;
    TestCertificate& operator=(const TestCertificate&) = delete;
    const std::string& CertFile() const { return certFile_; }
    const std::string& KeyFile() const { return keyFile_; }
    /// "AB:CD:..." as the openssl command prints it.
    const std::string& FingerprintSHA256() const { return fingerprint_; }

private:
    void ReadFingerprint();

    std::string dir_;
    std::string certFile_;
    std::string keyFile_;
    std::string fingerprint_;
};

class TestFtpServer {
public:
    virtual ~TestFtpServer();
    TestFtpServer(const TestFtpServer&) = delete;
    TestFtpServer& operator=(const TestFtpServer&) = delete;
    std::uint16_t Port() const { return port_; }
    const std::string& User() const { return user_; }
    const std::string& Password() const { return password_; }
    const std::string& Root() const { return root_; }
    /// The server's own log (for failure messages).
    std::string Log() const;
    /// Stops the server (also done by the destructor).
    void Stop();

protected:
    TestFtpServer() = default;
    /// Starts argv[0] with `argv`, waits until the port accepts connections.
    void Launch(const std::vector<std::string>& argv);

    std::uint16_t port_ = 0;
    std::string user_;
    std::string password_;
    std::string root_;
    std::string workDir_;
    pid_t pid_ = -1;
};

/// vsftpd as root with the local test user (chrooted into root) and
/// anonymous access to the same folder. With TLS: vsftpd's own TLS defaults
/// for the local user (TLS forced for login and data, session reuse
/// required), anonymous logins allowed over TLS too.
class VsftpdServer : public TestFtpServer {
public:
    explicit VsftpdServer(const std::string& root, const TestCertificate* tls = nullptr);
    ~VsftpdServer() override;
};

/// pyftpdlib (Debian's, under /usr/bin/python3) with user "tovrel" and
/// anonymous access. With TLS: its TLS handler with TLS required on the
/// control and the data connections.
class PyftpdlibServer : public TestFtpServer {
public:
    explicit PyftpdlibServer(const std::string& root, const TestCertificate* tls = nullptr);
    ~PyftpdlibServer() override;
};

/// proftpd, unpacked by scripts/ci-setup.d/20-extra-ftp-servers.sh into
/// $TOVREL_TEST_SERVERS_DIR (default /opt/tovrel-test-servers), run as root
/// with the test user's name, password and account (chrooted into root; no
/// anonymous access), passive ports 49152-65534. Appending (APPE) onto an
/// existing file is allowed, as resumed uploads need. With TLS: mod_tls
/// requiring TLS for the login and every data connection, with session
/// reuse; "CCC" is accepted after the login.
class ProftpdServer : public TestFtpServer {
public:
    explicit ProftpdServer(const std::string& root, const TestCertificate* tls = nullptr);
    ~ProftpdServer() override;
    /// The server's TLS log (empty without TLS).
    std::string TlsLog() const;
};

/// microsocks, a SOCKS 5 proxy, on 127.0.0.1 (User()/Password() set when
/// started with credentials).
class MicrosocksProxy : public TestFtpServer {
public:
    explicit MicrosocksProxy(const std::string& user = {}, const std::string& password = {});
    ~MicrosocksProxy() override;
};

/// A free TCP port on 127.0.0.1 at the time of the call.
std::uint16_t FreeLoopbackPort();
/// Makes a temporary directory; returns its path.
std::string MakeTempDir(const std::string& prefix);
void RemoveTree(const std::string& path);
std::string ReadWholeFile(const std::string& path);
void WriteWholeFile(const std::string& path, const std::string& bytes);
/// Writes each (path relative to `root`, contents), making folders on the way.
void WriteFiles(const std::string& root, const std::vector<std::pair<std::string, std::string>>& files);
/// Hands `root` and everything below it (links themselves, not their
/// targets) to the test user, so the servers may write there.
void GiveToTestUser(const std::string& root);

/// The servers that speak explicit TLS, each with whether it accepts "CCC".
struct TlsServerKind {
    const char* Name;
    std::function<std::unique_ptr<TestFtpServer>(const std::string& root, const TestCertificate& tls)> Make;
    bool KnowsCcc;
};
std::vector<TlsServerKind> TlsServerKinds();
/// Names the kind in test names and failure messages.
void PrintTo(const TlsServerKind& kind, std::ostream* out);
