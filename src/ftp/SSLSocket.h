#pragma once
// One TLS session on a connected socket (an SSL object over the socket's file
// descriptor). Contract:
// - Used by its owning thread only. Another thread may abort a blocked call
//   by shutting the socket down (shutdown(2)); the call then fails or reports
//   the peer as closed. The descriptor is never closed here, and its flags are
//   never changed: waiting is done with poll(2) and non-blocking send/recv.
// - Every blocking call takes a timeout in milliseconds. Recv and Send wait at
//   most that long for the socket each time (<= 0: no limit); Connect and
//   Accept limit the whole handshake (<= 0: DefaultHandshakeTimeoutMs), so a
//   silent or babbling server ends in EIdOSSLConnectError, never a hang.
// - Writing to a socket the peer has closed raises EIdOSSLWriteError; it never
//   raises SIGPIPE.

#include "ftp/PeerCertificate.h"

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <vector>

typedef struct ssl_st SSL;
typedef struct ssl_session_st SSL_SESSION;
class TIdSSLContext;

/// A TLS session that a later connection may resume (shared, immutable).
using TIdSSLSessionPtr = std::shared_ptr<SSL_SESSION>;
/// A copy of a session to offer on one connection. OpenSSL stops offering a
/// TLS 1.3 session object once a connection has resumed it, so an offer that
/// may be repeated must be made with a copy; null for null.
TIdSSLSessionPtr CopySSLSession(const TIdSSLSessionPtr& session);

class TIdSSLSocket {
public:
    static constexpr int DefaultHandshakeTimeoutMs = 30000;

    /// The context must outlive the socket.
    explicit TIdSSLSocket(TIdSSLContext& context);
    ~TIdSSLSocket();  // frees the session; sends nothing
    TIdSSLSocket(const TIdSSLSocket&) = delete;
    TIdSSLSocket& operator=(const TIdSSLSocket&) = delete;

    /// Client handshake on the connected socket fd. host is the server's name
    /// or address as the user gave it: a name is sent as SNI, and the
    /// certificate is checked against it. resume, when given, is offered for
    /// resumption (data connections resume the control connection's session).
    /// Raises EIdOSSLDataBindingError or EIdOSSLConnectError; fd stays open.
    /// `group` (an OpenSSL NID, 0: none) is offered first for the key
    /// exchange: the one the server chose before saves a second hello.
    void Connect(int fd, const std::string& host, int timeoutMs, const TIdSSLSessionPtr& resume = {},
                 int group = 0);
    /// The key-exchange group of the finished handshake (NID), 0 if unknown.
    int NegotiatedGroup() const;
    /// Server handshake (for servers and tests). Raises EIdOSSLAcceptError.
    void Accept(int fd, int timeoutMs);

    /// Reads up to size bytes; 0 means the peer closed the connection (with
    /// close_notify, or without it: see ClosedWithoutNotify). Raises
    /// EIdOSSLReadTimeout or EIdOSSLReadError.
    size_t Recv(void* buffer, size_t size, int timeoutMs);
    /// Writes all of data. Raises EIdOSSLReadTimeout (no progress within the
    /// timeout) or EIdOSSLWriteError.
    void Send(const void* data, size_t size, int timeoutMs);
    /// Sends close_notify; with closeWrite also ends the TCP sending side.
    /// When waitForPeer, then reads (and drops) until the peer's close_notify,
    /// its close or the timeout, so that closing the socket afterwards cannot
    /// reset data the peer has not read yet. True when the peer's close_notify
    /// arrived. Never raises; a broken session is just left.
    bool Shutdown(int timeoutMs, bool waitForPeer = true, bool closeWrite = false);
    /// Ends TLS but keeps the TCP connection, after a successful CCC: sends
    /// close_notify and reads the peer's one (up to timeoutMs), so that the
    /// clear-text traffic that follows starts exactly after it. Never raises.
    void SwitchOff(int timeoutMs);

    /// True when decrypted bytes wait inside the session: a caller that polls
    /// the socket itself must read those first.
    bool HasPending() const;
    /// Handles records that already arrived (such as TLS 1.3 session tickets)
    /// without waiting and without consuming application data.
    void ProcessPendingRecords();

    /// The session to offer on a later connection: the newest one the server
    /// issued (TLS 1.3 tickets arrive after the handshake, with the first read).
    TIdSSLSessionPtr Session() const;
    /// The sessions (tickets) the server issued since the last call, oldest
    /// first. A TLS 1.3 server may honour each ticket once only.
    std::vector<TIdSSLSessionPtr> TakeNewSessions();

    bool SessionReused() const;
    std::string ProtocolName() const;  ///< e.g. "TLSv1.3"
    std::string CipherName() const;    ///< e.g. "TLS_AES_256_GCM_SHA384"
    const std::string& HostName() const { return host_; }
    /// The server's certificate as checked during the handshake, if one was sent.
    const std::optional<TIdPeerCertificate>& PeerCertificate() const { return peer_; }
    /// The last Recv saw the connection end without close_notify (a truncation
    /// attack is indistinguishable from a server that does not send it).
    bool ClosedWithoutNotify() const { return closedWithoutNotify_; }
    bool Active() const { return ssl_ != nullptr && !switchedOff_; }
    int Fd() const;
    SSL* Handle() const { return ssl_; }

    // Called from the OpenSSL callbacks of the context.
    void SetPeerCertificate(TIdPeerCertificate certificate) { peer_ = std::move(certificate); }
    void SetLatestSession(SSL_SESSION* session);  // takes ownership

    struct BioState {
        int fd = -1;
        bool eof = false;
        int lastErrno = 0;
    };

private:
    void Attach(int fd);
    void Handshake(int timeoutMs, bool client);
    std::string HandshakeFailure(int sslError, bool timedOut, int timeoutMs) const;
    bool WaitForSocket(int sslError, int timeoutMs) const;
    void DrainUntilClose(int timeoutMs, bool& gotNotify);

    TIdSSLContext& context_;
    SSL* ssl_ = nullptr;
    BioState bio_;
    std::string host_;
    std::optional<TIdPeerCertificate> peer_;
    TIdSSLSessionPtr latest_;
    std::vector<TIdSSLSessionPtr> newSessions_;
    bool broken_ = false;
    bool switchedOff_ = false;
    bool closedWithoutNotify_ = false;
    bool eofSeen_ = false;  // the peer closed without close_notify
};
