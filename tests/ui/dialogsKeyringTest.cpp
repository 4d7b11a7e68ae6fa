// The host manager with the desktop's keyring (a real secret service on a
// private session bus): a password typed into the editor and applied is
// stored in the keyring, not in "Hosts.xml", and shows again when the
// window opens anew.
#include "viewsGuiApp.h"

#include "hosts/Hosts.h"
#include "platform/KeyringSecretStore.h"
#include "platform/KeyringSession.h"
#include "store/MainConfig.h"
#include "ui/HostEditorPages.h"
#include "ui/HostManagerForm.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QAction>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTreeWidget>

#include <fstream>
#include <sstream>

using ::testing::HasSubstr;
using ::testing::Not;

namespace {

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

TEST(HostManagerKeyring, AppliedPasswordGoesToTheKeyringAndComesBack)
{
    TKeyringSession session;
    ASSERT_TRUE(session.BusRunning());
    ASSERT_TRUE(session.StartKeyring());
    auto keyring = std::make_shared<TKeyringSecretStore>();
    ISecretStore::SetInstance(keyring);
    QTemporaryDir dir;
    const std::string data = dir.path().toStdString();
    TMainConfig config(data);
    TMainConfig::SetInstance(&config);
    const std::string password = "typed in the w\xC3\xAEndow";
    std::string hostID;
    {
        THosts hosts(data);
        THostManagerForm form(config, hosts);
        form.show();
        form.NewHost();
        QTreeWidgetItem* item = form.Tree()->currentItem();
        ASSERT_NE(form.HostOf(item), nullptr);
        hostID = form.HostOf(item)->HostID;
        form.Pages().HostnameEdit()->setText("keyring.example");
        form.Pages().UsernameEdit()->setText("kim");
        form.Pages().PasswordEdit()->setText(QString::fromStdString(password));
        form.Apply();
    }
    const std::string file = ReadFile(data + "/Hosts.xml");
    EXPECT_THAT(file, HasSubstr("PasswordInKeyring=\"True\""));
    EXPECT_THAT(file, Not(HasSubstr(" Password=")));
    const auto stored = TKeyringSecretStore().Read({hostID});
    ASSERT_EQ(stored.Found.count(hostID), 1u);
    EXPECT_EQ(stored.Found.at(hostID), password);

    THosts hosts(data);
    THostManagerForm form(config, hosts);
    form.show();
    QTreeWidgetItem* root = form.Tree()->topLevelItem(0);
    ASSERT_EQ(root->childCount(), 1);
    form.Tree()->setCurrentItem(root->child(0));
    EXPECT_EQ(form.Pages().PasswordEdit()->text().toStdString(), password);
    EXPECT_EQ(form.Pages().UsernameEdit()->text(), "kim");

    TMainConfig::SetInstance(nullptr);
    ISecretStore::SetInstance(nullptr);
}

} // namespace
