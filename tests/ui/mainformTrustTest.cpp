// The certificate question in the real window, against vsftpd with a
// self-signed certificate: each answer, what was stored, what the server
// was sent before and after the answer, the padlock and the settings page.
#include "mainformHarness.h"

#include "hosts/Hosts.h"
#include "hosts/TrustedCertificates.h"
#include "store/MainConfig.h"
#include "ui/CertificateForm.h"
#include "ui/MainForm.h"
#include "ui/StatusBar.h"
#include "ui/TrustedCertificatesPage.h"
#include "ui/WindowTexts.h"

#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <memory>

namespace {

THost StoreTlsHost(TMainWindowHarness& window, const TestFtpServer& server)
{
    THost host;
    host.CommonName = "Protected";
    host.Hostname = "127.0.0.1";
    host.Port = server.Port();
    host.Username = server.User();
    host.Password = server.Password();
    host.UseSSL = true;
    host.NewHostID();
    {
        THosts hosts(window.DataDir());
        hosts.AddOrUpdate(host);
    }
    window.Config().SetLastConnectedHostID(host.HostID);
    return host;
}

const TTrustedCertificate* Stored(const TMainWindowHarness& window, std::uint16_t port,
                                  std::unique_ptr<TTrustedCertificates>& store)
{
    store = std::make_unique<TTrustedCertificates>(window.DataDir());
    return store->Find("127.0.0.1", port);
}

struct Seen {
    bool Asked = false;
    bool ChangedVariant = true;
    QString Details;
    QString LogWhileAsking;
    QString Error;
};

// Answers the certificate question with `button`; a refusal is followed by
// the session's error, which is answered too.
void AnswerQuestion(TMainWindowHarness& window, const QString& button, Seen& seen)
{
    window.OnNextModal([&window, button, &seen](QWidget* dialog) {
        auto* form = qobject_cast<TCertificateForm*>(dialog);
        seen.Asked = form != nullptr;
        if (!form)
            return;
        seen.ChangedVariant = form->Changed();
        seen.Details = form->Details();
        seen.LogWhileAsking = window.LogText();
        if (button == QStringLiteral("Cancel"))
            window.OnNextModal([&seen](QWidget* error) {
                seen.Error = error->windowTitle();
                ClickButton(error, QStringLiteral("OK"));
            });
        ClickButton(dialog, button);
    });
}

} // namespace

TEST(MainFormTrust, EachAnswerToTheQuestionIsHonouredAndStoredOnlyWhenAlways)
{
    EnsureTestApplication();
    FixtureTree tree;
    TestCertificate certificate;
    VsftpdServer server(tree.Root(), &certificate);
    const QString fingerprintLine = QString::fromStdString(certificate.FingerprintSHA256().substr(0, 47));
    for (const QString& button : {QStringLiteral("Cancel"), QStringLiteral("Trust this time"),
                                 QStringLiteral("Trust always")}) {
        SCOPED_TRACE(button.toStdString());
        TMainWindowHarness window;
        StoreTlsHost(window, server);
        window.Open();
        Seen seen;
        AnswerQuestion(window, button, seen);
        const bool accepted = button != QStringLiteral("Cancel");
        if (accepted) {
            EXPECT_TRUE(window.Connect()) << window.LogText().toStdString();
        } else {
            window.Form().Action("ConnectAction")->trigger();
            EXPECT_TRUE(WaitUntil([&] { return !seen.Error.isEmpty() && !window.Form().IsBusy(); }));
            EXPECT_FALSE(window.Form().IsAuthenticated());
        }
        ASSERT_TRUE(seen.Asked);
        EXPECT_FALSE(seen.ChangedVariant);
        EXPECT_TRUE(seen.Details.contains(fingerprintLine)) << seen.Details.toStdString();
        EXPECT_TRUE(seen.Details.contains(QStringLiteral("issued by an authority that is not trusted")));
        EXPECT_TRUE(seen.Details.contains(QStringLiteral("TLSv1."))) << seen.Details.toStdString();
        EXPECT_TRUE(seen.LogWhileAsking.contains(QStringLiteral("AUTH TLS")));
        EXPECT_FALSE(seen.LogWhileAsking.contains(QStringLiteral("USER"))) << "no credentials before the answer";
        EXPECT_EQ(window.LogText().contains(QStringLiteral("USER")), accepted) << window.LogText().toStdString();
        EXPECT_EQ(window.LogText().contains(QStringLiteral("refused")), !accepted);

        std::unique_ptr<TTrustedCertificates> store;
        const TTrustedCertificate* entry = Stored(window, server.Port(), store);
        ASSERT_EQ(entry != nullptr, button == QStringLiteral("Trust always"));
        if (!entry)
            continue;
        EXPECT_EQ(entry->Fingerprint, certificate.FingerprintSHA256());
        EXPECT_EQ(entry->Subject, "CN=localhost");
        EXPECT_GT(entry->Trusted, 0);

        // Trusted always: the next run of the program connects without a question.
        window.Destroy();
        window.Open();
        Seen again;
        AnswerQuestion(window, QStringLiteral("Cancel"), again);
        EXPECT_TRUE(window.Connect()) << window.LogText().toStdString();
        EXPECT_FALSE(again.Asked);
    }
}

// The padlock names the protocol and cipher, and a click on it shows the
// browsing connection's certificate read-only; the settings page lists the
// certificate trusted always and removes it, so the question comes again.
TEST(MainFormTrust, PadlockShowsTheCertificateAndTheSettingsPageRemovesTrust)
{
    EnsureTestApplication();
    FixtureTree tree;
    TestCertificate certificate;
    VsftpdServer server(tree.Root(), &certificate);
    TMainWindowHarness window;
    StoreTlsHost(window, server);
    window.Open();
    Seen seen;
    AnswerQuestion(window, QStringLiteral("Trust always"), seen);
    ASSERT_TRUE(window.Connect());

    TStatusBar& status = *window.Form().StatusPanel();
    ASSERT_TRUE(status.EncryptedIconShown());
    EXPECT_TRUE(status.EncryptedIconTip().contains(QStringLiteral("TLSv1."))) << status.EncryptedIconTip().toStdString();
    bool shown = false;
    window.OnNextModal([&](QWidget* dialog) {
        auto* form = qobject_cast<TCertificateForm*>(dialog);
        shown = form && form->TrustAlwaysButton() == nullptr &&
                form->Details().contains(QString::fromStdString(certificate.FingerprintSHA256().substr(0, 47)));
        ClickButton(dialog, QStringLiteral("Close"));
    });
    QTest::mouseClick(status.EncryptedIcon(), Qt::LeftButton);
    EXPECT_TRUE(WaitUntil([&] { return window.ModalAnswered(); }));
    EXPECT_TRUE(shown);

    QWidget owner;
    TWindowTexts texts(&owner, QStringLiteral("SettingsForm"));
    TTrustedCertificatesPage page(&owner, texts);
    ASSERT_EQ(page.List()->topLevelItemCount(), 1);
    EXPECT_EQ(page.List()->topLevelItem(0)->text(0), QStringLiteral("127.0.0.1"));
    EXPECT_EQ(page.List()->topLevelItem(0)->text(3), QString::fromStdString(certificate.FingerprintSHA256()));
    EXPECT_FALSE(page.RemoveButton()->isEnabled());
    page.List()->topLevelItem(0)->setSelected(true);
    QTest::mouseClick(page.RemoveButton(), Qt::LeftButton);
    EXPECT_EQ(page.List()->topLevelItemCount(), 0);
    std::unique_ptr<TTrustedCertificates> store;
    EXPECT_EQ(Stored(window, server.Port(), store), nullptr);

    window.Form().Action("DisconnectAction")->trigger();
    EXPECT_TRUE(WaitUntil([&] { return !window.Form().IsConnected(); }));
    Seen again;
    AnswerQuestion(window, QStringLiteral("Trust this time"), again);
    EXPECT_TRUE(window.Connect());
    EXPECT_TRUE(again.Asked) << "no longer trusted always";
}
