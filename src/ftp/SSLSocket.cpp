#include "ftp/SSLSocket.h"

#include "ftp/SSLContext.h"
#include "ftp/SSLExceptions.h"

#include <openssl/bio.h>
#include <openssl/err.h>
#include <openssl/ssl.h>

#include <arpa/inet.h>
#include <poll.h>
#include <sys/socket.h>

#include <cerrno>
#include <vector>
#include <chrono>
#include <climits>
#include <cstring>
#include <mutex>
#include <utility>

namespace {

using Clock = std::chrono::steady_clock;

// A socket BIO of our own: non-blocking calls on a descriptor whose flags are
// the transport's business, and send() with MSG_NOSIGNAL so a closed peer
// gives EPIPE rather than killing the process.
int BioWrite(BIO* bio, const char* data, int len) {
    auto* st = static_cast<TIdSSLSocket::BioState*>(BIO_get_data(bio));
    BIO_clear_retry_flags(bio);
    ssize_t n = ::send(st->fd, data, static_cast<size_t>(len), MSG_NOSIGNAL | MSG_DONTWAIT);
    if (n >= 0) return static_cast<int>(n);
    if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) {
        BIO_set_retry_write(bio);
    } else {
        st->lastErrno = errno;
    }
    return -1;
}

int BioRead(BIO* bio, char* data, int len) {
    auto* st = static_cast<TIdSSLSocket::BioState*>(BIO_get_data(bio));
    BIO_clear_retry_flags(bio);
    ssize_t n = ::recv(st->fd, data, static_cast<size_t>(len), MSG_DONTWAIT);
    if (n > 0) return static_cast<int>(n);
    if (n == 0) {
        st->eof = true;
        return 0;
    }
    if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) {
        BIO_set_retry_read(bio);
    } else {
        st->lastErrno = errno;
    }
    return -1;
}

long BioCtrl(BIO* bio, int cmd, long /*num*/, void* ptr) {
    auto* st = static_cast<TIdSSLSocket::BioState*>(BIO_get_data(bio));
    switch (cmd) {
    case BIO_CTRL_FLUSH:
        return 1;
    case BIO_CTRL_EOF:
        return st && st->eof ? 1 : 0;
    case BIO_C_GET_FD:
        if (!st) return -1;
        if (ptr) *static_cast<int*>(ptr) = st->fd;
        return st->fd;
    default:
        return 0;
    }
}

int BioCreate(BIO* bio) {
    BIO_set_init(bio, 1);
    return 1;
}

BIO_METHOD* SocketBioMethod() {
    static std::once_flag once;
    static BIO_METHOD* method = nullptr;
    std::call_once(once, [] {
        method = BIO_meth_new(BIO_get_new_index() | BIO_TYPE_SOURCE_SINK | BIO_TYPE_DESCRIPTOR, "tovrel socket");
        if (!method) return;
        BIO_meth_set_write(method, BioWrite);
        BIO_meth_set_read(method, BioRead);
        BIO_meth_set_ctrl(method, BioCtrl);
        BIO_meth_set_create(method, BioCreate);
    });
    return method;
}

bool IsIpAddress(const std::string& host) {
    unsigned char buf[16];
    return inet_pton(AF_INET, host.c_str(), buf) == 1 || inet_pton(AF_INET6, host.c_str(), buf) == 1;
}

int RemainingMs(Clock::time_point deadline) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? static_cast<int>(std::min<long long>(left, INT_MAX)) : 0;
}

bool IsUnexpectedEof() {
    unsigned long e = ERR_peek_error();
    return ERR_GET_LIB(e) == ERR_LIB_SSL && ERR_GET_REASON(e) == SSL_R_UNEXPECTED_EOF_WHILE_READING;
}

}  // namespace

TIdSSLSessionPtr CopySSLSession(const TIdSSLSessionPtr& session) {
    if (!session) return {};
    SSL_SESSION* copy = SSL_SESSION_dup(session.get());
    return copy ? TIdSSLSessionPtr(copy, SSL_SESSION_free) : TIdSSLSessionPtr();
}

TIdSSLSocket::TIdSSLSocket(TIdSSLContext& context) : context_(context) {}

TIdSSLSocket::~TIdSSLSocket() {
    if (ssl_) SSL_free(ssl_);
}

int TIdSSLSocket::Fd() const { return bio_.fd; }

void TIdSSLSocket::Attach(int fd) {
    if (ssl_ || fd < 0) throw EIdOSSLDataBindingError(fd < 0 ? "no socket" : "session already attached");
    BIO_METHOD* method = SocketBioMethod();
    ssl_ = method ? SSL_new(context_.Handle()) : nullptr;
    BIO* bio = ssl_ ? BIO_new(method) : nullptr;
    if (!bio) {
        std::string reason = TakeOpenSSLErrors();
        if (ssl_) SSL_free(ssl_);
        ssl_ = nullptr;
        throw EIdOSSLDataBindingError(reason);
    }
    bio_ = BioState{fd, false, 0};
    BIO_set_data(bio, &bio_);
    SSL_set_bio(ssl_, bio, bio);
    SSL_set_ex_data(ssl_, 0, this);
}

void TIdSSLSocket::Connect(int fd, const std::string& host, int timeoutMs, const TIdSSLSessionPtr& resume,
                           int group) {
    Attach(fd);
    host_ = host;
    // SNI carries names only (RFC 6066); an address is never sent.
    if (!host.empty() && !IsIpAddress(host)) SSL_ctrl(ssl_, SSL_CTRL_SET_TLSEXT_HOSTNAME, TLSEXT_NAMETYPE_host_name, const_cast<char*>(host.c_str()));
    if (resume) SSL_set_session(ssl_, resume.get());
    if (group != 0) {
        // A key share for a group the server does not take costs a retried
        // hello (one more round trip and key pair) on every data connection.
        std::vector<int> groups{group};
        for (int usual : {NID_X25519, NID_X9_62_prime256v1, NID_X448, NID_secp521r1, NID_secp384r1})
            if (usual != group) groups.push_back(usual);
        if (SSL_set1_groups(ssl_, groups.data(), static_cast<long>(groups.size())) != 1) ERR_clear_error();
    }
    SSL_set_connect_state(ssl_);
    Handshake(timeoutMs, true);
    // A resumed session skips the certificate check: the certificate is the
    // one its first connection presented.
    if (!peer_) {
        if (X509* cert = SSL_get0_peer_certificate(ssl_)) {
            peer_ = TIdPeerCertificate::FromX509(cert);
            peer_->HostName = host_;
            peer_->HostNameMatches = TIdPeerCertificate::MatchesHost(cert, host_);
        }
    }
    if (peer_) {
        peer_->ProtocolName = ProtocolName();
        peer_->CipherName = CipherName();
    }
}

int TIdSSLSocket::NegotiatedGroup() const {
    if (!ssl_) return 0;
    const int group = SSL_get_negotiated_group(ssl_);
    return group > 0 && (group & TLSEXT_nid_unknown) == 0 ? group : 0;
}

void TIdSSLSocket::Accept(int fd, int timeoutMs) {
    Attach(fd);
    SSL_set_accept_state(ssl_);
    Handshake(timeoutMs, false);
}

void TIdSSLSocket::Handshake(int timeoutMs, bool client) {
    if (timeoutMs <= 0) timeoutMs = DefaultHandshakeTimeoutMs;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        ERR_clear_error();
        bio_.lastErrno = 0;
        int r = SSL_do_handshake(ssl_);
        if (r == 1) return;
        int e = SSL_get_error(ssl_, r);
        bool retry = e == SSL_ERROR_WANT_READ || e == SSL_ERROR_WANT_WRITE;
        if (retry && RemainingMs(deadline) > 0 && WaitForSocket(e, RemainingMs(deadline))) continue;
        broken_ = true;
        std::string reason = HandshakeFailure(e, retry, timeoutMs);
        if (client) throw EIdOSSLConnectError(reason, bio_.lastErrno);
        throw EIdOSSLAcceptError(reason, bio_.lastErrno);
    }
}

std::string TIdSSLSocket::HandshakeFailure(int sslError, bool timedOut, int timeoutMs) const {
    if (timedOut) return "no TLS handshake within " + std::to_string(timeoutMs) + " ms";
    if (peer_ && SSL_get_verify_result(ssl_) != X509_V_OK)
        return "certificate rejected: " + std::string(X509_verify_cert_error_string(SSL_get_verify_result(ssl_)));
    if (bio_.lastErrno) return std::strerror(bio_.lastErrno);
    if (bio_.eof || (sslError == SSL_ERROR_SYSCALL && ERR_peek_error() == 0))
        return "the connection was closed during the TLS handshake";
    std::string errors = TakeOpenSSLErrors();
    return errors.empty() ? "TLS handshake failed" : errors;
}

bool TIdSSLSocket::WaitForSocket(int sslError, int timeoutMs) const {
    pollfd p{bio_.fd, static_cast<short>(sslError == SSL_ERROR_WANT_WRITE ? POLLOUT : POLLIN), 0};
    const bool limited = timeoutMs > 0;
    const auto deadline = Clock::now() + std::chrono::milliseconds(limited ? timeoutMs : 0);
    for (;;) {
        int r = ::poll(&p, 1, limited ? RemainingMs(deadline) : -1);
        if (r > 0) return true;  // readable, writable, hung up or failed: the next call tells
        if (r == 0) return false;
        if (errno != EINTR) return true;
    }
}

size_t TIdSSLSocket::Recv(void* buffer, size_t size, int timeoutMs) {
    if (eofSeen_) {  // the end stays the end
        closedWithoutNotify_ = true;
        return 0;
    }
    if (!ssl_ || switchedOff_ || broken_) throw EIdOSSLReadError("no TLS session");
    closedWithoutNotify_ = false;
    int want = static_cast<int>(std::min<size_t>(size, INT_MAX));
    for (;;) {
        ERR_clear_error();
        bio_.lastErrno = 0;
        int n = SSL_read(ssl_, buffer, want);
        if (n > 0) return static_cast<size_t>(n);
        int e = SSL_get_error(ssl_, n);
        if (e == SSL_ERROR_WANT_READ || e == SSL_ERROR_WANT_WRITE) {
            if (!WaitForSocket(e, timeoutMs)) throw EIdOSSLReadTimeout();
            continue;
        }
        if (e == SSL_ERROR_ZERO_RETURN) return 0;
        if (bio_.lastErrno) {
            broken_ = true;
            throw EIdOSSLReadError(std::strerror(bio_.lastErrno), bio_.lastErrno);
        }
        // Many servers close data connections without close_notify.
        if ((e == SSL_ERROR_SYSCALL && ERR_peek_error() == 0) || (e == SSL_ERROR_SSL && IsUnexpectedEof())) {
            ERR_clear_error();
            broken_ = true;
            eofSeen_ = true;
            closedWithoutNotify_ = true;
            return 0;
        }
        broken_ = true;
        throw EIdOSSLReadError(TakeOpenSSLErrors());
    }
}

void TIdSSLSocket::Send(const void* data, size_t size, int timeoutMs) {
    if (!ssl_ || switchedOff_ || broken_) throw EIdOSSLWriteError("no TLS session");
    const char* p = static_cast<const char*>(data);
    while (size > 0) {
        ERR_clear_error();
        bio_.lastErrno = 0;
        int n = SSL_write(ssl_, p, static_cast<int>(std::min<size_t>(size, INT_MAX)));
        if (n > 0) {
            p += n;
            size -= static_cast<size_t>(n);
            continue;
        }
        int e = SSL_get_error(ssl_, n);
        if (e == SSL_ERROR_WANT_READ || e == SSL_ERROR_WANT_WRITE) {
            if (!WaitForSocket(e, timeoutMs)) throw EIdOSSLReadTimeout();
            continue;
        }
        broken_ = true;
        if (bio_.lastErrno) throw EIdOSSLWriteError(std::strerror(bio_.lastErrno), bio_.lastErrno);
        std::string reason = TakeOpenSSLErrors();
        throw EIdOSSLWriteError(reason.empty() ? "the connection was closed" : reason);
    }
}

void TIdSSLSocket::DrainUntilClose(int timeoutMs, bool& gotNotify) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(std::max(timeoutMs, 0));
    char sink[4096];
    for (;;) {
        ERR_clear_error();
        int n = SSL_read(ssl_, sink, sizeof sink);
        if (n > 0) continue;
        int e = SSL_get_error(ssl_, n);
        if (e == SSL_ERROR_ZERO_RETURN) {
            gotNotify = true;
            return;
        }
        if (e != SSL_ERROR_WANT_READ && e != SSL_ERROR_WANT_WRITE) return;
        int left = RemainingMs(deadline);
        if (left <= 0 || !WaitForSocket(e, left)) return;
    }
}

bool TIdSSLSocket::Shutdown(int timeoutMs, bool waitForPeer, bool closeWrite) {
    if (!ssl_ || switchedOff_ || broken_) return false;
    const auto deadline = Clock::now() + std::chrono::milliseconds(std::max(timeoutMs, 1));
    bool gotNotify = (SSL_get_shutdown(ssl_) & SSL_RECEIVED_SHUTDOWN) != 0;
    for (;;) {  // sending close_notify may have to wait for room in the socket
        ERR_clear_error();
        int r = SSL_shutdown(ssl_);
        if (r >= 0) break;
        int e = SSL_get_error(ssl_, r);
        if (e != SSL_ERROR_WANT_WRITE && e != SSL_ERROR_WANT_READ) {
            broken_ = true;
            ERR_clear_error();
            return false;
        }
        if (e == SSL_ERROR_WANT_READ) break;  // ours is out; the peer's is awaited below
        if (!WaitForSocket(e, std::max(1, RemainingMs(deadline))) || RemainingMs(deadline) == 0) return false;
    }
    if (closeWrite) ::shutdown(bio_.fd, SHUT_WR);
    if (waitForPeer && !gotNotify) DrainUntilClose(RemainingMs(deadline), gotNotify);
    ERR_clear_error();
    return gotNotify;
}

void TIdSSLSocket::SwitchOff(int timeoutMs) {
    if (!ssl_ || switchedOff_) return;
    if (!broken_) Shutdown(timeoutMs, true);
    switchedOff_ = true;
}

bool TIdSSLSocket::HasPending() const { return Active() && !broken_ && SSL_pending(ssl_) > 0; }

void TIdSSLSocket::ProcessPendingRecords() {
    if (!Active() || broken_) return;
    char c;
    ERR_clear_error();
    bio_.lastErrno = 0;
    int r = SSL_peek(ssl_, &c, 1);
    if (r <= 0) {
        int e = SSL_get_error(ssl_, r);
        // The peer went away without close_notify: the next Recv reports it
        // as a close, as it would have without this look-ahead.
        if ((e == SSL_ERROR_SYSCALL && ERR_peek_error() == 0 && bio_.lastErrno == 0) ||
            (e == SSL_ERROR_SSL && IsUnexpectedEof()))
            eofSeen_ = true;
    }
    ERR_clear_error();  // other failures surface on the next Recv
}

TIdSSLSessionPtr TIdSSLSocket::Session() const {
    if (latest_) return latest_;
    if (!ssl_) return {};
    SSL_SESSION* s = SSL_get1_session(ssl_);
    return s ? TIdSSLSessionPtr(s, SSL_SESSION_free) : TIdSSLSessionPtr();
}

void TIdSSLSocket::SetLatestSession(SSL_SESSION* session) {
    latest_ = TIdSSLSessionPtr(session, SSL_SESSION_free);
    newSessions_.push_back(latest_);
}

std::vector<TIdSSLSessionPtr> TIdSSLSocket::TakeNewSessions() { return std::exchange(newSessions_, {}); }

bool TIdSSLSocket::SessionReused() const { return ssl_ && SSL_session_reused(ssl_) == 1; }

std::string TIdSSLSocket::ProtocolName() const { return ssl_ ? SSL_get_version(ssl_) : std::string(); }

std::string TIdSSLSocket::CipherName() const {
    const char* name = ssl_ ? SSL_get_cipher_name(ssl_) : nullptr;
    return name ? name : std::string();
}
