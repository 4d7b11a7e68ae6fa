#pragma once
// TTrustedCertificates: the server certificates the user chose to trust
// always although the system could not vouch for them, in
// "TrustedCertificates.xml" (root "TrustedCertificates") of the data
// directory: one "Certificate" element per host and port with its SHA-256
// fingerprint, its subject and the time it was trusted.
//
// Contract:
// - Not thread-safe: one owner at a time (the certificate trust keeps it
//   behind its own lock).
// - The constructor opens or creates the file and loads it. A file that
//   cannot be parsed, or an entry without host, valid port or fingerprint,
//   raises (EXMLParseError, EXMLLoadException) and the file is left as it
//   was.
// - Host names compare without regard to letter case; fingerprints are kept
//   as "AB:CD:..." upper-case hex pairs.
// - Trust() and Remove() save at once (atomically, as every store).

#include "store/XMLDocument.h"

#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>
#include <vector>

struct TTrustedCertificate {
    std::string Host;
    std::uint16_t Port = 21;
    std::string Fingerprint;  ///< SHA-256, "AB:CD:..."
    std::string Subject;
    std::time_t Trusted = 0;  ///< when it was trusted, UTC
};

class TTrustedCertificates {
public:
    static constexpr const char* FileName = "TrustedCertificates.xml";

    explicit TTrustedCertificates(const std::string& dataDirectory);

    TTrustedCertificates(const TTrustedCertificates&) = delete;
    TTrustedCertificates& operator=(const TTrustedCertificates&) = delete;

    const std::vector<TTrustedCertificate>& Items() const { return items_; }
    /// The entry of host:port, or nullptr.
    const TTrustedCertificate* Find(const std::string& host, std::uint16_t port) const;
    /// Adds the entry, replacing the one of the same host and port; saves.
    void Trust(const TTrustedCertificate& entry);
    /// Removes the entry of host:port when there is one; saves.
    void Remove(const std::string& host, std::uint16_t port);
    const std::string& Path() const { return doc_.Path(); }

private:
    void Load();
    pugi::xml_node ElementOf(const std::string& host, std::uint16_t port) const;

    TXMLDocument doc_;
    std::vector<TTrustedCertificate> items_;
};

/// "AB:CD:..." for a fingerprint given with or without colons, in either
/// letter case, with an optional "SHA256:" in front; empty when the text is
/// not 32 bytes of hexadecimal digits.
std::string NormalizedFingerprint(std::string_view text);
