#include "integration/UpdateCheck.h"

#include "i18n/Format.h"
#include "i18n/LanguageManager.h"

#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QUrl>

#ifndef TOVREL_FILE_VERSION
#define TOVREL_FILE_VERSION ""
#endif

namespace {

std::string StatusLine(QNetworkReply& reply)
{
    const int status = reply.attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    const QString reason = reply.attribute(QNetworkRequest::HttpReasonPhraseAttribute).toString();
    return "HTTP/1.1 " + std::to_string(status) + (reason.isEmpty() ? "" : " " + reason.toStdString());
}

// The failure of a finished reply, as one of the program's classes.
void RaiseFor(QNetworkReply& reply)
{
    const QNetworkReply::NetworkError error = reply.error();
    if (reply.attribute(QNetworkRequest::HttpStatusCodeAttribute).isValid() && error != QNetworkReply::NoError
        && error != QNetworkReply::OperationCanceledError)
        throw EHTTPProtocolError(StatusLine(reply));
    if (error == QNetworkReply::TimeoutError || error == QNetworkReply::OperationCanceledError)
        throw ETimeoutError("Read timed out after " + std::to_string(TUpdateCheck::TimeoutMs / 1000) + " s.");
    throw ENetworkError(reply.errorString().toStdString());
}

} // namespace

TUpdateCheck::TUpdateCheck(std::string baseURL, std::string currentVersion)
    : baseURL_(std::move(baseURL)), currentVersion_(std::move(currentVersion))
{
    if (baseURL_.empty())
        baseURL_ = qEnvironmentVariable("TOVREL_UPDATE_URL", QString::fromLatin1(DefaultBaseURL)).toStdString();
    while (!baseURL_.empty() && baseURL_.back() == '/')
        baseURL_.pop_back();
    if (currentVersion_.empty())
        currentVersion_ = ProgramVersion();
}

TUpdateCheck::~TUpdateCheck()
{
    done_ = nullptr;
    if (reply_) {
        QObject::disconnect(reply_, nullptr, nullptr, nullptr);
        reply_->abort();
        delete reply_;
        reply_ = nullptr;
    }
}

std::string TUpdateCheck::ProgramVersion()
{
    const std::string version = TOVREL_FILE_VERSION;
    return version.empty() ? "N/A" : version;
}

std::string TUpdateCheck::Trim(const std::string& body)
{
    const auto blank = [](char c) { return static_cast<unsigned char>(c) <= ' ' || c == '\x7f'; };
    std::size_t begin = 0;
    std::size_t end = body.size();
    while (begin < end && blank(body[begin]))
        ++begin;
    while (end > begin && blank(body[end - 1]))
        --end;
    return body.substr(begin, end - begin);
}

TUpdateCheckOutcome TUpdateCheck::Compare(const std::string& currentVersion, const std::string& body)
{
    TUpdateCheckOutcome outcome;
    outcome.CurrentVersion = currentVersion;
    outcome.LatestVersion = Trim(body);
    if (outcome.LatestVersion == currentVersion) {
        outcome.Result = tfuUpToDate;
        outcome.Text = LoadStr("MainForm_strNoNewVersionAvailable");
    } else {
        outcome.Result = tfuNewVersion;
        outcome.Text = Format(LoadStr("MainForm_strNewVersionAvailable"), currentVersion, outcome.LatestVersion);
    }
    return outcome;
}

TUpdateCheckOutcome TUpdateCheck::Failure(const std::string& currentVersion, const EUpdateCheckError& error)
{
    TUpdateCheckOutcome outcome;
    outcome.Result = tfuFailed;
    outcome.CurrentVersion = currentVersion;
    outcome.ErrorClass = error.ClassName();
    outcome.ErrorMessage = error.what();
    outcome.Text = LoadStr("MainForm_strUpdateCheckFailed") + "\r\n" + outcome.ErrorClass + ": " + outcome.ErrorMessage;
    return outcome;
}

bool TUpdateCheck::Start(std::function<void(const TUpdateCheckOutcome&)> done)
{
    if (reply_)
        return false;
    if (!network_) {
        network_ = std::make_unique<QNetworkAccessManager>();
        network_->setProxy(QNetworkProxy::NoProxy);
    }
    done_ = std::move(done);
    tooLarge_ = false;
    QNetworkRequest request(QUrl(QString::fromStdString(VersionURL())));
    request.setTransferTimeout(TimeoutMs);
    reply_ = network_->get(request);
    QObject::connect(reply_, &QNetworkReply::downloadProgress, [this](qint64 received, qint64) {
        if (received > MaxBodyBytes && reply_) {
            tooLarge_ = true;
            reply_->abort();
        }
    });
    QObject::connect(reply_, &QNetworkReply::finished, [this] { Finished(); });
    return true;
}

void TUpdateCheck::Finished()
{
    std::unique_ptr<QNetworkReply, void (*)(QNetworkReply*)> reply(reply_, [](QNetworkReply* r) { r->deleteLater(); });
    reply_ = nullptr;
    TUpdateCheckOutcome outcome;
    try {
        if (tooLarge_)
            throw EHTTPProtocolError("The version text is longer than 64 KiB.");
        if (reply->error() != QNetworkReply::NoError)
            RaiseFor(*reply);
        const QByteArray body = reply->readAll();
        if (body.size() > MaxBodyBytes)
            throw EHTTPProtocolError("The version text is longer than 64 KiB.");
        outcome = Compare(currentVersion_, body.toStdString());
    } catch (const EUpdateCheckError& error) {
        outcome = Failure(currentVersion_, error);
    }
    auto done = std::move(done_);
    done_ = nullptr;
    if (done)
        done(outcome);
}
