#include "cli/CliTrust.h"

#include "store/DataDirectory.h"

#include <cstdio>
#include <filesystem>
#include <stdexcept>

namespace {

// The user's stored trust, when the program has stored any. The file is
// never created here.
std::unique_ptr<TTrustedCertificates> StoredTrust()
{
    try {
        const std::string directory = ResolveDataDirectory();
        if (std::filesystem::exists(std::filesystem::path(directory) / TTrustedCertificates::FileName))
            return std::make_unique<TTrustedCertificates>(directory);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "warning: trusted certificates not read: %s\n", e.what());
    }
    return nullptr;
}

} // namespace

TCliTrust::TCliTrust(std::vector<std::string>& args)
{
    std::vector<std::string> fingerprints;
    bool insecure = false;
    std::vector<std::string> rest;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--insecure") {
            insecure = true;
        } else if (arg == "--trust" || arg == "--trust-fingerprint") {
            if (i + 1 >= args.size())
                throw std::invalid_argument(arg + " needs a value");
            const std::string fingerprint = NormalizedFingerprint(args[++i]);
            if (fingerprint.empty())
                throw std::invalid_argument(arg + " takes a SHA-256 fingerprint (SHA256:AB:CD:...): " + args[i]);
            fingerprints.push_back(fingerprint);
        } else {
            rest.push_back(arg);
        }
    }
    args = std::move(rest);
    store_ = StoredTrust();
    trust_ = std::make_unique<TCertificateTrust>(store_.get());
    trust_->SetLog([](const std::string& line) { std::fprintf(stderr, "%s\n", line.c_str()); });
    for (const std::string& fingerprint : fingerprints)
        trust_->TrustFingerprint(fingerprint);
    if (insecure) {
        std::fprintf(stderr, "warning: --insecure: server certificates are not checked\n");
        trust_->SetAcceptAll(true);
    }
    TCertificateTrust::SetInstance(trust_.get());
}

TCliTrust::~TCliTrust()
{
    TCertificateTrust::SetInstance(nullptr);
}
