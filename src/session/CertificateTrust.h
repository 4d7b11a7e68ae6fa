#pragma once
// TCertificateTrust: the one place that decides whether a TLS connection
// may go on with the certificate its server presented. The browsing
// session, the transfer threads and the command line all install its check
// on their transports (InstallCertificateCheck), which the engine asks after
// the handshake and before the first credential leaves.
//
// The rules:
// - A certificate the system vouches for (chain to a trusted root, within
//   its dates, made for the host name typed) is accepted silently.
// - Any other is accepted only when exactly it (SHA-256) is trusted for that
//   host and port: stored ("Trust always", in TTrustedCertificates), for this
//   run ("Trust this time"), or named on the command line. Else the question
//   is asked; a host:port whose stored certificate differs gets the changed
//   variant, with the old fingerprint. Without a question nothing more is
//   accepted.
// - One question at a time: a connection meeting the certificate that is
//   being asked about waits for that answer instead of asking again, and a
//   connection meeting another one waits until the open question is
//   answered. "Cancel" is remembered for the run, so the rest of a queue
//   fails at once; an interactive connect (the user asked for it) and
//   ForgetRefusals() ask again.
//
// Threads: every member is safe from any thread. Decide() blocks while a
// question is open; its wait ends with the answer, when `stopped` answers
// true, or at Shutdown(). Ask runs on the deciding thread (a front end
// hands it over to its user-interface thread) with no lock held.

#include "ftp/IOHandler.h"
#include "ftp/PeerCertificate.h"
#include "hosts/TrustedCertificates.h"

#include <condition_variable>
#include <cstdint>
#include <ctime>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <tuple>
#include <vector>

enum TTrustAnswer { taCancel, taTrustThisTime, taTrustAlways };

struct TTrustQuestion {
    std::string Host;
    std::uint16_t Port = 21;
    TIdPeerCertificate Certificate;
    /// Why the system does not vouch for it, in plain words.
    std::vector<std::string> Problems;
    /// The stored fingerprint when it differs (the changed-certificate question).
    std::string PreviousFingerprint;
};

/// The reasons, in the active language, why the system cannot vouch for
/// `certificate` at time `now`; empty when it passes.
std::vector<std::string> CertificateProblems(const TIdPeerCertificate& certificate, std::time_t now);

/// "AB:CD:..." as lines of 16 bytes, for showing a fingerprint.
std::string GroupedFingerprint(const std::string& fingerprint);

class TCertificateTrust {
public:
    using TAsk = std::function<TTrustAnswer(const TTrustQuestion& question)>;
    using TLog = std::function<void(const std::string& line)>;

    /// `store` (may be null: nothing is trusted always) must outlive the object.
    explicit TCertificateTrust(TTrustedCertificates* store = nullptr);
    TCertificateTrust(const TCertificateTrust&) = delete;
    TCertificateTrust& operator=(const TCertificateTrust&) = delete;

    /// The question; unset: certificates the system does not vouch for are refused.
    void SetAsk(TAsk ask);
    /// Every decision about a certificate the system does not vouch for.
    void SetLog(TLog log);
    /// A fingerprint accepted for every host (the command line's --trust).
    void TrustFingerprint(const std::string& fingerprint);
    /// Accepts every certificate (the command line's --insecure).
    void SetAcceptAll(bool acceptAll);

    /// The decision for the certificate `host`:`port` presented. `interactive`
    /// asks again about a certificate refused earlier in this run.
    bool Decide(const std::string& host, std::uint16_t port, const TIdPeerCertificate& certificate,
                const std::function<bool()>& stopped = {}, bool interactive = false);
    void ForgetRefusals();
    /// Ends every wait; from now on nothing more is asked (the window closes).
    void Shutdown();

    /// The stored entries, and their removal (the settings page).
    std::vector<TTrustedCertificate> Stored() const;
    void RemoveStored(const std::string& host, std::uint16_t port);

    /// Installs (nullptr: removes) the instance CertificateTrust() answers.
    static void SetInstance(TCertificateTrust* trust);

private:
    using TKey = std::tuple<std::string, std::uint16_t, std::string>;  // host (lower case), port, fingerprint
    struct TPending {
        bool Answered = false;
        TTrustAnswer Answer = taCancel;
    };

    bool TrustedLocked(const TKey& key) const;
    /// Waits for a change; false when `stopped` or Shutdown() ended the wait.
    bool WaitLocked(std::unique_lock<std::mutex>& lock, const std::function<bool()>& stopped);
    TTrustAnswer AskLocked(std::unique_lock<std::mutex>& lock, const TKey& key, TTrustQuestion question);
    void RecordLocked(const TKey& key, const TTrustQuestion& question, TTrustAnswer answer);
    void Log(const std::string& line) const;
    void LogRefusal(const std::string& host, std::uint16_t port, const std::string& fingerprint,
                    const std::vector<std::string>& problems) const;

    TTrustedCertificates* store_;
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    TAsk ask_;
    TLog log_;
    bool acceptAll_ = false;
    bool shutDown_ = false;
    bool asking_ = false;
    std::set<std::string> fingerprints_;
    std::set<TKey> thisRun_;
    std::set<TKey> refused_;
    std::map<TKey, std::shared_ptr<TPending>> pending_;
};

/// The installed instance, or a process-wide one without store and question
/// (only what the system vouches for is accepted).
TCertificateTrust& CertificateTrust();

/// Makes `transport` (when it is a TLS transport) ask CertificateTrust()
/// about the certificate of every control connection it opens to
/// `host`:`port`, the names the user gave (not a proxy's).
void InstallCertificateCheck(TIdIOHandler& transport, const std::string& host, std::uint16_t port,
                             std::function<bool()> stopped = {}, bool interactive = false);
