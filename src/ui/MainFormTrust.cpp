// The main window's part in certificate trust: the store of certificates
// trusted always, the question every connection of the program asks
// through this window, and the certificate of the browsing connection.
#include "ui/MainForm.h"

#include "hosts/TrustedCertificates.h"
#include "i18n/Format.h"
#include "i18n/LanguageManager.h"
#include "session/CertificateTrust.h"
#include "session/FTPWorker.h"
#include "store/MainConfig.h"
#include "ui/CertificateForm.h"
#include "ui/LogPane.h"
#include "ui/StatusBar.h"

#include <QPointer>

void TMainForm::CreateCertificateTrust()
{
    try {
        trustedCertificates_ = std::make_unique<TTrustedCertificates>(config_.DataDirectory());
    } catch (const std::exception& e) {
        // The file stays as it was; certificates can still be trusted for this run.
        WriteLog(lkStatus, std::string(TTrustedCertificates::FileName) + ": " + e.what());
    }
    certificateTrust_ = std::make_unique<TCertificateTrust>(trustedCertificates_.get());
    certificateTrust_->SetAsk(
        [this](const TTrustQuestion& question) { return static_cast<TTrustAnswer>(AskCertificateQuestion(question)); });
    certificateTrust_->SetLog([writer = logPane_->Writer()](const std::string& line) { writer->WriteLog(lkStatus, line); });
    TCertificateTrust::SetInstance(certificateTrust_.get());
}

int TMainForm::AskCertificateQuestion(const TTrustQuestion& question)
{
    // The connection's thread waits here; the dialog runs on this window's
    // thread. A shut-down dispatcher (the window closing) answers Cancel.
    TTrustAnswer answer = taCancel;
    dispatcher_.Send([this, &question, &answer] {
        if (!closing_)
            answer = AskCertificateTrust(this, question);
    });
    return answer;
}

void TMainForm::ReleaseCertificateTrust()
{
    if (!certificateTrust_)
        return;
    certificateTrust_->Shutdown();
    TCertificateTrust::SetInstance(nullptr);
    certificateTrust_.reset();
    trustedCertificates_.reset();
}

void TMainForm::ShowConnectionCertificate()
{
    if (!worker_ || !authenticated_)
        return;
    if (const auto certificate = worker_->PeerCertificate())
        ShowCertificate(this, *certificate, currentHost_.Hostname);
}
