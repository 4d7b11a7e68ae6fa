#pragma once
// One OpenSSL context (SSL_CTX) configured from TIdSSLOptions, with the
// events of the TLS transport. Contract:
// - Created by the transport when it connects; owned by it; used by the
//   owning thread only. Any number of contexts may live in any number of
//   threads at once (OpenSSL 3 locks its shared state itself).
// - Client contexts use the version-flexible method with TLS 1.2 as the
//   lowest version and OpenSSL's default cipher list unless CipherList says
//   otherwise. Every server certificate is checked against the system trust
//   store and the host name, and the result is handed to OnVerifyPeer; the
//   handshake fails on it only when OnVerifyPeer says no, or when VerifyMode
//   asks for verification (then the chain and host name must both pass).
// - A server's request for a client certificate is answered with none
//   unless CertFile/KeyFile are set.
// - Raises the EIdOSSL... errors of the options it cannot apply.

#include "ftp/PeerCertificate.h"
#include "ftp/SSLOptions.h"

#include <functional>
#include <string>

typedef struct ssl_ctx_st SSL_CTX;

struct TIdSSLEvents {
    /// Every state change of a TLS session: "SSL status: \"...\"".
    std::function<void(const std::string& text)> OnStatusInfo;
    /// Asked for the pass phrase of KeyFile; returns it.
    std::function<std::string()> OnGetPassword;
    /// Asked once per handshake with the server's certificate; true accepts it.
    std::function<bool(const TIdPeerCertificate& certificate)> OnVerifyPeer;
};

class TIdSSLContext {
public:
    TIdSSLContext(const TIdSSLOptions& options, TIdSSLEvents events);
    ~TIdSSLContext();
    TIdSSLContext(const TIdSSLContext&) = delete;
    TIdSSLContext& operator=(const TIdSSLContext&) = delete;

    SSL_CTX* Handle() const { return ctx_; }
    bool IsServer() const { return server_; }
    const TIdSSLOptions& Options() const { return options_; }
    const TIdSSLEvents& Events() const { return events_; }

    /// Makes sure the OpenSSL library is initialised (once per process).
    /// Raises EIdOSSLCouldNotLoadSSLLibrary when it cannot be.
    static void LoadLibrary();

private:
    void LoadFiles();
    void ApplyVerification();

    TIdSSLOptions options_;
    TIdSSLEvents events_;
    bool server_ = false;
    SSL_CTX* ctx_ = nullptr;
};

/// OpenSSL's error queue as one line (and the queue cleared); empty when clear.
std::string TakeOpenSSLErrors();
