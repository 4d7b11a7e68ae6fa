#pragma once
// TIdSSLIOHandlerSocketOpenSSL: the socket transport with an optional TLS
// layer. In pass-through mode it is the plain transport; switching
// pass-through off on an open socket runs the client handshake (explicit TLS
// after "AUTH", a protected data connection after its 1xx reply); switching it
// on again ends TLS and keeps the TCP connection (after "CCC"). Opening with
// pass-through off is implicit TLS: the handshake follows the connect.
//
// Clone() gives data connections a handler with the same settings, options
// and events that offers this connection's TLS session for resumption and
// checks the certificate against the same host name, as servers that insist
// on session reuse (and on SNI matching) require. The clone shares this
// connection's TLS context: building one costs more CPU than a resumed
// handshake, and a folder of small files opens a data connection per file.
//
// Contract as TIdIOHandler: one owning thread; Abort() from any thread.
// Handshake failures raise EIdOSSLConnectError and leave the socket open (the
// FTP layer closes it); read timeouts raise EIdReadTimeout and socket
// failures EIdSocketError as the plain transport does; TLS protocol failures
// raise EIdOSSLReadError/EIdOSSLWriteError.

#include "ftp/IOHandlerStack.h"
#include "ftp/SSLContext.h"
#include "ftp/SSLOptions.h"
#include "ftp/SSLSocket.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

class TIdSSLIOHandlerSocketOpenSSL : public TIdIOHandlerStack {
public:
    TIdSSLIOHandlerSocketOpenSSL();
    ~TIdSSLIOHandlerSocketOpenSSL() override;

    TIdSSLOptions SSLOptions;
    std::function<void(const std::string& text)> OnStatusInfo;
    std::function<std::string()> OnGetPassword;
    /// The trust decision of a control connection: asked once per TLS start,
    /// after the handshake and before any application byte is sent or read,
    /// with the certificate, protocol and cipher filled in. False drops the
    /// session without a word (not even close_notify) and raises
    /// EIdOSSLCertificateRefused; the caller closes the socket. Unset: every
    /// certificate is accepted unless SSLOptions.VerifyMode asks otherwise.
    /// Data connections (clones) are never asked: they must present the
    /// certificate their control connection accepted, else
    /// EIdOSSLCertificateMismatch.
    std::function<bool(const TIdPeerCertificate& certificate)> OnVerifyPeer;
    /// Limit of a handshake in ms; 0 uses ReadTimeout, or 30000 when that is 0.
    int HandshakeTimeout = 0;

    void Open(const std::string& host, std::uint16_t port) override;
    void Adopt(int fd) override;
    /// Sends close_notify (not after Abort) and, on a data connection, waits
    /// briefly (at most 5 s) for the peer's answer or close; then frees the
    /// session and the context, closes the socket and returns to pass-through.
    void Close() override;
    std::unique_ptr<TIdIOHandler> Clone() const override;
    bool IsTLSHandler() const override { return true; }
    /// On a closed handler only sets the mode used by the next Open/Adopt.
    /// `host` names the server for SNI and the certificate check (empty: the
    /// name given to Open); a clone always uses the name of the connection it
    /// was cloned from, whatever address its data connection goes to.
    void SetPassThrough(bool passThrough, const std::string& host) override;
    bool PassThrough() const override { return passThrough_; }

    /// The session the next data connection should resume. A control
    /// connection and its clones share the tickets the server issued on any of
    /// them: some servers honour each TLS 1.3 ticket once (vsftpd) and send a
    /// new one on every data connection, others send none on an upload's data
    /// connection (proftpd) and honour a ticket again. So every clone takes the
    /// newest ticket nobody offered yet, and when none is left offers (a copy
    /// of) the last one again, as TLS 1.2 sessions always are.
    TIdSSLSessionPtr Session() const;
    void SetSessionToResume(TIdSSLSessionPtr session) { resume_ = std::move(session); }
    bool SessionReused() const { return session_ && session_->SessionReused(); }
    std::string ProtocolName() const { return session_ ? session_->ProtocolName() : std::string(); }
    std::string CipherName() const { return session_ ? session_->CipherName() : std::string(); }
    /// The server certificate of the current TLS session, or null.
    const TIdPeerCertificate* PeerCertificate() const;

protected:
    std::size_t RawRecv(char* buffer, std::size_t size, int timeoutMs) override;
    void RawSend(const char* data, std::size_t size) override;
    bool RawPending() const override { return session_ && session_->HasPending(); }

private:
    void EnsureContext();
    void StartTLS(const std::string& host);
    void CheckPeer(TIdSSLSocket& session);
    int HandshakeTimeoutMs() const;
    int ShutdownTimeoutMs() const;

    struct SessionStore {
        std::vector<TIdSSLSessionPtr> unused;  // tickets nobody offered yet, oldest first
        TIdSSLSessionPtr lastOffered;
    };
    void Harvest() const;
    TIdSSLSessionPtr TakeSessionToOffer() const;

    bool passThrough_ = true;
    bool cloned_ = false;  // a data connection's transport
    std::shared_ptr<SessionStore> store_ = std::make_shared<SessionStore>();
    std::string tlsHost_;  // the name certificates are checked against
    TIdSSLSessionPtr resume_;
    int group_ = 0;  // key-exchange group to offer first (the control connection's)
    // The fingerprint the control connection accepted: every data connection
    // must present it. Kept after "CCC" ended TLS on the control connection.
    std::string pinnedFingerprint_;
    std::shared_ptr<TIdSSLContext> context_;  // shared with this connection's clones
    std::unique_ptr<TIdSSLSocket> session_;
};
