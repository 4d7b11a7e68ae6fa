#pragma once
// Helpers of the TLS transport tests: throwaway certificates made with the
// openssl command, an "openssl s_server" child on a free loopback port, and
// plain TCP sockets on 127.0.0.1.

#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <sys/types.h>

namespace tlstest {

/// Runs a program (argv[0] looked up in PATH); returns its exit status and
/// fills output with its standard output when given.
int Run(const std::vector<std::string>& argv, std::string* output = nullptr);

/// A temporary directory removed with everything in it.
class TempDir {
public:
    TempDir();
    ~TempDir();
    const std::string& Path() const { return path_; }
    std::string File(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

/// A self-signed certificate "<name>.pem" with key "<name>.key" in dir, for
/// CN=localhost with the subject alternative names DNS:localhost and
/// IP:127.0.0.1.
struct Certificate {
    std::string CertFile;
    std::string KeyFile;
    std::string FingerprintSHA256;  ///< as "openssl x509 -fingerprint -sha256" prints it
};
Certificate MakeCertificate(const TempDir& dir, const std::string& name);

/// "openssl s_server -rev" (answers every line reversed) on 127.0.0.1 with a
/// free port; stopped by the destructor.
class OpensslServer {
public:
    OpensslServer(const Certificate& cert, const std::vector<std::string>& extraArgs = {});
    ~OpensslServer();
    int Port() const { return port_; }
    std::string Output() const;

private:
    pid_t pid_ = -1;
    int port_ = 0;
    int out_ = -1;
    std::thread reader_;
    mutable std::mutex mutex_;
    std::string output_;
};

/// vsftpd on 127.0.0.1 with a free port: anonymous login without password,
/// TLS required for login and data, session reuse on data connections
/// required (its default), uploads allowed into "up". Implicit TLS when
/// asked. Serves Root(); stopped by the destructor.
class VsftpdServer {
public:
    VsftpdServer(const TempDir& dir, const Certificate& cert, bool implicitTls = false);
    ~VsftpdServer();
    int Port() const { return port_; }
    std::string Root() const { return root_; }
    std::string Log() const;

private:
    pid_t pid_ = -1;
    int port_ = 0;
    int out_ = -1;
    std::string root_;
    std::string log_;
};

/// pyftpdlib's TLS handler on 127.0.0.1 with a free port: TLS required on
/// control and data connections, anonymous login with write rights in Root().
class PyftpdlibServer {
public:
    PyftpdlibServer(const TempDir& dir, const Certificate& cert);
    ~PyftpdlibServer();
    int Port() const { return port_; }
    std::string Root() const { return root_; }

private:
    pid_t pid_ = -1;
    int port_ = 0;
    int out_ = -1;
    std::string root_;
};

/// A listening TCP socket on 127.0.0.1 with a free port.
struct Listener {
    Listener();
    ~Listener();
    int Accept() const;  ///< waits at most 10 s; -1 on timeout
    int fd = -1;
    int port = 0;
};

int ConnectTcp(int port);
void CloseFd(int fd);
/// Reads from a plain socket until "\n" (included) or close.
std::string ReadLinePlain(int fd);
void WritePlain(int fd, const std::string& text);

}  // namespace tlstest
