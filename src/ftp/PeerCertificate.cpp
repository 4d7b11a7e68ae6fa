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

// The DNS and IP entries of the subject alternative names, as "DNS:name"
// and "IP:address"; other kinds are of no use to a user checking a server.
std::vector<std::string> AltNamesOf(X509* cert) {
    std::vector<std::string> names;
    auto* sans = static_cast<GENERAL_NAMES*>(X509_get_ext_d2i(cert, NID_subject_alt_name, nullptr, nullptr));
    if (!sans) return names;
    for (int i = 0; i < sk_GENERAL_NAME_num(sans); ++i) {
        const GENERAL_NAME* name = sk_GENERAL_NAME_value(sans, i);
        if (name->type == GEN_DNS) {
            const ASN1_IA5STRING* dns = name->d.dNSName;
            std::string text(reinterpret_cast<const char*>(ASN1_STRING_get0_data(dns)),
                             static_cast<size_t>(ASN1_STRING_length(dns)));
            if (text.find('\0') == std::string::npos) names.push_back("DNS:" + text);
        } else if (name->type == GEN_IPADD) {
            const ASN1_OCTET_STRING* ip = name->d.iPAddress;
            char buf[INET6_ADDRSTRLEN] = {};
            const int len = ASN1_STRING_length(ip);
            const int family = len == 4 ? AF_INET : len == 16 ? AF_INET6 : 0;
            if (family && inet_ntop(family, ASN1_STRING_get0_data(ip), buf, sizeof buf)) names.push_back(std::string("IP:") + buf);
        }
    }
    GENERAL_NAMES_free(sans);
    return names;
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
    c.AltNames = AltNamesOf(cert);
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
