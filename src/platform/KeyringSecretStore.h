#pragma once
// TKeyringSecretStore: the desktop's secret service (GNOME Keyring,
// KWallet) through QtKeychain, as the program's ISecretStore. Entries are
// kept under the service name "Tovrel FTP", one per key.
//
// Contract:
// - Create, install and call it on the thread that runs the Qt event loop
//   (QCoreApplication's); elsewhere, or without a QCoreApplication, every
//   call answers as a keyring that could not be reached.
// - Each call starts one job per key and runs a local event loop (without
//   user input) until all have answered or the time limit has passed; a job
//   still running then is left to finish on its own, and while any is, the
//   next calls answer at once as unreachable instead of queueing behind it.
// - A keyring that cannot be used (none running, locked, refusing, silent)
//   is reported through the notice slot with its reason, once per reason:
//   after a call that worked the next problem is reported again. Notices
//   given before a slot was set are handed to it when it is set.

#include "store/SecretStore.h"

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class QObject;
namespace QKeychain {
class Job;
}

class TKeyringSecretStore : public ISecretStore {
public:
    static constexpr const char* ServiceName = "Tovrel FTP";
    static constexpr std::chrono::milliseconds DefaultTimeLimit{30000};

    explicit TKeyringSecretStore(std::string service = ServiceName);
    ~TKeyringSecretStore() override;

    TKeyringSecretStore(const TKeyringSecretStore&) = delete;
    TKeyringSecretStore& operator=(const TKeyringSecretStore&) = delete;

    /// How long one call waits for the keyring's answers, all keys together.
    void SetTimeLimit(std::chrono::milliseconds limit) { timeLimit_ = limit; }

    using TNoticeSlot = std::function<void(const std::string& reason)>;
    void SetNoticeSlot(TNoticeSlot slot);

    TReadResult Read(const std::vector<std::string>& keys) override;
    std::set<std::string> Write(const std::map<std::string, std::string>& secrets) override;
    std::set<std::string> Delete(const std::vector<std::string>& keys) override;

private:
    struct TOutcome;
    std::vector<TOutcome> Run(const std::vector<QKeychain::Job*>& jobs);
    bool Usable();
    void Report(const std::string& reason);
    void Worked();

    std::string service_;
    std::chrono::milliseconds timeLimit_ = DefaultTimeLimit;
    std::unique_ptr<QObject> jobOwner_; // receives the answers of jobs left running
    int running_ = 0;                   // jobs started and not yet answered
    TNoticeSlot notice_;
    std::string reported_; // the reason told last, until a call works
    std::string pending_;  // a reason not told yet for want of a slot
};
