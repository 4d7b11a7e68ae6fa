#pragma once
// TTrustedCertificatesPage: the settings page that lists the certificates
// trusted always (host, port, subject, SHA-256 fingerprint, date trusted)
// and removes the selected ones at once. It works on the installed
// certificate trust (CertificateTrust()), so a removal holds for every
// connection from then on. User-interface thread only.

#include <QWidget>

class QPushButton;
class QTreeWidget;
class TWindowTexts;

class TTrustedCertificatesPage : public QWidget {
    Q_OBJECT
public:
    TTrustedCertificatesPage(QWidget* parent, TWindowTexts& texts);

    /// Reads the entries again.
    void Refresh();
    QTreeWidget* List() const { return list_; }
    QPushButton* RemoveButton() const { return remove_; }

private:
    void RemoveSelected();

    QTreeWidget* list_;
    QPushButton* remove_;
};
