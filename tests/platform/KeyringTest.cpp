// Stored passwords in a real secret service (gnome-keyring-daemon on a
// private session bus): host, proxy and settings passwords move into it and
// come back, a deleted host takes its entry along, and a keyring that is
// absent, silent or unable to give a password back never loses one.
#include "platform/KeyringSecretStore.h"

#include "hosts/HostTreeNode.h"
#include "hosts/Hosts.h"
#include "hosts/PasswordProtection.h"
#include "hosts/QuickHosts.h"
#include "store/MainConfig.h"

#include "KeyringSession.h"
#include "hosts/HostsTestSupport.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>

using ::testing::HasSubstr;
using ::testing::Not;

namespace {

using namespace std::chrono_literals;

// The program's keyring, installed for one case; notices are collected.
class TInstalledKeyring {
public:
    TInstalledKeyring()
    {
        store_->SetNoticeSlot([this](const std::string& reason) { Notices.push_back(reason); });
        ISecretStore::SetInstance(store_);
    }
    ~TInstalledKeyring() { ISecretStore::SetInstance(nullptr); }
    TKeyringSecretStore& Store() { return *store_; }
    std::vector<std::string> Notices;

private:
    std::shared_ptr<TKeyringSecretStore> store_ = std::make_shared<TKeyringSecretStore>();
};

// What the keyring itself holds under `key`, asked by a store of its own.
std::optional<std::string> InKeyring(const std::string& key)
{
    TKeyringSecretStore reader;
    const auto read = reader.Read({key});
    const auto found = read.Found.find(key);
    return found == read.Found.end() ? std::nullopt : std::optional<std::string>(found->second);
}

bool KeyringSaysMissing(const std::string& key)
{
    TKeyringSecretStore reader;
    return reader.Read({key}).Missing.count(key) == 1;
}

THost HostWithSecrets(const std::string& name, const std::string& password)
{
    THost host(THostDefaults{});
    host.CommonName = name;
    host.Hostname = name + ".example.org";
    host.Username = "bob";
    host.Password = password;
    host.UseDefaultProxySettings = false;
    host.ProxySettings.ProxyType = fpcmUserSite;
    host.ProxySettings.Host = "proxy.example.org";
    host.ProxySettings.Port = 8021;
    host.ProxySettings.UserName = "proxyuser";
    host.ProxySettings.Password = name + "-proxy-pw";
    return host;
}

const THost* Named(const THosts& hosts, const std::string& name)
{
    for (const auto& host : hosts.Items())
        if (host->CommonName == name)
            return host.get();
    return nullptr;
}

// A host manager round: the tree as the file has it, written back.
void RewriteThroughTree(THosts& hosts)
{
    THostTreeNode tree;
    hosts.FillTree(tree);
    hosts.ReplaceFromTree(tree);
    hosts.Save();
}

class Keyring : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(TKeyringSession::Shared().BusRunning()); }
    // Cases that need a process whose keyring library never met a daemon.
    bool NeedsBareSession()
    {
        return !TKeyringSession::Shared().KeyringEverStarted();
    }
    THostsTestDir dir_;
};

TEST_F(Keyring, HostPasswordsMoveIntoTheKeyringAndComeBack)
{
    ASSERT_TRUE(TKeyringSession::Shared().StartKeyring());
    TInstalledKeyring keyring;
    const THost alpha = HostWithSecrets("alpha", "s3cret p\xC3\xA4sswort");
    THost latin = HostWithSecrets("latin", "caf\xE9"); // bytes of an old code page, not UTF-8
    {
        THosts hosts(dir_.Path());
        hosts.AddOrUpdate(alpha);
        hosts.AddOrUpdate(latin);
    }
    const std::string file = THostsTestDir::Read(dir_.File("Hosts.xml"));
    EXPECT_THAT(file, Not(HasSubstr(EncryptPassword(alpha.HostID, alpha.Password))));
    EXPECT_THAT(file, Not(HasSubstr("alpha-proxy-pw")));
    EXPECT_THAT(file, HasSubstr("PasswordInKeyring=\"True\""));
    EXPECT_THAT(file, HasSubstr("ProxyPasswordInKeyring=\"True\""));
    // The keyring stores text: bytes that are not UTF-8 stay in the file as they were.
    EXPECT_THAT(file, HasSubstr(EncryptPassword(latin.HostID, latin.Password)));
    EXPECT_EQ(InKeyring(alpha.HostID), alpha.Password);
    EXPECT_EQ(InKeyring(alpha.HostID + "/ProxyPassword"), "alpha-proxy-pw");
    EXPECT_EQ(InKeyring(latin.HostID + "/ProxyPassword"), "latin-proxy-pw");

    THosts reloaded(dir_.Path());
    ASSERT_NE(Named(reloaded, "alpha"), nullptr);
    EXPECT_EQ(*Named(reloaded, "alpha"), alpha);
    EXPECT_EQ(Named(reloaded, "latin")->Password, latin.Password);
    EXPECT_TRUE(keyring.Notices.empty()) << keyring.Notices.front();

    // The host manager writes the whole tree again: nothing moves back.
    RewriteThroughTree(reloaded);
    EXPECT_THAT(THostsTestDir::Read(dir_.File("Hosts.xml")), HasSubstr("PasswordInKeyring=\"True\""));

    // Deleting the host deletes its entries once the file no longer has it.
    THostTreeNode tree;
    reloaded.FillTree(tree);
    auto& top = tree.Children.front()->Children;
    top.erase(std::remove_if(top.begin(), top.end(), [](const auto& n) { return n->Caption == "alpha"; }), top.end());
    reloaded.ReplaceFromTree(tree);
    reloaded.Save();
    EXPECT_TRUE(KeyringSaysMissing(alpha.HostID));
    EXPECT_TRUE(KeyringSaysMissing(alpha.HostID + "/ProxyPassword"));
    EXPECT_EQ(InKeyring(latin.HostID + "/ProxyPassword"), "latin-proxy-pw");
}

TEST_F(Keyring, ClearedOrChangedPasswordsLeaveNoStaleEntry)
{
    ASSERT_TRUE(TKeyringSession::Shared().StartKeyring());
    TInstalledKeyring keyring;
    THost host = HostWithSecrets("beta", "first");
    THosts hosts(dir_.Path());
    hosts.AddOrUpdate(host);
    host.Password = "second";
    hosts.AddOrUpdate(host);
    EXPECT_EQ(InKeyring(host.HostID), "second");
    host.Password.clear();
    host.UseDefaultProxySettings = true;
    hosts.AddOrUpdate(host);
    EXPECT_TRUE(KeyringSaysMissing(host.HostID));
    EXPECT_TRUE(KeyringSaysMissing(host.HostID + "/ProxyPassword"));
    EXPECT_THAT(THostsTestDir::Read(dir_.File("Hosts.xml")), Not(HasSubstr("InKeyring")));

    // An entry removed from the keyring by hand reads as an empty password.
    host.Password = "third";
    hosts.AddOrUpdate(host);
    keyring.Store().Delete({host.HostID});
    THosts reloaded(dir_.Path());
    EXPECT_EQ(reloaded.FindByHostID(host.HostID)->Password, "");
    EXPECT_FALSE(reloaded.PasswordUnreadable(host.HostID));
}

TEST_F(Keyring, QuickConnectHistoryKeepsItsOwnEntries)
{
    ASSERT_TRUE(TKeyringSession::Shared().StartKeyring());
    TInstalledKeyring keyring;
    const THost host = HostWithSecrets("gamma", "quick-pw");
    {
        TQuickHosts quick(dir_.Path());
        quick.AddOrUpdate(host);
    }
    EXPECT_THAT(THostsTestDir::Read(dir_.File("QuickHosts.xml")), HasSubstr("PasswordInKeyring=\"True\""));
    EXPECT_EQ(InKeyring("QuickHosts/" + host.HostID), "quick-pw");
    TQuickHosts quick(dir_.Path());
    ASSERT_EQ(quick.Count(), 1);
    EXPECT_EQ(quick.Items().front()->Password, "quick-pw");
    quick.Delete(quick.Items().front().get());
    EXPECT_TRUE(KeyringSaysMissing("QuickHosts/" + host.HostID));
}

TEST_F(Keyring, DefaultProxyPasswordOfTheSettingsGoesTheSameWay)
{
    ASSERT_TRUE(TKeyringSession::Shared().StartKeyring());
    TInstalledKeyring keyring;
    {
        TMainConfig config(dir_.Path());
        config.SetDefaultProxyPassword("settings-pw");
        config.Save();
    }
    const std::string file = THostsTestDir::Read(dir_.File("Config.xml"));
    EXPECT_THAT(file, Not(HasSubstr("settings-pw")));
    EXPECT_THAT(file, HasSubstr("<DefaultProxyPassword InKeyring=\"True\""));
    EXPECT_EQ(InKeyring("Settings/DefaultProxyPassword"), "settings-pw");

    TMainConfig config(dir_.Path());
    EXPECT_EQ(config.DefaultProxyPassword(), "settings-pw");
    config.SetDefaultProxyPassword("settings-pw"); // the settings dialog writes every value back
    config.Save();
    EXPECT_EQ(InKeyring("Settings/DefaultProxyPassword"), "settings-pw");
    config.SetDefaultProxyPassword("");
    config.Save();
    EXPECT_TRUE(KeyringSaysMissing("Settings/DefaultProxyPassword"));
    EXPECT_EQ(config.DefaultProxyPassword(), "");
}

// A keyring that takes a request and never answers: the save ends at the
// time limit with the password still in the file, and the next save after
// the keyring woke up moves it.
TEST_F(Keyring, SilentKeyringKeepsThePasswordInTheFile)
{
    ASSERT_TRUE(TKeyringSession::Shared().StartKeyring());
    TInstalledKeyring keyring;
    keyring.Store().SetTimeLimit(1500ms);
    THost host = HostWithSecrets("delta", "frozen-pw");
    THosts hosts(dir_.Path());
    TKeyringSession::Shared().FreezeKeyring();
    hosts.AddOrUpdate(host);
    host.Port = 2121;
    hosts.AddOrUpdate(host); // refused at once: the keyring still owes an answer
    TKeyringSession::Shared().ThawKeyring();
    const std::string file = THostsTestDir::Read(dir_.File("Hosts.xml"));
    EXPECT_THAT(file, HasSubstr(EncryptPassword(host.HostID, host.Password)));
    EXPECT_THAT(file, Not(HasSubstr("PasswordInKeyring")));
    ASSERT_FALSE(keyring.Notices.empty());
    EXPECT_THAT(keyring.Notices.front(), HasSubstr("no answer within 1500 ms"));
    EXPECT_EQ(THosts(dir_.Path()).FindByHostID(host.HostID)->Password, "frozen-pw");

    // Once the late answers are in, the next save moves the passwords.
    keyring.Store().SetTimeLimit(20s);
    SpinUntil([&] { return !keyring.Store().Read({"probe"}).Missing.empty(); }, 20000);
    hosts.Save();
    EXPECT_THAT(THostsTestDir::Read(dir_.File("Hosts.xml")), HasSubstr("PasswordInKeyring=\"True\""));
    EXPECT_EQ(InKeyring(host.HostID), "frozen-pw");
}

// No secret service on the session: the file keeps today's protected form,
// the log hears of it once, and a keyring that appears later takes the
// passwords at the next start (MovePasswordsToKeyring) or save.
TEST_F(Keyring, WithoutKeyringPasswordsStayInTheFileUntilOneAppears)
{
    if (!NeedsBareSession())
        GTEST_SKIP() << "needs a process of its own (ctest runs each case alone)";
    TInstalledKeyring keyring;
    const THost host = HostWithSecrets("epsilon", "bare-pw");
    {
        THosts hosts(dir_.Path());
        hosts.AddOrUpdate(host);
        hosts.Save();
        TMainConfig config(dir_.Path());
        config.SetDefaultProxyPassword("bare-proxy");
        config.Save();
    }
    EXPECT_THAT(THostsTestDir::Read(dir_.File("Hosts.xml")), HasSubstr(EncryptPassword(host.HostID, "bare-pw")));
    EXPECT_THAT(THostsTestDir::Read(dir_.File("Hosts.xml")), HasSubstr("ProxyPassword=\"epsilon-proxy-pw\""));
    EXPECT_THAT(THostsTestDir::Read(dir_.File("Config.xml")), HasSubstr("value=\"bare-proxy\""));
    ASSERT_EQ(keyring.Notices.size(), 1u);
    EXPECT_THAT(keyring.Notices.front(), HasSubstr("org.freedesktop.secrets"));

    ASSERT_TRUE(TKeyringSession::Shared().StartKeyring());
    THosts hosts(dir_.Path());
    hosts.MovePasswordsToKeyring();
    EXPECT_THAT(THostsTestDir::Read(dir_.File("Hosts.xml")), HasSubstr("PasswordInKeyring=\"True\""));
    EXPECT_EQ(InKeyring(host.HostID), "bare-pw");
    TMainConfig config(dir_.Path());
    config.Save();
    EXPECT_EQ(InKeyring("Settings/DefaultProxyPassword"), "bare-proxy");
    EXPECT_THAT(THostsTestDir::Read(dir_.File("Config.xml")), Not(HasSubstr("bare-proxy")));
}

// The files mark passwords as kept in a keyring that is not there now: the
// records read with empty passwords, and writing them back keeps the marks.
TEST_F(Keyring, UnreadablePasswordsKeepTheirMarks)
{
    if (!NeedsBareSession())
        GTEST_SKIP() << "needs a process of its own (ctest runs each case alone)";
    TInstalledKeyring keyring;
    const std::string id = "{0F8A2C44-1B7E-4D3A-9C55-6E21B0A7D913}";
    dir_.Write("Hosts.xml",
               "<?xml version=\"1.0\"?>\r\n<HostList>\r\n  <Host CommonName=\"kept\" Hostname=\"kept.example.org\" "
               "Port=\"21\" Username=\"bob\" PasswordInKeyring=\"True\" IsAnonymous=\"False\" "
               "InitialRemoteDirectory=\"\" InitialLocalDirectory=\"\" HostID=\"" + id + "\" Passive=\"True\" "
               "UseSSL=\"False\" UseDefaultDialupConnection=\"True\" DisconnectDialupAfterDisconnect=\"False\" "
               "UseDefaultProxySettings=\"False\" ProxyType=\"1\" ProxyHost=\"p\" ProxyPort=\"8021\" "
               "ProxyUsername=\"pu\" ProxyPasswordInKeyring=\"True\">\r\n    <Bookmarks/>\r\n  </Host>\r\n"
               "</HostList>\r\n");
    dir_.Write("Config.xml", "<?xml version=\"1.0\"?>\r\n<Config>\r\n  <DefaultProxyPassword InKeyring=\"True\"/>\r\n"
                             "</Config>\r\n");
    THosts hosts(dir_.Path());
    ASSERT_EQ(hosts.Count(), 1);
    EXPECT_EQ(hosts.Items().front()->Password, "");
    EXPECT_TRUE(hosts.PasswordUnreadable(id));
    RewriteThroughTree(hosts);
    const std::string file = THostsTestDir::Read(dir_.File("Hosts.xml"));
    EXPECT_THAT(file, HasSubstr("PasswordInKeyring=\"True\""));
    EXPECT_THAT(file, HasSubstr("ProxyPasswordInKeyring=\"True\""));
    EXPECT_THAT(file, Not(HasSubstr(" Password=")));

    TMainConfig config(dir_.Path());
    EXPECT_EQ(config.DefaultProxyPassword(), "");
    config.SetDefaultProxyPassword(""); // the settings dialog writes what it showed
    config.Save();
    EXPECT_THAT(THostsTestDir::Read(dir_.File("Config.xml")), HasSubstr("<DefaultProxyPassword InKeyring=\"True\""));
    config.SetDefaultProxyPassword("typed anew");
    EXPECT_EQ(config.DefaultProxyPassword(), "typed anew");
}

// A keyring without a collection to write to (never unlocked, nobody to ask)
// refuses every write: passwords stay in the file, and the log is told why.
TEST_F(Keyring, RefusingKeyringKeepsThePasswordsInTheFiles)
{
    if (!NeedsBareSession())
        GTEST_SKIP() << "needs a process of its own (ctest runs each case alone)";
    ASSERT_TRUE(TKeyringSession::Shared().StartKeyring(false));
    TInstalledKeyring keyring;
    const THost host = HostWithSecrets("zeta", "refused-pw");
    THosts hosts(dir_.Path());
    hosts.AddOrUpdate(host);
    TMainConfig config(dir_.Path());
    config.SetDefaultProxyPassword("refused-proxy");
    config.Save();
    EXPECT_THAT(THostsTestDir::Read(dir_.File("Hosts.xml")), HasSubstr(EncryptPassword(host.HostID, "refused-pw")));
    EXPECT_THAT(THostsTestDir::Read(dir_.File("Hosts.xml")), Not(HasSubstr("InKeyring")));
    EXPECT_THAT(THostsTestDir::Read(dir_.File("Config.xml")), HasSubstr("value=\"refused-proxy\""));
    ASSERT_EQ(keyring.Notices.size(), 1u);
    EXPECT_THAT(keyring.Notices.front(), HasSubstr("collection"));
    EXPECT_EQ(THosts(dir_.Path()).FindByHostID(host.HostID)->Password, "refused-pw");
}

} // namespace
