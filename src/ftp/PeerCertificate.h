#pragma once
// What a trust decision about a server certificate needs, gathered during the
// TLS handshake: who the certificate names, who signed it, when it is valid,
// its SHA-256 fingerprint, whether the chain verifies against the system's
// trust store and whether it names the host we connected to. The chain is
// always verified, also when the connection does not enforce it, so a user
// can be shown why a certificate is not trusted.

#include <ctime>
#include <string>
#include <vector>

typedef struct x509_st X509;

struct TIdPeerCertificate {
    std::string Subject;              ///< RFC 2253 text, e.g. "CN=ftp.example.com,O=Example"
    std::string Issuer;               ///< RFC 2253 text of the signer
    std::time_t NotBefore = 0;        ///< validity start, UTC
    std::time_t NotAfter = 0;         ///< validity end, UTC
    std::string FingerprintSHA256;    ///< "AB:CD:..." upper-case hex pairs of the DER form
    std::vector<unsigned char> Der;   ///< the certificate itself, for remembering it
    bool ChainVerified = false;       ///< the chain ends in a trusted root and every check passed
    long ChainResult = 0;             ///< OpenSSL's X509_V_ code (0 = ok)
    std::string ChainResultText;      ///< e.g. "self-signed certificate"
    std::string HostName;             ///< the name or address the client connected to
    bool HostNameMatches = false;     ///< the certificate is valid for HostName
    std::vector<std::string> AltNames;  ///< subject alternative names: "DNS:ftp.example.com", "IP:192.0.2.1"
    std::string ProtocolName;         ///< of the session that presented it, e.g. "TLSv1.3"
    std::string CipherName;           ///< e.g. "TLS_AES_256_GCM_SHA384"

    /// Reads the fields of cert; chain and host results are filled by the caller.
    static TIdPeerCertificate FromX509(X509* cert);
    /// True when cert is valid for host: an IP address is matched against the
    /// IP entries, a name against the DNS names (wildcards allowed).
    static bool MatchesHost(X509* cert, const std::string& host);
};

/// "2026-01-02 03:04:05 UTC": a validity date as text, for logs.
std::string FormatCertificateTime(std::time_t t);
