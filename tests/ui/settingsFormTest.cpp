// The settings window: what each control shows and writes, OK and Cancel,
// the desktop switches, the page tree with its help topics, and the
// language shown at once.

#include "settingsSupport.h"
#include "viewsGuiApp.h"

#include "hosts/FileTransferTypes.h"
#include "store/MainConfig.h"
#include "ui/PortEdit.h"
#include "ui/SettingsForm.h"
#include "ui/SettingsPages.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

#include <functional>
#include <map>
#include <memory>

using namespace settingstest;

namespace {

class SettingsFormTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    std::string dataDir = dir.path().toStdString();
    TMainConfig config{dataDir};
    TFileTransferTypes types{dataDir};
    std::shared_ptr<TRecordingSwitches> switches = std::make_shared<TRecordingSwitches>();

    void SetUp() override { config.SetRegistrySwitches(switches); }

    std::string Stored(const char* key) const { return config.ReadValue(key, "<absent>"); }

    /// Opens the window, lets `change` work on its pages, then OK.
    void ChangeAndConfirm(const std::function<void(TSettingsPages&)>& change)
    {
        TSettingsForm form(config, types);
        form.show();
        change(form.Pages());
        form.Buttons()->button(QDialogButtonBox::Ok)->click();
        ASSERT_EQ(form.result(), QDialog::Accepted);
    }
};

void Choose(QComboBox* box, int data)
{
    box->setCurrentIndex(box->findData(data));
}

} // namespace

TEST_F(SettingsFormTest, OkWithoutChangesKeepsEverySetting)
{
    config.SetShowTipOnStartup(false);
    config.SetShowQuickConnectOnStartup(true);
    config.SetRememberFormState(false);
    config.SetTrayIcon(true);
    config.SetPlayQueueOnStartup(true);
    config.SetDefaultProxyType(fpcmHttpProxyWithFtp); // a type the list does not offer
    config.SetDefaultProxyHost("proxy.example.net");
    config.SetDefaultProxyPort(3128);
    config.SetDefaultProxyUsername("pu");
    config.SetDefaultProxyPassword("pp");
    config.SetShowLocalSelectionPanel(false);
    config.SetDefaultFileTransferType(fttASCII);
    config.SetMaxFTPTransferCount(9);
    config.SetRemoteFileAlreadyExistsAction(faeSkip);
    config.SetRemoteFileSmallerAlreadyExistsAction(faeResume);
    config.SetLocalFileAlreadyExistsAction(faeOverwrite);
    config.SetLocalFileSmallerAlreadyExistsAction(faeSkip);
    config.SetAnonymousEmail("me@example.org");
    config.SetDefaultDialupConnection("");
    const char* const keys[] = {
        "ShowTipOnStartup", "ShowHostManagerOnStartup", "ShowQuickConnectOnStartup", "RememberFormState",
        "TrayIcon", "PlayQueueOnStartup", "DefaultProxyType", "DefaultProxyHost", "DefaultProxyPort",
        "DefaultProxyUsername", "DefaultProxyPassword", "ShowLocalSelectionPanel", "DefaultFileTransferType",
        "MaxFTPTransferCount", "RemoteFileAlreadyExistsAction", "RemoteFileSmallerAlreadyExistsAction",
        "LocalFileAlreadyExistsAction", "LocalFileSmallerAlreadyExistsAction", "AnonymousEmail",
        "DefaultDialupConnection"};
    std::map<std::string, std::string> before;
    for (const char* key : keys)
        before[key] = Stored(key);

    ChangeAndConfirm([](TSettingsPages&) {});
    for (const char* key : keys)
        EXPECT_EQ(Stored(key), before[key]) << key;
    EXPECT_EQ(config.DefaultProxyType(), fpcmHttpProxyWithFtp);
    EXPECT_EQ(config.DefaultDialupConnection(), "");
    EXPECT_EQ(config.ShowHostManagerOnStartup(), false);
    EXPECT_EQ(config.ShowQuickConnectOnStartup(), true);
}

TEST_F(SettingsFormTest, EachControlWritesItsSetting)
{
    struct TCase {
        const char* Name;
        std::function<void(TMainConfig&)> Before;
        std::function<void(TSettingsPages&)> Change;
        std::vector<std::pair<const char*, const char*>> Expected;
    };
    const auto none = [](TMainConfig&) {};
    const std::vector<TCase> cases = {
        {"tip", none, [](TSettingsPages& p) { p.TipOnStartup->setChecked(false); }, {{"ShowTipOnStartup", "False"}}},
        {"quick connect", [](TMainConfig& c) { c.SetShowHostManagerOnStartup(true); },
         [](TSettingsPages& p) { p.QuickConnectOnStartup->setChecked(true); },
         {{"ShowQuickConnectOnStartup", "True"}, {"ShowHostManagerOnStartup", "False"}}},
        {"host manager", none, [](TSettingsPages& p) { p.HostManagerOnStartup->setChecked(true); },
         {{"ShowHostManagerOnStartup", "True"}, {"ShowQuickConnectOnStartup", "False"}}},
        {"no dialog", [](TMainConfig& c) { c.SetShowQuickConnectOnStartup(true); },
         [](TSettingsPages& p) { p.NoDialogOnStartup->setChecked(true); },
         {{"ShowHostManagerOnStartup", "False"}, {"ShowQuickConnectOnStartup", "False"}}},
        {"form state", none, [](TSettingsPages& p) { p.RememberFormState->setChecked(false); }, {{"RememberFormState", "False"}}},
        {"tray", none, [](TSettingsPages& p) { p.TrayIcon->setChecked(true); }, {{"TrayIcon", "True"}}},
        {"queue", none, [](TSettingsPages& p) { p.PlayQueueOnStartup->setChecked(true); }, {{"PlayQueueOnStartup", "True"}}},
        {"dialup gone from the phonebook", [](TMainConfig& c) { c.SetDefaultDialupConnection("Office"); },
         [](TSettingsPages&) {}, {{"DefaultDialupConnection", ""}}},
        {"proxy", none,
         [](TSettingsPages& p) {
             p.ProxyType->setCurrentIndex(3);
             p.ProxyHost->setText(QStringLiteral("gate"));
             p.ProxyPort->setText(QStringLiteral("2121"));
             p.ProxyUsername->setText(QStringLiteral("u"));
             p.ProxyPassword->setText(QStringLiteral("secret"));
         },
         {{"DefaultProxyType", "fpcmOpen"}, {"DefaultProxyHost", "gate"}, {"DefaultProxyPort", "2121"},
          {"DefaultProxyUsername", "u"}, {"DefaultProxyPassword", "secret"}}},
        {"proxy port not a number", none, [](TSettingsPages& p) { p.ProxyPort->setText(QStringLiteral("abc")); },
         {{"DefaultProxyPort", "8080"}}},
        {"empty proxy port", none, [](TSettingsPages& p) { p.ProxyPort->clear(); }, {{"DefaultProxyPort", "8080"}}},
        {"selection panels", none,
         [](TSettingsPages& p) {
             p.LocalSelectionPanel->setChecked(false);
             p.RemoteSelectionPanel->setChecked(false);
         },
         {{"ShowLocalSelectionPanel", "False"}, {"ShowRemoteSelectionPanel", "False"}}},
        {"default type", none, [](TSettingsPages& p) { Choose(p.DefaultTransferType, fttASCII); },
         {{"DefaultFileTransferType", "fttASCII"}}},
        {"unknown default type is binary", [](TMainConfig& c) { c.SetDefaultFileTransferType(fttUnknown); },
         [](TSettingsPages&) {}, {{"DefaultFileTransferType", "fttBinary"}}},
        {"transfers", none, [](TSettingsPages& p) { p.MaxTransfers->setValue(7); }, {{"MaxFTPTransferCount", "7"}}},
        {"actions", none,
         [](TSettingsPages& p) {
             Choose(p.RemoteExists, faeSkip);
             Choose(p.RemoteSmallerExists, faeResume);
             Choose(p.LocalExists, faeOverwrite);
             Choose(p.LocalSmallerExists, faeSkip);
         },
         {{"RemoteFileAlreadyExistsAction", "faeSkip"}, {"RemoteFileSmallerAlreadyExistsAction", "faeResume"},
          {"LocalFileAlreadyExistsAction", "faeOverwrite"}, {"LocalFileSmallerAlreadyExistsAction", "faeSkip"}}},
        {"resume in a list without it", [](TMainConfig& c) { c.SetLocalFileAlreadyExistsAction(faeResume); },
         [](TSettingsPages&) {}, {{"LocalFileAlreadyExistsAction", "faeAsk"}}},
        {"anonymous", none, [](TSettingsPages& p) { p.AnonymousEmail->setText(QStringLiteral("a@b.c")); },
         {{"AnonymousEmail", "a@b.c"}}},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        c.Before(config);
        ChangeAndConfirm(c.Change);
        for (const auto& [key, value] : c.Expected)
            EXPECT_EQ(Stored(key), value) << key;
    }
}

TEST_F(SettingsFormTest, ControlsShowTheStoredSettings)
{
    config.SetShowHostManagerOnStartup(true);
    config.SetMaxFTPTransferCount(12);
    config.SetRemoteFileSmallerAlreadyExistsAction(faeResume);
    config.SetRemoteFileAlreadyExistsAction(faeResume);
    config.SetDefaultProxyType(fpcmUserPass);
    config.SetDefaultProxyPort(1080);
    config.SetDefaultFileTransferType(fttASCII);
    TSettingsForm form(config, types);
    TSettingsPages& p = form.Pages();
    EXPECT_TRUE(p.HostManagerOnStartup->isChecked());
    EXPECT_TRUE(p.TipOnStartup->isChecked());
    EXPECT_EQ(p.MaxTransfers->value(), 12);
    EXPECT_EQ(p.MaxTransfers->minimum(), 1);
    EXPECT_EQ(p.MaxTransfers->maximum(), 16);
    EXPECT_EQ(p.RemoteSmallerExists->currentText(), QStringLiteral("Resume"));
    EXPECT_EQ(p.RemoteExists->currentText(), QStringLiteral("Ask"));
    EXPECT_EQ(p.RemoteExists->count(), 3);
    EXPECT_EQ(p.ProxyType->currentText(), QStringLiteral("UserPass"));
    EXPECT_EQ(p.ProxyPort->text(), QStringLiteral("1080"));
    EXPECT_EQ(p.DefaultTransferType->currentText(), QStringLiteral("Transfer as ASCII"));
    // This desktop has no dial-up phonebook.
    EXPECT_EQ(p.DialupConnection->count(), 1);
    EXPECT_EQ(p.DialupConnection->currentText(), QStringLiteral("None"));
    EXPECT_EQ(p.AnonymousEmail->text().toStdString(), config.AnonymousEmail());
}

TEST_F(SettingsFormTest, CancelWritesNothing)
{
    switches->Browser = true;
    config.Save();
    {
        TSettingsForm form(config, types);
        form.show();
        form.Pages().TrayIcon->setChecked(true);
        form.Pages().BrowserIntegration->setChecked(false);
        QTest::keyClick(&form, Qt::Key_Escape);
        EXPECT_EQ(form.result(), QDialog::Rejected);
    }
    EXPECT_EQ(Stored("TrayIcon"), "<absent>");
    EXPECT_EQ(switches->Writes, 0);
    EXPECT_TRUE(switches->Browser);
}

TEST_F(SettingsFormTest, DesktopSwitchesAreShownAndWrittenAsShown)
{
    switches->Browser = true;
    switches->StartUp = true;
    ChangeAndConfirm([](TSettingsPages& p) {
        EXPECT_TRUE(p.BrowserIntegration->isChecked());
        EXPECT_FALSE(p.ExplorerContextMenu->isChecked());
        EXPECT_TRUE(p.StartWithSystem->isChecked());
        p.BrowserIntegration->setChecked(false);
        p.ExplorerContextMenu->setChecked(true);
    });
    EXPECT_FALSE(switches->Browser);
    EXPECT_TRUE(switches->Explorer);
    EXPECT_TRUE(switches->StartUp);
    // Each switch is written again, changed or not.
    EXPECT_EQ(switches->Writes, 3);
}

TEST_F(SettingsFormTest, TreeSelectsPagesTabsAndHelpTopics)
{
    TSettingsForm form(config, types);
    std::vector<int> helped;
    form.OnHelp = [&helped](int topic) { helped.push_back(topic); };
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    EXPECT_EQ(form.CurrentEntry(), TSettingsForm::seSettings);
    EXPECT_TRUE(form.Tree()->topLevelItem(0)->isExpanded());
    EXPECT_EQ(form.Tree()->topLevelItem(0)->childCount(), 9);

    struct TCase {
        TSettingsForm::TEntry Entry;
        const char* Caption;
        int Topic;
    };
    const TCase cases[] = {{TSettingsForm::seSettings, "Settings", 1}, {TSettingsForm::seStartup, "Startup", 1},
                           {TSettingsForm::seLanguage, "Language", 2},  {TSettingsForm::seConnection, "Connection", 3},
                           {TSettingsForm::seDialup, "Dialup", 3},      {TSettingsForm::seProxy, "Proxy", 4},
                           {TSettingsForm::seIntegration, "Integration", 5}, {TSettingsForm::seVisibility, "Visibility", 6},
                           {TSettingsForm::seFileTypes, "File types", 7}, {TSettingsForm::seTransfers, "Transfers", 8},
                           {TSettingsForm::seGeneral, "General", 8},   {TSettingsForm::seActions, "Actions", 9},
                           {TSettingsForm::seAuthentication, "Authentication", 10},
                           {TSettingsForm::seAnonymous, "Anonymous", 10},
                           {TSettingsForm::seCertificates, "Certificates", 10}};
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Caption);
        form.Tree()->setCurrentItem(form.Tree()->findItems(QString::fromLatin1(c.Caption),
                                                             Qt::MatchExactly | Qt::MatchRecursive)
                                        .value(0));
        EXPECT_EQ(form.CurrentEntry(), c.Entry);
        EXPECT_EQ(form.PageCaption()->text(), QString::fromLatin1(c.Caption));
        EXPECT_EQ(form.HelpTopic(), c.Topic);
    }

    // A child entry selects its tab and focuses the tab's first control.
    form.SelectEntry(TSettingsForm::seProxy);
    EXPECT_EQ(form.Pages().ConnectionTabs->currentIndex(), 1);
    EXPECT_TRUE(WaitUntil([&] { return form.Pages().ProxyType->hasFocus(); }, 5000));
    // Choosing a tab selects its tree entry.
    form.SelectEntry(TSettingsForm::seGeneral);
    form.SelectEntry(TSettingsForm::seTransfers);
    form.Pages().TransferTabs->setCurrentIndex(1);
    EXPECT_EQ(form.CurrentEntry(), TSettingsForm::seActions);
    EXPECT_EQ(form.PageCaption()->text(), QStringLiteral("Actions"));

    form.Buttons()->button(QDialogButtonBox::Help)->click();
    QTest::keyClick(&form, Qt::Key_F1);
    EXPECT_EQ(helped, (std::vector<int>{9, 9}));
}

TEST_F(SettingsFormTest, ChosenLanguageShowsAtOnceAndCancelBringsTheOldBack)
{
    TEnglishAfterwards english;
    RegisterGerman();
    auto germanRow = [](const TSettingsPages& p) {
        for (int i = 0; i < p.Languages->count(); ++i)
            if (p.Languages->item(i)->data(Qt::UserRole).toInt() == 1031)
                return i;
        return -1;
    };
    {
        TSettingsForm form(config, types);
        form.show();
        ASSERT_GE(germanRow(form.Pages()), 0);
        EXPECT_EQ(form.Pages().Languages->currentItem()->data(Qt::UserRole).toInt(), 1033);
        form.Pages().Languages->setCurrentRow(germanRow(form.Pages()));
        EXPECT_EQ(form.windowTitle(), QStringLiteral("Einstellungen"));
        EXPECT_EQ(form.Pages().TrayIcon->text(), QStringLiteral("In den Infobereich &minimieren"));
        EXPECT_EQ(form.Tree()->topLevelItem(0)->child(0)->text(0), QStringLiteral("Programmstart"));
        EXPECT_EQ(form.Pages().RemoteSmallerExists->itemText(2), QStringLiteral("Fortsetzen"));
        form.reject();
    }
    EXPECT_EQ(LangManager().ActiveLanguageId(), 1033);
    EXPECT_EQ(Stored("Language"), "<absent>");

    ChangeAndConfirm([&](TSettingsPages& p) { p.Languages->setCurrentRow(germanRow(p)); });
    EXPECT_EQ(config.Language(), 1031);
    EXPECT_EQ(LangManager().ActiveLanguageId(), 1031);
}
