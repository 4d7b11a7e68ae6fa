#include "TLSTestSupport.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>

extern char** environ;

namespace tlstest {
namespace {

std::vector<char*> Argv(const std::vector<std::string>& args) {
    std::vector<char*> v;
    for (const auto& a : args) v.push_back(const_cast<char*>(a.c_str()));
    v.push_back(nullptr);
    return v;
}

pid_t Spawn(const std::vector<std::string>& args, int* stdoutFd) {
    int pipeFds[2];
    if (pipe(pipeFds) != 0) throw std::runtime_error("pipe failed");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], 1);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addclose(&actions, pipeFds[0]);
    posix_spawn_file_actions_addclose(&actions, pipeFds[1]);
    auto argv = Argv(args);
    pid_t pid = -1;
    int rc = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(pipeFds[1]);
    if (rc != 0) {
        close(pipeFds[0]);
        throw std::runtime_error("cannot start " + args[0]);
    }
    *stdoutFd = pipeFds[0];
    return pid;
}

}  // namespace

int Run(const std::vector<std::string>& argv, std::string* output) {
    int out = -1;
    pid_t pid = Spawn(argv, &out);
    char buf[4096];
    ssize_t n;
    while ((n = read(out, buf, sizeof buf)) > 0)
        if (output) output->append(buf, static_cast<size_t>(n));
    close(out);
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TempDir::TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "tovrel-tls-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
}

TempDir::~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

Certificate MakeCertificate(const TempDir& dir, const std::string& name) {
    Certificate c{dir.File(name + ".pem"), dir.File(name + ".key"), {}};
    int rc = Run({"openssl", "req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes",
                  "-keyout", c.KeyFile, "-out", c.CertFile, "-days", "2", "-subj", "/CN=localhost", "-addext",
                  "subjectAltName=DNS:localhost,IP:127.0.0.1"});
    if (rc != 0) throw std::runtime_error("openssl req failed");
    std::string out;
    Run({"openssl", "x509", "-in", c.CertFile, "-noout", "-fingerprint", "-sha256"}, &out);
    auto eq = out.find('=');
    if (eq == std::string::npos) throw std::runtime_error("no fingerprint");
    c.FingerprintSHA256 = out.substr(eq + 1);
    while (!c.FingerprintSHA256.empty() && isspace(static_cast<unsigned char>(c.FingerprintSHA256.back())))
        c.FingerprintSHA256.pop_back();
    return c;
}

OpensslServer::OpensslServer(const Certificate& cert, const std::vector<std::string>& extraArgs) {
    std::vector<std::string> args{"openssl", "s_server", "-accept", "127.0.0.1:0", "-cert", cert.CertFile,
                                  "-key",    cert.KeyFile, "-rev"};
    args.insert(args.end(), extraArgs.begin(), extraArgs.end());
    pid_ = Spawn(args, &out_);
    // The first lines tell the port; the rest is collected so the pipe never fills.
    std::string seen;
    char buf[512];
    while (port_ == 0) {
        pollfd p{out_, POLLIN, 0};
        if (poll(&p, 1, 10000) <= 0) break;
        ssize_t n = read(out_, buf, sizeof buf);
        if (n <= 0) break;
        seen.append(buf, static_cast<size_t>(n));
        auto at = seen.find("ACCEPT 127.0.0.1:");
        auto eol = at == std::string::npos ? at : seen.find('\n', at);
        if (eol != std::string::npos) port_ = std::atoi(seen.c_str() + at + 17);
    }
    output_ = seen;
    if (port_ == 0) {
        kill(pid_, SIGTERM);
        waitpid(pid_, nullptr, 0);
        close(out_);
        throw std::runtime_error("openssl s_server did not start");
    }
    reader_ = std::thread([this] {
        char b[4096];
        ssize_t n;
        while ((n = read(out_, b, sizeof b)) > 0) {
            std::lock_guard lock(mutex_);
            output_.append(b, static_cast<size_t>(n));
        }
    });
}

OpensslServer::~OpensslServer() {
    kill(pid_, SIGTERM);
    waitpid(pid_, nullptr, 0);
    reader_.join();
    close(out_);
}

std::string OpensslServer::Output() const {
    std::lock_guard lock(mutex_);
    return output_;
}

namespace {

int FreePort() {
    Listener probe;
    return probe.port;
}

bool WaitUntilListening(int port) {
    for (int i = 0; i < 100; ++i) {
        try {
            CloseFd(ConnectTcp(port));
            return true;
        } catch (const std::exception&) {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
    }
    return false;
}

}  // namespace

VsftpdServer::VsftpdServer(const TempDir& dir, const Certificate& cert, bool implicitTls) {
    const std::string base = dir.File(implicitTls ? "vsftpd-implicit" : "vsftpd");
    root_ = base + "/root";
    log_ = base + "/log";
    std::filesystem::create_directories(root_ + "/up");
    std::filesystem::create_directories(base + "/empty");
    std::filesystem::permissions(root_ + "/up", std::filesystem::perms::all);
    for (int attempt = 0; attempt < 5 && port_ == 0; ++attempt) {
        const int port = FreePort();
        const std::string conf = base + "/vsftpd.conf";
        FILE* f = fopen(conf.c_str(), "w");
        if (!f) throw std::runtime_error("cannot write vsftpd.conf");
        fprintf(f,
                "listen=YES\nlisten_address=127.0.0.1\nlisten_port=%d\nbackground=NO\n"
                "run_as_launching_user=YES\nanonymous_enable=YES\nanon_root=%s\nno_anon_password=YES\n"
                "local_enable=NO\nanon_umask=022\nwrite_enable=YES\nanon_upload_enable=YES\nanon_other_write_enable=YES\n"
                "seccomp_sandbox=NO\nsecure_chroot_dir=%s/empty\nisolate=NO\nisolate_network=NO\n"
                "ssl_enable=YES\nallow_anon_ssl=YES\nforce_anon_logins_ssl=YES\nforce_anon_data_ssl=YES\n"
                "rsa_cert_file=%s\nrsa_private_key_file=%s\nrequire_ssl_reuse=YES\nimplicit_ssl=%s\n"
                "pasv_enable=YES\nport_enable=YES\nconnect_from_port_20=NO\nxferlog_enable=NO\n"
                "log_ftp_protocol=YES\nvsftpd_log_file=%s\ndual_log_enable=YES\n",
                port, root_.c_str(), base.c_str(), cert.CertFile.c_str(), cert.KeyFile.c_str(),
                implicitTls ? "YES" : "NO", log_.c_str());
        fclose(f);
        pid_ = Spawn({"vsftpd", conf}, &out_);
        if (WaitUntilListening(port)) {
            port_ = port;
        } else {
            kill(pid_, SIGTERM);
            waitpid(pid_, nullptr, 0);
            close(out_);
        }
    }
    if (port_ == 0) throw std::runtime_error("vsftpd did not start");
}

VsftpdServer::~VsftpdServer() {
    kill(pid_, SIGTERM);
    waitpid(pid_, nullptr, 0);
    close(out_);
}

std::string VsftpdServer::Log() const {
    std::string text;
    if (FILE* f = fopen(log_.c_str(), "r")) {
        char buf[4096];
        size_t n;
        while ((n = fread(buf, 1, sizeof buf, f)) > 0) text.append(buf, n);
        fclose(f);
    }
    return text;
}

PyftpdlibServer::PyftpdlibServer(const TempDir& dir, const Certificate& cert) {
    root_ = dir.File("pyftpdlib-root");
    std::filesystem::create_directories(root_);
    const std::string script =
        "import sys\n"
        "from pyftpdlib.authorizers import DummyAuthorizer\n"
        "from pyftpdlib.handlers import TLS_FTPHandler\n"
        "from pyftpdlib.servers import FTPServer\n"
        "a = DummyAuthorizer()\n"
        "a.add_anonymous(sys.argv[1], perm='elradfmw')\n"
        "h = TLS_FTPHandler\n"
        "h.authorizer = a\n"
        "h.certfile = sys.argv[2]\n"
        "h.keyfile = sys.argv[3]\n"
        "h.tls_control_required = True\n"
        "h.tls_data_required = True\n"
        "s = FTPServer(('127.0.0.1', 0), h)\n"
        "print('PORT', s.address[1], flush=True)\n"
        "s.serve_forever()\n";
    // The system interpreter has pyftpdlib; another python3 first on PATH may not.
    pid_ = Spawn({"/usr/bin/python3", "-c", script, root_, cert.CertFile, cert.KeyFile}, &out_);
    std::string seen;
    char buf[256];
    while (port_ == 0) {
        pollfd p{out_, POLLIN, 0};
        if (poll(&p, 1, 10000) <= 0) break;
        ssize_t n = read(out_, buf, sizeof buf);
        if (n <= 0) break;
        seen.append(buf, static_cast<size_t>(n));
        auto at = seen.find("PORT ");
        if (at != std::string::npos && seen.find('\n', at) != std::string::npos) port_ = std::atoi(seen.c_str() + at + 5);
    }
    if (port_ == 0) {
        kill(pid_, SIGTERM);
        waitpid(pid_, nullptr, 0);
        close(out_);
        throw std::runtime_error("pyftpdlib did not start");
    }
}

PyftpdlibServer::~PyftpdlibServer() {
    kill(pid_, SIGTERM);
    waitpid(pid_, nullptr, 0);
    close(out_);
}

Listener::Listener() {
    fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    if (bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || listen(fd, 16) != 0 ||
        getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len) != 0)
        throw std::runtime_error("cannot listen");
    port = ntohs(a.sin_port);
}

Listener::~Listener() { close(fd); }

int Listener::Accept() const {
    pollfd p{fd, POLLIN, 0};
    if (poll(&p, 1, 10000) <= 0) return -1;
    return accept4(fd, nullptr, nullptr, SOCK_CLOEXEC);
}

int ConnectTcp(int port) {
    int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<uint16_t>(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
        close(fd);
        throw std::runtime_error("connect failed");
    }
    return fd;
}

void CloseFd(int fd) {
    if (fd >= 0) close(fd);
}

std::string ReadLinePlain(int fd) {
    std::string line;
    char c;
    while (line.empty() || line.back() != '\n') {
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, 10000) <= 0 || recv(fd, &c, 1, 0) != 1) break;
        line += c;
    }
    return line;
}

void WritePlain(int fd, const std::string& text) {
    if (send(fd, text.data(), text.size(), MSG_NOSIGNAL) != static_cast<ssize_t>(text.size()))
        throw std::runtime_error("send failed");
}

}  // namespace tlstest
