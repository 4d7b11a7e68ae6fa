#include "ftp/SSLIOHandlerSocketOpenSSL.h"

#include "ftp/IdExceptions.h"
#include "ftp/SSLExceptions.h"

#include <algorithm>

namespace {

// How long a close or CCC waits for the peer's close_notify. Short: a peer
// that never answers costs this much once per connection.
constexpr int kShutdownWaitMs = 5000;
// Tickets kept for later data connections; servers issue one or two per
// connection.
constexpr std::size_t kMaxUnusedTickets = 8;

}  // namespace

TIdSSLIOHandlerSocketOpenSSL::TIdSSLIOHandlerSocketOpenSSL() = default;

TIdSSLIOHandlerSocketOpenSSL::~TIdSSLIOHandlerSocketOpenSSL() {
    session_.reset();
    context_.reset();
    // The base destructor closes the socket.
}

void TIdSSLIOHandlerSocketOpenSSL::EnsureContext() {
    if (context_) return;
    // OnVerifyPeer is asked after the handshake (CheckPeer), not from inside
    // OpenSSL: the answer may take a user's time, and a transfer thread must
    // not hold a half-done handshake meanwhile.
    context_ = std::make_shared<TIdSSLContext>(SSLOptions, TIdSSLEvents{OnStatusInfo, OnGetPassword, nullptr});
}

int TIdSSLIOHandlerSocketOpenSSL::HandshakeTimeoutMs() const {
    if (HandshakeTimeout > 0) return HandshakeTimeout;
    return ReadTimeout > 0 ? ReadTimeout : TIdSSLSocket::DefaultHandshakeTimeoutMs;
}

int TIdSSLIOHandlerSocketOpenSSL::ShutdownTimeoutMs() const {
    return ReadTimeout > 0 ? std::min(ReadTimeout, kShutdownWaitMs) : kShutdownWaitMs;
}

void TIdSSLIOHandlerSocketOpenSSL::Open(const std::string& host, std::uint16_t port) {
    EnsureContext();  // a missing library fails before any byte is sent
    if (!cloned_) {
        // A control connection, perhaps to another server than last time.
        tlsHost_ = host;
        pinnedFingerprint_.clear();
        resume_.reset();
        store_ = std::make_shared<SessionStore>();
    }
    TIdIOHandlerStack::Open(host, port);
    if (passThrough_) return;
    try {
        StartTLS(host);
    } catch (...) {
        TIdIOHandlerStack::Close();
        throw;
    }
}

void TIdSSLIOHandlerSocketOpenSSL::Adopt(int fd) {
    EnsureContext();
    TIdIOHandlerStack::Adopt(fd);
    if (!passThrough_) StartTLS(tlsHost_.empty() ? PeerIP() : tlsHost_);
}

void TIdSSLIOHandlerSocketOpenSSL::StartTLS(const std::string& host) {
    EnsureContext();
    auto session = std::make_unique<TIdSSLSocket>(*context_);
    session->Connect(fd_, host, HandshakeTimeoutMs(), resume_, group_);
    CheckPeer(*session);
    session_ = std::move(session);
    passThrough_ = false;
}

void TIdSSLIOHandlerSocketOpenSSL::CheckPeer(TIdSSLSocket& session) {
    const TIdPeerCertificate presented = session.PeerCertificate().value_or(TIdPeerCertificate{});
    if (cloned_) {
        if (!pinnedFingerprint_.empty() && presented.FingerprintSHA256 != pinnedFingerprint_)
            throw EIdOSSLCertificateMismatch(presented, "control connection " + pinnedFingerprint_ +
                                                            ", data connection " +
                                                            (presented.FingerprintSHA256.empty()
                                                                 ? std::string("none")
                                                                 : presented.FingerprintSHA256));
        return;
    }
    // The session (unique_ptr of the caller) goes without a close_notify.
    if (OnVerifyPeer && !OnVerifyPeer(presented)) throw EIdOSSLCertificateRefused(presented);
    pinnedFingerprint_ = presented.FingerprintSHA256;
}

void TIdSSLIOHandlerSocketOpenSSL::SetPassThrough(bool passThrough, const std::string& host) {
    if (!Opened()) {
        passThrough_ = passThrough;
        return;
    }
    if (passThrough == passThrough_) return;
    if (passThrough) {
        // CCC: both sides end TLS with close_notify; clear text follows on the socket.
        if (session_) session_->SwitchOff(ShutdownTimeoutMs());
        session_.reset();
        passThrough_ = true;
        return;
    }
    if (!cloned_ && !host.empty()) tlsHost_ = host;
    StartTLS(tlsHost_.empty() ? PeerIP() : tlsHost_);
}

void TIdSSLIOHandlerSocketOpenSSL::Close() {
    if (session_ && session_->Active() && !aborted_ && Opened()) {
        // close_notify tells the server an upload is complete; on a data
        // connection, waiting for its answer keeps our close from resetting
        // data it has not read yet. A control connection does not wait: its
        // server may be busy with a transfer we just gave up.
        session_->Shutdown(ShutdownTimeoutMs(), cloned_, true);
    }
    Harvest();  // tickets that came with this connection serve the next one
    session_.reset();
    context_.reset();
    TIdIOHandlerStack::Close();
    passThrough_ = true;  // the next connection starts in clear unless told otherwise
}

std::unique_ptr<TIdIOHandler> TIdSSLIOHandlerSocketOpenSSL::Clone() const {
    auto copy = std::make_unique<TIdSSLIOHandlerSocketOpenSSL>();
    CopySettingsTo(*copy);
    copy->SSLOptions = SSLOptions;
    copy->OnStatusInfo = OnStatusInfo;
    copy->OnGetPassword = OnGetPassword;
    copy->OnVerifyPeer = OnVerifyPeer;
    copy->HandshakeTimeout = HandshakeTimeout;
    copy->tlsHost_ = tlsHost_;
    copy->pinnedFingerprint_ = pinnedFingerprint_;
    copy->resume_ = TakeSessionToOffer();
    copy->group_ = session_ ? session_->NegotiatedGroup() : group_;
    copy->store_ = store_;
    copy->context_ = context_;  // same options and events; null: the clone makes its own
    copy->cloned_ = true;
    return copy;
}

void TIdSSLIOHandlerSocketOpenSSL::Harvest() const {
    if (!session_ || !session_->Active()) return;
    session_->ProcessPendingRecords();  // session tickets that already arrived
    auto& unused = store_->unused;
    for (auto& s : session_->TakeNewSessions()) unused.push_back(std::move(s));
    if (unused.size() > kMaxUnusedTickets) unused.erase(unused.begin(), unused.end() - kMaxUnusedTickets);
}

TIdSSLSessionPtr TIdSSLIOHandlerSocketOpenSSL::Session() const {
    Harvest();
    if (!store_->unused.empty()) return store_->unused.back();
    return store_->lastOffered ? store_->lastOffered : resume_;
}

TIdSSLSessionPtr TIdSSLIOHandlerSocketOpenSSL::TakeSessionToOffer() const {
    TIdSSLSessionPtr s = Session();
    if (!store_->unused.empty()) store_->unused.pop_back();
    store_->lastOffered = s;
    // The stored session stays untouched, so that it can be offered again.
    return CopySSLSession(s);
}

const TIdPeerCertificate* TIdSSLIOHandlerSocketOpenSSL::PeerCertificate() const {
    return session_ && session_->PeerCertificate() ? &*session_->PeerCertificate() : nullptr;
}

std::size_t TIdSSLIOHandlerSocketOpenSSL::RawRecv(char* buffer, std::size_t size, int timeoutMs) {
    if (passThrough_ || !session_) return TIdIOHandlerStack::RawRecv(buffer, size, timeoutMs);
    try {
        return session_->Recv(buffer, size, timeoutMs);
    } catch (const EIdOSSLReadTimeout&) {
        throw EIdReadTimeout();
    } catch (const EIdOSSLReadError& e) {
        if (aborted_) throw EIdSocketError(10053);
        if (e.SysError() != 0) throw EIdSocketError(IdSocketErrorFromErrno(e.SysError()));
        throw;
    }
}

void TIdSSLIOHandlerSocketOpenSSL::RawSend(const char* data, std::size_t size) {
    if (passThrough_ || !session_) return TIdIOHandlerStack::RawSend(data, size);
    try {
        session_->Send(data, size, -1);
    } catch (const EIdOSSLWriteError& e) {
        if (aborted_) throw EIdSocketError(10038);
        if (e.SysError() != 0) throw EIdSocketError(IdSocketErrorFromErrno(e.SysError()));
        throw;
    }
}
