#pragma once
// TCertificateForm: a server's certificate, shown when the system cannot
// vouch for it (the question), when the certificate stored for the host
// changed (the louder question, with both fingerprints, Cancel by default),
// and read-only for the certificate of the browsing connection.
//
// Shows subject, issuer, validity, the alternative names, the SHA-256
// fingerprint in grouped hex, the TLS version and cipher and, for the
// questions, each reason in plain words. Answers of the questions: "Trust
// always", "Trust this time", "Cancel" (also Escape and closing the window).
// User-interface thread only.

#include "session/CertificateTrust.h"

#include <QDialog>

class QLabel;
class QPushButton;
class TWindowTexts;

class TCertificateForm : public QDialog {
    Q_OBJECT
public:
    /// The question (the changed variant when the question names a previous fingerprint).
    TCertificateForm(const TTrustQuestion& question, QWidget* parent = nullptr);
    /// Read-only: the certificate `host` presented.
    TCertificateForm(const TIdPeerCertificate& certificate, const std::string& host, QWidget* parent = nullptr);

    TTrustAnswer Answer() const { return answer_; }
    bool Changed() const { return changed_; }
    /// Everything the dialog shows, for tests and screen readers.
    QString Details() const;

    QPushButton* TrustAlwaysButton() const { return always_; }
    QPushButton* TrustThisTimeButton() const { return once_; }
    QPushButton* CancelButton() const { return cancel_; }

private:
    void Build(const TTrustQuestion& question, bool readOnly);
    void AddFields(const TTrustQuestion& question);
    void Choose(TTrustAnswer answer);

    TWindowTexts* texts_;
    QLabel* headline_ = nullptr;
    QLabel* problems_ = nullptr;
    QWidget* fields_ = nullptr;
    QPushButton* always_ = nullptr;
    QPushButton* once_ = nullptr;
    QPushButton* cancel_ = nullptr;
    TTrustAnswer answer_ = taCancel;
    bool changed_ = false;
};

/// Asks `question` modally; Cancel when the dialog is closed without an answer.
TTrustAnswer AskCertificateTrust(QWidget* parent, const TTrustQuestion& question);
/// Shows the certificate read-only, modally.
void ShowCertificate(QWidget* parent, const TIdPeerCertificate& certificate, const std::string& host);
