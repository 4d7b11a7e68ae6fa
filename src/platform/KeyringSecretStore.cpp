#include "platform/KeyringSecretStore.h"

#include <qt6keychain/keychain.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QThread>
#include <QTimer>

using QKeychain::Job;

struct TKeyringSecretStore::TOutcome {
    bool Answered = false;
    QKeychain::Error Error = QKeychain::OtherError;
    std::string Text;    // a read's secret
    std::string Message; // the keyring's own words for a failure
};

namespace {

QString Q(const std::string& text) { return QString::fromStdString(text); }

// The keyring stores text; bytes that are not UTF-8 would come back changed.
bool IsUtf8(const std::string& bytes)
{
    const QByteArray raw = QByteArray::fromStdString(bytes);
    return QString::fromUtf8(raw).toUtf8() == raw;
}

bool Succeeded(QKeychain::Error error) { return error == QKeychain::NoError || error == QKeychain::EntryNotFound; }

} // namespace

TKeyringSecretStore::TKeyringSecretStore(std::string service)
    : service_(std::move(service)), jobOwner_(std::make_unique<QObject>())
{
}

TKeyringSecretStore::~TKeyringSecretStore() = default;

void TKeyringSecretStore::SetNoticeSlot(TNoticeSlot slot)
{
    notice_ = std::move(slot);
    if (notice_ && !pending_.empty()) {
        const std::string reason = std::exchange(pending_, {});
        notice_(reason);
    }
}

void TKeyringSecretStore::Report(const std::string& reason)
{
    if (reason == reported_)
        return;
    reported_ = reason;
    if (notice_)
        notice_(reason);
    else
        pending_ = reason;
}

void TKeyringSecretStore::Worked() { reported_.clear(); }

bool TKeyringSecretStore::Usable()
{
    const QCoreApplication* app = QCoreApplication::instance();
    if (!app || QThread::currentThread() != app->thread()) {
        Report("the keyring is only reachable from the program's main thread");
        return false;
    }
    if (running_ > 0) {
        Report("the keyring has not yet answered an earlier request");
        return false;
    }
    return true;
}

std::vector<TKeyringSecretStore::TOutcome> TKeyringSecretStore::Run(const std::vector<Job*>& jobs)
{
    std::vector<TOutcome> outcomes(jobs.size());
    std::size_t left = jobs.size();
    QEventLoop loop;
    QObject waiter; // its connections end with this call, answered or not
    for (std::size_t i = 0; i < jobs.size(); ++i) {
        ++running_;
        QObject::connect(jobs[i], &Job::finished, jobOwner_.get(), [this](Job*) { --running_; });
        QObject::connect(jobs[i], &Job::finished, &waiter, [&outcomes, &left, &loop, i](Job* job) {
            TOutcome& outcome = outcomes[i];
            outcome.Answered = true;
            outcome.Error = job->error();
            outcome.Message = job->errorString().toStdString();
            if (const auto* read = qobject_cast<QKeychain::ReadPasswordJob*>(job); read && !job->error())
                outcome.Text = read->textData().toStdString();
            if (--left == 0)
                loop.quit();
        });
    }
    QTimer::singleShot(timeLimit_, &waiter, [&loop] { loop.quit(); });
    for (Job* job : jobs)
        job->start();
    if (left > 0)
        loop.exec(QEventLoop::ExcludeUserInputEvents);

    bool worked = false;
    std::string problem;
    for (const TOutcome& outcome : outcomes) {
        if (outcome.Answered && Succeeded(outcome.Error))
            worked = true;
        else if (problem.empty())
            problem = outcome.Answered ? outcome.Message
                                       : "no answer within " + std::to_string(timeLimit_.count()) + " ms";
    }
    if (worked)
        Worked();
    if (!problem.empty())
        Report(problem);
    return outcomes;
}

ISecretStore::TReadResult TKeyringSecretStore::Read(const std::vector<std::string>& keys)
{
    TReadResult result;
    if (keys.empty() || !Usable())
        return result;
    std::vector<Job*> jobs;
    for (const std::string& key : keys) {
        auto* job = new QKeychain::ReadPasswordJob(Q(service_));
        job->setKey(Q(key));
        jobs.push_back(job);
    }
    const std::vector<TOutcome> outcomes = Run(jobs);
    for (std::size_t i = 0; i < keys.size(); ++i) {
        if (!outcomes[i].Answered)
            continue;
        if (outcomes[i].Error == QKeychain::NoError)
            result.Found[keys[i]] = outcomes[i].Text;
        else if (outcomes[i].Error == QKeychain::EntryNotFound)
            result.Missing.insert(keys[i]);
    }
    return result;
}

std::set<std::string> TKeyringSecretStore::Write(const std::map<std::string, std::string>& secrets)
{
    std::set<std::string> confirmed;
    std::vector<std::string> keys;
    std::vector<Job*> jobs;
    for (const auto& [key, secret] : secrets) {
        if (!IsUtf8(secret))
            continue; // stays in the file, byte for byte
        keys.push_back(key);
    }
    if (keys.empty() || !Usable())
        return confirmed;
    for (const std::string& key : keys) {
        auto* job = new QKeychain::WritePasswordJob(Q(service_));
        job->setKey(Q(key));
        job->setTextData(Q(secrets.at(key)));
        jobs.push_back(job);
    }
    const std::vector<TOutcome> outcomes = Run(jobs);
    for (std::size_t i = 0; i < keys.size(); ++i)
        if (outcomes[i].Answered && outcomes[i].Error == QKeychain::NoError)
            confirmed.insert(keys[i]);
    return confirmed;
}

std::set<std::string> TKeyringSecretStore::Delete(const std::vector<std::string>& keys)
{
    std::set<std::string> confirmed;
    if (keys.empty() || !Usable())
        return confirmed;
    std::vector<Job*> jobs;
    for (const std::string& key : keys) {
        auto* job = new QKeychain::DeletePasswordJob(Q(service_));
        job->setKey(Q(key));
        jobs.push_back(job);
    }
    const std::vector<TOutcome> outcomes = Run(jobs);
    for (std::size_t i = 0; i < keys.size(); ++i)
        if (outcomes[i].Answered && Succeeded(outcomes[i].Error))
            confirmed.insert(keys[i]);
    return confirmed;
}
