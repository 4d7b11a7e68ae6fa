#pragma once
// Exceptions of the TLS transport. Every OpenSSL failure descends from
// EIdOpenSSLError (library loading failures from EIdOpenSSLLoadError); each
// class carries its fixed message, and Reason() adds what OpenSSL or the
// socket said, for logs.

#include "ftp/IdExceptions.h"
#include "ftp/PeerCertificate.h"

#include <string>

class EIdOpenSSLError : public EIdException {
public:
    explicit EIdOpenSSLError(const std::string& message, std::string reason = {}, int sysError = 0)
        : EIdException(message), reason_(std::move(reason)), sysError_(sysError) {}
    /// OpenSSL's error queue or the socket failure behind this error; may be empty.
    const std::string& Reason() const noexcept { return reason_; }
    /// errno of a failed socket call, 0 when the failure was not the socket's.
    int SysError() const noexcept { return sysError_; }

private:
    std::string reason_;
    int sysError_;
};

class EIdOpenSSLLoadError : public EIdOpenSSLError {
public:
    using EIdOpenSSLError::EIdOpenSSLError;
};

#define TOVREL_OSSL_ERROR(Name, Base, Text)                                        \
    class Name : public Base {                                                     \
    public:                                                                        \
        explicit Name(std::string reason = {}, int sysError = 0)                   \
            : Base(Text, std::move(reason), sysError) {}                           \
    }

TOVREL_OSSL_ERROR(EIdOSSLCouldNotLoadSSLLibrary, EIdOpenSSLLoadError, "Could not load SSL library.");
TOVREL_OSSL_ERROR(EIdOSSLModeNotSet, EIdOpenSSLError, "Mode has not been set.");
TOVREL_OSSL_ERROR(EIdOSSLGetMethodError, EIdOpenSSLError, "Error geting SSL method.");
TOVREL_OSSL_ERROR(EIdOSSLCreatingContextError, EIdOpenSSLError, "Error creating SSL context.");
TOVREL_OSSL_ERROR(EIdOSSLLoadingRootCertError, EIdOpenSSLError, "Could not load root certificate.");
TOVREL_OSSL_ERROR(EIdOSSLLoadingCertError, EIdOpenSSLError, "Could not load certificate.");
TOVREL_OSSL_ERROR(EIdOSSLLoadingKeyError, EIdOpenSSLError, "Could not load key, check password.");
TOVREL_OSSL_ERROR(EIdOSSLSettingCipherError, EIdOpenSSLError, "SetCipher failed.");
TOVREL_OSSL_ERROR(EIdOSSLDataBindingError, EIdOpenSSLError, "Error binding data to SSL socket.");
TOVREL_OSSL_ERROR(EIdOSSLConnectError, EIdOpenSSLError, "Error connecting with SSL.");
TOVREL_OSSL_ERROR(EIdOSSLAcceptError, EIdOpenSSLError, "Error accepting connection with SSL.");
// Failures after the handshake. The transport maps the timeout onto its own
// read-timeout error and the socket failures onto its socket error.
TOVREL_OSSL_ERROR(EIdOSSLReadTimeout, EIdOpenSSLError, "Read Timeout");
TOVREL_OSSL_ERROR(EIdOSSLReadError, EIdOpenSSLError, "SSL read failed.");
TOVREL_OSSL_ERROR(EIdOSSLWriteError, EIdOpenSSLError, "SSL write failed.");

#undef TOVREL_OSSL_ERROR

/// The server's certificate was not accepted (OnVerifyPeer said no). The
/// connection was dropped right after the handshake, before any application
/// byte went out; the certificate is kept for the report.
class EIdOSSLCertificateRefused : public EIdOpenSSLError {
public:
    explicit EIdOSSLCertificateRefused(TIdPeerCertificate certificate,
                                       const std::string& message = "The server's certificate was refused.",
                                       std::string reason = {})
        : EIdOpenSSLError(message, std::move(reason)), certificate_(std::move(certificate)) {}
    const TIdPeerCertificate& Certificate() const noexcept { return certificate_; }

private:
    TIdPeerCertificate certificate_;
};

/// A data connection presented another certificate than its control
/// connection (Reason() names both fingerprints).
class EIdOSSLCertificateMismatch : public EIdOSSLCertificateRefused {
public:
    EIdOSSLCertificateMismatch(TIdPeerCertificate certificate, std::string reason)
        : EIdOSSLCertificateRefused(std::move(certificate),
                                    "The data connection presented another certificate than the control connection.",
                                    std::move(reason)) {}
};
