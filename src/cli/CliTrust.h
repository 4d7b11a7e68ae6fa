#pragma once
// The certificate trust of one run of tovrel-ftp-cli. Nobody is asked: a
// certificate the system cannot vouch for is accepted when the user trusted
// it always in the program (the data directory's "TrustedCertificates.xml",
// only read), when it is named with --trust SHA256:... (alias
// --trust-fingerprint), or with --insecure (any certificate, with a
// warning). Every refusal prints the host, the fingerprint and the reasons
// to standard error; the command then fails with exit status 1.

#include "hosts/TrustedCertificates.h"
#include "session/CertificateTrust.h"

#include <memory>
#include <string>
#include <vector>

class TCliTrust {
public:
    /// Takes the trust options out of `args` (every command accepts them)
    /// and installs the trust for the process. Raises std::invalid_argument
    /// for a fingerprint that is not 32 hexadecimal bytes.
    explicit TCliTrust(std::vector<std::string>& args);
    ~TCliTrust();
    TCliTrust(const TCliTrust&) = delete;
    TCliTrust& operator=(const TCliTrust&) = delete;

private:
    std::unique_ptr<TTrustedCertificates> store_;
    std::unique_ptr<TCertificateTrust> trust_;
};
