#include "servers/TestServers.h"

#include <atomic>
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <pwd.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

namespace fs = std::filesystem;

std::string MakeTempDir(const std::string& prefix)
{
    std::string pattern = (fs::temp_directory_path() / (prefix + "XXXXXX")).string();
    if (!::mkdtemp(pattern.data()))
        throw std::runtime_error("cannot make a temporary folder");
    return pattern;
}

void RemoveTree(const std::string& path)
{
    std::error_code ignored;
    fs::remove_all(path, ignored);
}

std::string ReadWholeFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

void WriteWholeFile(const std::string& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string FixtureTree::Pattern(std::size_t size, unsigned seed)
{
    std::string bytes(size, '\0');
    std::uint32_t state = seed * 2654435761u + 1;
    for (auto& c : bytes) {
        state = state * 1664525u + 1013904223u;
        c = static_cast<char>(state >> 24);
    }
    return bytes;
}

FixtureTree::FixtureTree() : root_(MakeTempDir("tovrel-ftp-root-"))
{
    WriteWholeFile(root_ + "/hello.txt", "Hello, world\n");
    WriteWholeFile(root_ + "/empty.bin", "");
    WriteWholeFile(root_ + "/data.bin", Pattern(300000));
    fs::create_directory(root_ + "/sub");
    WriteWholeFile(root_ + "/sub/inner.txt", "inner\n");
    fs::create_directory(root_ + "/upload");
    {
        std::ofstream big(root_ + "/big.sparse", std::ios::binary);
    }
    fs::resize_file(root_ + "/big.sparse", 3ull << 30);
    // The vsftpd user writes into upload/; the chroot itself is writable too.
    GiveToTestUser(root_);
    ::chmod(root_.c_str(), 0755);
}

FixtureTree::~FixtureTree()
{
    RemoveTree(root_);
}

void WriteFiles(const std::string& root, const std::vector<std::pair<std::string, std::string>>& files)
{
    for (const auto& [relative, bytes] : files) {
        fs::create_directories(fs::path(root + "/" + relative).parent_path());
        WriteWholeFile(root + "/" + relative, bytes);
    }
}

void GiveToTestUser(const std::string& root)
{
    const passwd* pw = ::getpwnam(kTestUser);
    if (pw == nullptr)
        return;
    (void)::lchown(root.c_str(), pw->pw_uid, pw->pw_gid);
    for (const auto& entry : fs::recursive_directory_iterator(root))
        (void)::lchown(entry.path().c_str(), pw->pw_uid, pw->pw_gid);
}

std::vector<TlsServerKind> TlsServerKinds()
{
    return {
        {"vsftpd", [](const std::string& root, const TestCertificate& tls) -> std::unique_ptr<TestFtpServer> {
             return std::make_unique<VsftpdServer>(root, &tls);
         }, false},
        {"pyftpdlib", [](const std::string& root, const TestCertificate& tls) -> std::unique_ptr<TestFtpServer> {
             return std::make_unique<PyftpdlibServer>(root, &tls);
         }, false},
        {"proftpd", [](const std::string& root, const TestCertificate& tls) -> std::unique_ptr<TestFtpServer> {
             return std::make_unique<ProftpdServer>(root, &tls);
         }, true},
    };
}

void PrintTo(const TlsServerKind& kind, std::ostream* out)
{
    *out << kind.Name;
}

std::uint16_t FreeLoopbackPort()
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    socklen_t length = sizeof address;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    ::close(fd);
    return ntohs(address.sin_port);
}

namespace {

/// Runs a program to its end; its standard output, error output included.
int RunProgram(const std::vector<std::string>& argv, std::string& output)
{
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0)
        throw std::runtime_error("pipe failed");
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(fds[1], 1);
        ::dup2(fds[1], 2);
        std::vector<char*> args;
        for (const auto& a : argv)
            args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        ::execvp(args[0], args.data());
        ::_exit(127);
    }
    ::close(fds[1]);
    char buffer[4096];
    ssize_t n = 0;
    while ((n = ::read(fds[0], buffer, sizeof buffer)) > 0 || (n < 0 && errno == EINTR))
        if (n > 0)
            output.append(buffer, static_cast<std::size_t>(n));
    ::close(fds[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool PortAccepts(std::uint16_t port)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    const bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    ::close(fd);
    return ok;
}

}  // namespace

namespace {

const char* const kEcKey[] = {"-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes"};

std::vector<std::string> WithKey(std::vector<std::string> argv)
{
    argv.insert(argv.begin() + 2, std::begin(kEcKey), std::end(kEcKey));
    return argv;
}

long NextSerial()
{
    static std::atomic<long> serial{static_cast<long>(::getpid()) * 1000};
    return ++serial;
}

void RunOpenssl(const std::vector<std::string>& argv)
{
    std::string output;
    if (RunProgram(argv, output) != 0)
        throw std::runtime_error("openssl " + argv[1] + " failed: " + output);
}

} // namespace

TestCertificateAuthority::TestCertificateAuthority() : dir_(MakeTempDir("tovrel-ca-"))
{
    ::chmod(dir_.c_str(), 0755);
    certFile_ = dir_ + "/ca.pem";
    keyFile_ = dir_ + "/ca.key";
    RunOpenssl(WithKey({"openssl", "req", "-x509", "-keyout", keyFile_, "-out", certFile_, "-days", "2", "-subj",
                        "/CN=Tovrel Test CA", "-addext", "basicConstraints=critical,CA:TRUE", "-addext",
                        "keyUsage=critical,keyCertSign,cRLSign"}));
}

TestCertificateAuthority::~TestCertificateAuthority()
{
    RemoveTree(dir_);
}

TrustTestAuthority::TrustTestAuthority(const TestCertificateAuthority& ca)
{
    if (const char* old = std::getenv("SSL_CERT_FILE")) {
        had_ = true;
        old_ = old;
    }
    ::setenv("SSL_CERT_FILE", ca.CertFile().c_str(), 1);
}

TrustTestAuthority::~TrustTestAuthority()
{
    if (had_)
        ::setenv("SSL_CERT_FILE", old_.c_str(), 1);
    else
        ::unsetenv("SSL_CERT_FILE");
}

TestCertificate::TestCertificate() : dir_(MakeTempDir("tovrel-cert-"))
{
    ::chmod(dir_.c_str(), 0755);  // servers that drop root read the certificate
    certFile_ = dir_ + "/server.pem";
    keyFile_ = dir_ + "/server.key";
    RunOpenssl(WithKey({"openssl", "req", "-x509", "-keyout", keyFile_, "-out", certFile_, "-days", "2", "-subj",
                        "/CN=localhost", "-addext", "subjectAltName=DNS:localhost,IP:127.0.0.1"}));
    ReadFingerprint();
}

TestCertificate::TestCertificate(const TestCertificateAuthority& ca, const std::string& name, int days)
    : dir_(MakeTempDir("tovrel-cert-"))
{
    ::chmod(dir_.c_str(), 0755);
    certFile_ = dir_ + "/server.pem";
    keyFile_ = dir_ + "/server.key";
    const std::string request = dir_ + "/server.csr";
    const std::string extensions = dir_ + "/server.ext";
    RunOpenssl(WithKey({"openssl", "req", "-new", "-keyout", keyFile_, "-out", request, "-subj", "/CN=" + name}));
    WriteWholeFile(extensions, "subjectAltName=DNS:" + name + (name == "localhost" ? ",IP:127.0.0.1" : "") + "\n");
    // A negative number of days puts the end before the start: expired.
    RunOpenssl({"openssl", "x509", "-req", "-in", request, "-CA", ca.CertFile(), "-CAkey", ca.KeyFile(),
                "-set_serial", std::to_string(NextSerial()), "-out", certFile_, "-days", std::to_string(days),
                "-extfile", extensions});
    ReadFingerprint();
}

void TestCertificate::ReadFingerprint()
{
    std::string output;
    RunProgram({"openssl", "x509", "-in", certFile_, "-noout", "-fingerprint", "-sha256"}, output);
    const auto equals = output.find('=');
    if (equals == std::string::npos)
        throw std::runtime_error("no certificate fingerprint: " + output);
    fingerprint_ = output.substr(equals + 1);
    while (!fingerprint_.empty() && std::isspace(static_cast<unsigned char>(fingerprint_.back())))
        fingerprint_.pop_back();
    ::chmod(keyFile_.c_str(), 0644);
}

TestCertificate::~TestCertificate()
{
    RemoveTree(dir_);
}

TestFtpServer::~TestFtpServer()
{
    Stop();
    if (!workDir_.empty())
        RemoveTree(workDir_);
}

std::string TestFtpServer::Log() const
{
    return ReadWholeFile(workDir_ + "/server.log");
}

void TestFtpServer::Stop()
{
    if (pid_ <= 0)
        return;
    ::kill(pid_, SIGTERM);
    int status = 0;
    for (int i = 0; i < 50; ++i) {
        if (::waitpid(pid_, &status, WNOHANG) == pid_) {
            pid_ = -1;
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, &status, 0);
    pid_ = -1;
}

void TestFtpServer::Launch(const std::vector<std::string>& argv)
{
    if (::access(argv[0].c_str(), X_OK) != 0)
        throw std::runtime_error("FTP test server program missing: " + argv[0]);
    for (int attempt = 0; attempt < 5; ++attempt) {
        const std::string log = workDir_ + "/server.log";
        const pid_t pid = ::fork();
        if (pid == 0) {
            const int fd = ::open(log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
            ::dup2(fd, 1);
            ::dup2(fd, 2);
            std::vector<char*> args;
            for (const auto& a : argv)
                args.push_back(const_cast<char*>(a.c_str()));
            args.push_back(nullptr);
            ::execv(args[0], args.data());
            ::_exit(127);
        }
        pid_ = pid;
        for (int i = 0; i < 100; ++i) {
            if (PortAccepts(port_))
                return;
            int status = 0;
            if (::waitpid(pid_, &status, WNOHANG) == pid_) {
                pid_ = -1;
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        Stop();
        throw std::runtime_error("FTP test server did not start: " + argv[0] + "\n" + Log());
    }
}

VsftpdServer::VsftpdServer(const std::string& root, const TestCertificate* tls)
{
    root_ = root;
    user_ = kTestUser;
    password_ = kTestPassword;
    if (!::getpwnam(kTestUser))
        throw std::runtime_error(std::string("test user missing: run scripts/ci-setup.d/10-ftp-test-user.sh (") +
                                 kTestUser + ")");
    workDir_ = MakeTempDir("tovrel-vsftpd-");
    ::chmod(workDir_.c_str(), 0755);
    const std::string empty = workDir_ + "/empty";
    fs::create_directory(empty);
    ::chmod(empty.c_str(), 0555);
    port_ = FreeLoopbackPort();
    const std::string config = workDir_ + "/vsftpd.conf";
    std::ofstream out(config);
    out << "listen=YES\nlisten_ipv6=NO\nbackground=NO\nlisten_address=127.0.0.1\n"
        << "listen_port=" << port_ << "\n"
        << "seccomp_sandbox=NO\nsecure_chroot_dir=" << empty << "\n"
        << "anonymous_enable=YES\nno_anon_password=YES\nanon_root=" << root << "\n"
        << "local_enable=YES\nwrite_enable=YES\nlocal_umask=022\nlocal_root=" << root << "\n"
        << "chroot_local_user=YES\nallow_writeable_chroot=YES\n"
        << "pasv_enable=YES\nport_enable=YES\nconnect_from_port_20=NO\n"
        << "pam_service_name=vsftpd\nuserlist_enable=NO\ntcp_wrappers=NO\n"
        << "xferlog_enable=NO\nvsftpd_log_file=" << workDir_ << "/vsftpd.log\n"
        << "use_localtime=NO\nhide_ids=NO\n";
    if (tls) {
        // vsftpd's TLS defaults stay: forced TLS for the local user's login
        // and data, session reuse required on data connections.
        out << "ssl_enable=YES\nrsa_cert_file=" << tls->CertFile() << "\nrsa_private_key_file=" << tls->KeyFile()
            << "\nallow_anon_ssl=YES\n";
    }
    out.close();
    ::chmod(config.c_str(), 0600);
    Launch({"/usr/sbin/vsftpd", config});
}

VsftpdServer::~VsftpdServer() = default;

PyftpdlibServer::PyftpdlibServer(const std::string& root, const TestCertificate* tls)
{
    root_ = root;
    user_ = "tovrel";
    password_ = "secret";
    workDir_ = MakeTempDir("tovrel-pyftpd-");
    port_ = FreeLoopbackPort();
    std::vector<std::string> argv{"/usr/bin/python3", std::string(TOVREL_SERVERS_DIR) + "/pyftpd.py",
                                  std::to_string(port_), root, user_, password_};
    if (tls)
        argv.insert(argv.end(), {tls->CertFile(), tls->KeyFile()});
    Launch(argv);
}

PyftpdlibServer::~PyftpdlibServer() = default;

namespace {

std::string TestServersDir()
{
    const char* dir = std::getenv("TOVREL_TEST_SERVERS_DIR");
    return dir && *dir ? dir : "/opt/tovrel-test-servers";
}

// kTestPassword in the crypt(3) SHA-512 form proftpd's password file holds.
constexpr const char* kTestPasswordHash =
    "$6$tovreltestsalt$OmCKJEdG7EUPeex33E3UOsOCzsB8AR4JzpSrTq7xpZE3.HNWyM.n9w.4N9HQc5jVSw3I2YYRrd03ullMirGvf/";

void WriteProftpdTls(std::ofstream& out, const std::string& workDir, const TestCertificate& tls)
{
    out << "LoadModule mod_tls.c\n"
        << "<IfModule mod_tls.c>\n"
        // The login and the data must be protected; the control connection
        // may return to clear text after the login ("CCC").
        << "TLSEngine on\nTLSRequired auth+data\nTLSVerifyClient off\nTLSOptions EnableDiags\n"
        << "TLSECCertificateFile " << tls.CertFile() << "\n"
        << "TLSECCertificateKeyFile " << tls.KeyFile() << "\n"
        << "TLSLog " << workDir << "/tls.log\n"
        << "</IfModule>\n";
}

}  // namespace

ProftpdServer::ProftpdServer(const std::string& root, const TestCertificate* tls)
{
    root_ = root;
    user_ = kTestUser;
    password_ = kTestPassword;
    const passwd* account = ::getpwnam(kTestUser);
    if (!account)
        throw std::runtime_error(std::string("test user missing: run scripts/ci-setup.d/10-ftp-test-user.sh (") +
                                 kTestUser + ")");
    const std::string base = TestServersDir() + "/proftpd";
    workDir_ = MakeTempDir("tovrel-proftpd-");
    ::chmod(workDir_.c_str(), 0755);
    port_ = FreeLoopbackPort();
    const std::string users = workDir_ + "/passwd";
    {
        std::ofstream out(users);
        out << kTestUser << ":" << kTestPasswordHash << ":" << account->pw_uid << ":" << account->pw_gid
            << "::" << root << ":/bin/sh\n";
    }
    ::chmod(users.c_str(), 0600);
    const std::string config = workDir_ + "/proftpd.conf";
    std::ofstream out(config);
    out << "ServerName \"Tovrel test\"\nServerType standalone\nDefaultServer on\n"
        << "DefaultAddress 127.0.0.1\nSocketBindTight on\nUseIPv6 off\nPort " << port_ << "\n"
        // Active data connections come from port 20, which needs root's
        // capabilities kept.
        << "User nobody\nGroup nogroup\nUmask 022\nCapabilitiesEngine off\n"
        << "PidFile " << workDir_ << "/proftpd.pid\nScoreboardFile " << workDir_ << "/proftpd.scoreboard\n"
        << "ModulePath " << base << "/usr/lib/proftpd\n"
        << "AuthOrder mod_auth_file.c\nAuthUserFile " << users << "\nRequireValidShell off\n"
        << "DefaultRoot ~\nPassivePorts 49152 65534\nUseReverseDNS off\nWtmpLog off\nDelayEngine off\n"
        << "TransferLog none\nSystemLog " << workDir_ << "/server.log\n"
        << "AllowOverwrite on\nAllowStoreRestart on\nMaxInstances 30\n";
    if (tls)
        WriteProftpdTls(out, workDir_, *tls);
    out.close();
    Launch({base + "/usr/sbin/proftpd", "--nodaemon", "--config", config});
}

ProftpdServer::~ProftpdServer() = default;

std::string ProftpdServer::TlsLog() const
{
    return ReadWholeFile(workDir_ + "/tls.log");
}

MicrosocksProxy::MicrosocksProxy(const std::string& user, const std::string& password)
{
    user_ = user;
    password_ = password;
    workDir_ = MakeTempDir("tovrel-socks-");
    port_ = FreeLoopbackPort();
    std::vector<std::string> argv{"/usr/bin/microsocks", "-i", "127.0.0.1", "-p", std::to_string(port_)};
    if (!user.empty()) {
        argv.insert(argv.end(), {"-u", user, "-P", password});
    }
    Launch(argv);
}

MicrosocksProxy::~MicrosocksProxy() = default;
