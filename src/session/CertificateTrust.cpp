#include "session/CertificateTrust.h"

#include "ftp/SSLIOHandlerSocketOpenSSL.h"
#include "i18n/Format.h"
#include "i18n/LanguageManager.h"

#include <openssl/x509_vfy.h>

#include <QDateTime>
#include <QLocale>
#include <QTimeZone>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <chrono>
#include <exception>

namespace {

std::atomic<TCertificateTrust*> installed{nullptr};

std::string Lower(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

std::string DateText(std::time_t t)
{
    const QDateTime when = QDateTime::fromSecsSinceEpoch(t, QTimeZone::utc()).toLocalTime();
    return QLocale().toString(when, QLocale::LongFormat).toStdString();
}

// The names a certificate was made for: its DNS and IP entries, else the
// common name of its subject.
std::string NamesOf(const TIdPeerCertificate& certificate)
{
    std::string names;
    for (const std::string& name : certificate.AltNames) {
        if (!names.empty())
            names += ", ";
        names += name.substr(name.find(':') + 1);
    }
    if (!names.empty())
        return names;
    const std::string& subject = certificate.Subject;
    for (std::size_t at = 0; at < subject.size();) {
        std::size_t end = subject.find(',', at);
        if (end == std::string::npos)
            end = subject.size();
        if (subject.compare(at, 3, "CN=") == 0)
            return subject.substr(at + 3, end - at - 3);
        at = end + 1;
    }
    return "?";
}

bool IsUntrustedIssuer(long result)
{
    switch (result) {
    case X509_V_ERR_DEPTH_ZERO_SELF_SIGNED_CERT:
    case X509_V_ERR_SELF_SIGNED_CERT_IN_CHAIN:
    case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT:
    case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT_LOCALLY:
    case X509_V_ERR_UNABLE_TO_VERIFY_LEAF_SIGNATURE:
    case X509_V_ERR_CERT_UNTRUSTED:
        return true;
    default:
        return false;
    }
}

// Reported from the dates themselves, which the chain check may not reach.
bool IsDateResult(long result)
{
    return result == X509_V_ERR_CERT_HAS_EXPIRED || result == X509_V_ERR_CERT_NOT_YET_VALID;
}

} // namespace

std::vector<std::string> CertificateProblems(const TIdPeerCertificate& certificate, std::time_t now)
{
    std::vector<std::string> problems;
    const long result = certificate.ChainResult;
    if (!certificate.ChainVerified && IsUntrustedIssuer(result))
        problems.push_back(LoadStr("CertificateTrust_strUntrustedIssuer"));
    else if (!certificate.ChainVerified && !IsDateResult(result))
        problems.push_back(Format(LoadStr("CertificateTrust_strChainFailed"), certificate.ChainResultText));
    if (!certificate.HostNameMatches)
        problems.push_back(Format(LoadStr("CertificateTrust_strOtherName"), NamesOf(certificate)));
    if (certificate.NotAfter != 0 && certificate.NotAfter < now)
        problems.push_back(Format(LoadStr("CertificateTrust_strExpired"), DateText(certificate.NotAfter)));
    if (certificate.NotBefore > now)
        problems.push_back(Format(LoadStr("CertificateTrust_strNotYetValid"), DateText(certificate.NotBefore)));
    return problems;
}

std::string GroupedFingerprint(const std::string& fingerprint)
{
    // 32 pairs as two lines of 16: short enough to compare by eye.
    std::string text = fingerprint;
    if (text.size() == 95 && text[47] == ':')
        text[47] = '\n';
    return text;
}

TCertificateTrust::TCertificateTrust(TTrustedCertificates* store) : store_(store) {}

void TCertificateTrust::SetAsk(TAsk ask)
{
    std::lock_guard lock(mutex_);
    ask_ = std::move(ask);
}

void TCertificateTrust::SetLog(TLog log)
{
    std::lock_guard lock(mutex_);
    log_ = std::move(log);
}

void TCertificateTrust::TrustFingerprint(const std::string& fingerprint)
{
    std::lock_guard lock(mutex_);
    fingerprints_.insert(NormalizedFingerprint(fingerprint));
}

void TCertificateTrust::SetAcceptAll(bool acceptAll)
{
    std::lock_guard lock(mutex_);
    acceptAll_ = acceptAll;
}

void TCertificateTrust::SetInstance(TCertificateTrust* trust) { installed = trust; }

void TCertificateTrust::Log(const std::string& line) const
{
    if (log_)
        log_(line);
}

void TCertificateTrust::LogRefusal(const std::string& host, std::uint16_t port, const std::string& fingerprint,
                                   const std::vector<std::string>& problems) const
{
    std::string reasons;
    for (const std::string& problem : problems)
        reasons += (reasons.empty() ? "" : "; ") + problem;
    Log(Format(LoadStr("CertificateTrust_strLogRefused"), host + ":" + std::to_string(port), fingerprint, reasons));
}

bool TCertificateTrust::TrustedLocked(const TKey& key) const
{
    const auto& [host, port, fingerprint] = key;
    if (acceptAll_ || fingerprints_.contains(fingerprint) || thisRun_.contains(key))
        return true;
    const TTrustedCertificate* stored = store_ ? store_->Find(host, port) : nullptr;
    return stored && stored->Fingerprint == fingerprint;
}

bool TCertificateTrust::WaitLocked(std::unique_lock<std::mutex>& lock, const std::function<bool()>& stopped)
{
    // The answer may take the user a while; a stop of the waiting transfer
    // is noticed within a fraction of a second.
    changed_.wait_for(lock, std::chrono::milliseconds(100));
    return !shutDown_ && !(stopped && stopped());
}

bool TCertificateTrust::Decide(const std::string& host, std::uint16_t port, const TIdPeerCertificate& certificate,
                               const std::function<bool()>& stopped, bool interactive)
{
    const std::vector<std::string> problems = CertificateProblems(certificate, std::time(nullptr));
    if (problems.empty() && !certificate.FingerprintSHA256.empty())
        return true;
    const TKey key{Lower(host), port, certificate.FingerprintSHA256};
    std::unique_lock lock(mutex_);
    if (interactive)
        refused_.erase(key);
    for (;;) {
        if (TrustedLocked(key))
            return true;
        if (refused_.contains(key) || shutDown_)
            return false;
        if (!ask_ || certificate.FingerprintSHA256.empty()) {
            LogRefusal(host, port, certificate.FingerprintSHA256, problems);
            return false;
        }
        if (const auto it = pending_.find(key); it != pending_.end()) {
            const std::shared_ptr<TPending> pending = it->second;
            while (!pending->Answered)
                if (!WaitLocked(lock, stopped))
                    return false;
            return pending->Answer != taCancel;
        }
        if (!asking_)
            break;
        if (!WaitLocked(lock, stopped))
            return false;
    }
    TTrustQuestion question{host, port, certificate, problems, {}};
    if (const TTrustedCertificate* stored = store_ ? store_->Find(host, port) : nullptr)
        question.PreviousFingerprint = stored->Fingerprint;
    return AskLocked(lock, key, std::move(question)) != taCancel;
}

TTrustAnswer TCertificateTrust::AskLocked(std::unique_lock<std::mutex>& lock, const TKey& key,
                                          TTrustQuestion question)
{
    asking_ = true;
    auto pending = std::make_shared<TPending>();
    pending_[key] = pending;
    TAsk ask = ask_;
    lock.unlock();
    TTrustAnswer answer = taCancel;
    try {
        answer = ask(question);
    } catch (const std::exception&) {
        answer = taCancel;  // a question that cannot be shown refuses
    }
    lock.lock();
    if (shutDown_)
        answer = taCancel;
    RecordLocked(key, question, answer);
    pending->Answered = true;
    pending->Answer = answer;
    pending_.erase(key);
    asking_ = false;
    changed_.notify_all();
    return answer;
}

void TCertificateTrust::RecordLocked(const TKey& key, const TTrustQuestion& question, TTrustAnswer answer)
{
    const std::string subject = question.Host + ":" + std::to_string(question.Port);
    if (answer == taCancel) {
        refused_.insert(key);
        LogRefusal(question.Host, question.Port, question.Certificate.FingerprintSHA256, question.Problems);
        return;
    }
    thisRun_.insert(key);
    if (answer == taTrustAlways && store_) {
        TTrustedCertificate entry{question.Host, question.Port, question.Certificate.FingerprintSHA256,
                                  question.Certificate.Subject, std::time(nullptr)};
        try {
            store_->Trust(entry);
        } catch (const std::exception& e) {
            // Trusted for this run all the same; the user learns why it will ask again.
            Log(Format(LoadStr("CertificateTrust_strLogNotStored"), subject, e.what()));
        }
    }
    Log(Format(LoadStr(answer == taTrustAlways ? "CertificateTrust_strLogTrustedAlways"
                                               : "CertificateTrust_strLogTrustedThisTime"),
               subject, question.Certificate.FingerprintSHA256));
}

void TCertificateTrust::ForgetRefusals()
{
    std::lock_guard lock(mutex_);
    refused_.clear();
}

void TCertificateTrust::Shutdown()
{
    std::lock_guard lock(mutex_);
    shutDown_ = true;
    changed_.notify_all();
}

std::vector<TTrustedCertificate> TCertificateTrust::Stored() const
{
    std::lock_guard lock(mutex_);
    return store_ ? store_->Items() : std::vector<TTrustedCertificate>{};
}

void TCertificateTrust::RemoveStored(const std::string& host, std::uint16_t port)
{
    std::lock_guard lock(mutex_);
    if (store_)
        store_->Remove(host, port);
    std::erase_if(thisRun_, [&](const TKey& key) { return std::get<0>(key) == Lower(host) && std::get<1>(key) == port; });
}

TCertificateTrust& CertificateTrust()
{
    static TCertificateTrust strict;
    TCertificateTrust* trust = installed.load();
    return trust ? *trust : strict;
}

void InstallCertificateCheck(TIdIOHandler& transport, const std::string& host, std::uint16_t port,
                             std::function<bool()> stopped, bool interactive)
{
    auto* tls = dynamic_cast<TIdSSLIOHandlerSocketOpenSSL*>(&transport);
    if (!tls)
        return;
    tls->OnVerifyPeer = [host, port, stopped = std::move(stopped), interactive](const TIdPeerCertificate& cert) {
        return CertificateTrust().Decide(host, port, cert, stopped, interactive);
    };
}
