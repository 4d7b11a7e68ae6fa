#pragma once
// Settings of a TLS context. The program leaves every field at its initial
// value: a client with the version-flexible method, OpenSSL's default cipher
// list and no enforced certificate verification.

#include <cstdint>
#include <initializer_list>
#include <string>

enum TIdSSLVersion : int { sslvSSLv2 = 0, sslvSSLv23 = 1, sslvSSLv3 = 2, sslvTLSv1 = 3 };
enum TIdSSLMode : int { sslmUnassigned = 0, sslmClient = 1, sslmServer = 2, sslmBoth = 3 };
enum TIdSSLVerifyMode : int { sslvrfPeer = 0, sslvrfFailIfNoPeerCert = 1, sslvrfClientOnce = 2 };

/// A set of TIdSSLVerifyMode values.
class TIdSSLVerifyModeSet {
public:
    TIdSSLVerifyModeSet() = default;
    TIdSSLVerifyModeSet(std::initializer_list<TIdSSLVerifyMode> modes) {
        for (auto m : modes) Include(m);
    }
    void Include(TIdSSLVerifyMode m) { bits_ |= Bit(m); }
    void Exclude(TIdSSLVerifyMode m) { bits_ &= static_cast<std::uint8_t>(~Bit(m)); }
    bool Contains(TIdSSLVerifyMode m) const { return (bits_ & Bit(m)) != 0; }
    bool Empty() const { return bits_ == 0; }
    bool operator==(const TIdSSLVerifyModeSet&) const = default;

private:
    static std::uint8_t Bit(TIdSSLVerifyMode m) { return static_cast<std::uint8_t>(1u << m); }
    std::uint8_t bits_ = 0;
};

struct TIdSSLOptions {
    /// Every value selects the version-flexible method with TLS 1.2 as the
    /// lowest version: current OpenSSL has no SSLv2 or SSLv3 method any more.
    TIdSSLVersion Method = sslvSSLv2;
    /// sslmUnassigned counts as client; sslmServer and sslmBoth make a server
    /// context, which needs CertFile and KeyFile.
    TIdSSLMode Mode = sslmUnassigned;
    /// Empty: the handshake never fails because of the server's certificate
    /// (OnVerifyPeer, when assigned, still decides).
    TIdSSLVerifyModeSet VerifyMode;
    int VerifyDepth = 0;
    std::string RootCertFile;
    std::string CertFile;
    std::string KeyFile;
    std::string VerifyDirs;
    /// OpenSSL cipher string; empty means OpenSSL's default list.
    std::string CipherList;
};
