#include "ftp/PeerCertificate.h"

#include <openssl/asn1.h>
#include <openssl/bio.h>
#include <openssl/evp.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <arpa/inet.h>

namespace {

std::string NameText(const X509_NAME* name) {
    if (!name) return {};
    BIO* bio = BIO_new(BIO_s_mem());
    if (!bio) return {};
    X509_NAME_print_ex(bio, name, 0, XN_FLAG_RFC2253 & ~ASN1_STRFLGS_ESC_MSB);
    char* data = nullptr;
    long len = BIO_ctrl(bio, BIO_CTRL_INFO, 0, &data);
    std::string text(data, len > 0 ? static_cast<size_t>(len) : 0);
    BIO_free(bio);
    return text;
}

std::time_t TimeOf(const ASN1_TIME* t) {
    struct tm tm {};
    if (!t || ASN1_TIME_to_tm(t, &tm) != 1) return 0;
    return timegm(&tm);
}

std::string Fingerprint(X509* cert) {
    unsigned char md[EVP_MAX_MD_SIZE];
    unsigned int len = 0;
    if (X509_digest(cert, EVP_sha256(), md, &len) != 1) return {};
    static const char hex[] = "0123456789ABCDEF";
    std::string text;
    for (unsigned int i = 0; i < len; ++i) {
        if (i) text += ':';
        text += hex[md[i] >> 4];
        text += hex[md[i] & 15];
    }
    return text;
}

bool IsIpAddress(const std::string& host) {
    unsigned char buf[16];
    return inet_pton(AF_INET, host.c_str(), buf) == 1 || inet_pton(AF_INET6, host.c_str(), buf) == 1;
}

}  // namespace

TIdPeerCertificate TIdPeerCertificate::FromX509(X509* cert) {
    TIdPeerCertificate c;
    if (!cert) return c;
    c.Subject = NameText(X509_get_subject_name(cert));
    c.Issuer = NameText(X509_get_issuer_name(cert));
    c.NotBefore = TimeOf(X509_get0_notBefore(cert));
    c.NotAfter = TimeOf(X509_get0_notAfter(cert));
    c.FingerprintSHA256 = Fingerprint(cert);
    int len = i2d_X509(cert, nullptr);
    if (len > 0) {
        c.Der.resize(static_cast<size_t>(len));
        unsigned char* p = c.Der.data();
        i2d_X509(cert, &p);
    }
    return c;
}

bool TIdPeerCertificate::MatchesHost(X509* cert, const std::string& host) {
    if (!cert || host.empty() || host.find('\0') != std::string::npos) return false;
    if (IsIpAddress(host)) return X509_check_ip_asc(cert, host.c_str(), 0) == 1;
    return X509_check_host(cert, host.data(), host.size(), 0, nullptr) == 1;
}

std::string FormatCertificateTime(std::time_t t) {
    struct tm tm {};
    gmtime_r(&t, &tm);
    char buf[64];
    strftime(buf, sizeof buf, "%Y-%m-%d %H:%M:%S UTC", &tm);
    return buf;
}
