#include "hosts/Hosts.h"
#include "hosts/PasswordProtection.h"
#include "hosts/XMLLoadException.h"
#include "store/MainConfig.h"

#include "hosts/HostsTestSupport.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

using ::testing::HasSubstr;

namespace {

THost MakeHost(const std::string& name)
{
    THost host(THostDefaults{});
    host.CommonName = name;
    host.Hostname = name + ".example.org";
    return host;
}

// Every field away from its default.
THost FullHost()
{
    THost host(THostDefaults{});
    host.CommonName = "Full \"quoted\" <&> name";
    host.Hostname = "full.example.org";
    host.Port = 2121;
    host.Username = "user\xC3\xA4";
    host.Password = "pass word with ; and \xE2\x82\xAC and 17+";
    host.IsAnonymous = true;
    host.InitialRemoteDirectory = "/remote dir/";
    host.InitialLocalDirectory = "/home/me/local";
    host.AddBookmark("/b");
    host.AddBookmark("/A");
    host.DialupConnection = "Modem line\r\ntwo";
    host.DisconnectDialupAfterDisconnect = true;
    host.ProxySettings = {fpcmTransparent, "proxy.example.org", 8021, "proxyuser", "proxy pass"};
    host.UseDefaultProxySettings = false;
    host.UseDefaultDialupConnection = false;
    host.Passive = false;
    host.UseSSL = true;
    return host;
}

std::string ElementStartingWith(const std::string& text, const std::string& start)
{
    const auto from = text.find(start);
    if (from == std::string::npos)
        return {};
    return text.substr(from, text.find("\">", from) + 1 - from); // values may hold ">"
}

} // namespace

TEST(Hosts, NewFileHoldsAnEmptyListAndTheTreeOnlyTheRoot)
{
    THostsTestDir dir;
    THosts hosts(dir.Path());
    EXPECT_EQ(hosts.Count(), 0);
    EXPECT_EQ(THostsTestDir::Read(dir.File("Hosts.xml")), "<?xml version=\"1.0\"?>\r\n<HostList/>\r\n");
    THostTreeNode tree;
    hosts.FillTree(tree);
    ASSERT_EQ(tree.Children.size(), 1u);
    EXPECT_EQ(tree.Children[0]->Caption, "Hosts");
    EXPECT_TRUE(tree.Children[0]->Children.empty());
}

TEST(Hosts, HandWrittenFileLoadsDepthFirst)
{
    THostsTestDir dir;
    dir.CopyFixture("Hosts-handwritten.xml", "Hosts.xml");
    const std::string before = THostsTestDir::Read(dir.File("Hosts.xml"));
    {
        THosts hosts(dir.Path());
        ASSERT_EQ(hosts.Count(), 3);
        const THost& build = *hosts.Items()[0];
        EXPECT_EQ(build.CommonName, "Build box");
        EXPECT_EQ(build.Port, 21); // "abc"
        EXPECT_EQ(build.Password, "s3cret");
        EXPECT_FALSE(build.IsAnonymous);
        EXPECT_TRUE(build.Passive);
        EXPECT_TRUE(build.UseSSL);
        EXPECT_TRUE(build.UseDefaultDialupConnection);
        EXPECT_EQ(build.DialupConnection, ""); // absent and not read: the default
        EXPECT_FALSE(build.DisconnectDialupAfterDisconnect);
        EXPECT_FALSE(build.UseDefaultProxySettings);
        EXPECT_EQ(build.ProxySettings, (THostProxySettings{fpcmUserPass, "proxy.example.org", 8021, "pu", "plain text"}));
        EXPECT_EQ(build.Bookmarks(), (std::vector<std::string>{"/etc", "/srv/www"}));

        const THost& mirror = *hosts.Items()[1];
        EXPECT_EQ(mirror.CommonName, "Mirror");
        EXPECT_TRUE(mirror.IsAnonymous);
        EXPECT_EQ(mirror.Password, "");
        EXPECT_FALSE(mirror.Passive);
        EXPECT_FALSE(mirror.UseSSL);
        EXPECT_EQ(mirror.DialupConnection, "Modem");
        EXPECT_TRUE(mirror.DisconnectDialupAfterDisconnect);
        EXPECT_TRUE(mirror.UseDefaultProxySettings);
        EXPECT_EQ(mirror.ProxySettings, THostProxySettings{});
        EXPECT_TRUE(mirror.Bookmarks().empty());

        const THost& top = *hosts.Items()[2];
        EXPECT_EQ(top.HostID, "{12345678-9ABC-4DEF-8123-456789ABCDEF}"); // written in lower case
        EXPECT_EQ(top.Password, "pw");
        EXPECT_EQ(top.Port, 2121);
        EXPECT_EQ(hosts.FindByHostID("{12345678-9ABC-4DEF-8123-456789ABCDEF}"), &top);
        EXPECT_EQ(hosts.FindByHostID("{12345678-9abc-4def-8123-456789abcdef}"), nullptr);
        EXPECT_EQ(hosts.FindByHostID("{00000000-0000-0000-0000-000000000000}"), nullptr);

        THostTreeNode tree;
        hosts.FillTree(tree);
        ASSERT_EQ(tree.Children.size(), 1u);
        const THostTreeNode& root = *tree.Children[0];
        ASSERT_EQ(root.Children.size(), 2u);
        const THostTreeNode& work = *root.Children[0];
        EXPECT_EQ(work.Caption, "Work");
        EXPECT_FALSE(work.IsHost());
        ASSERT_EQ(work.Children.size(), 2u);
        EXPECT_EQ(work.Children[0]->Caption, "Servers");
        ASSERT_EQ(work.Children[0]->Children.size(), 1u);
        EXPECT_EQ(*work.Children[0]->Children[0]->Host, build);
        EXPECT_NE(work.Children[0]->Children[0]->Host.get(), &build); // its own copy
        EXPECT_EQ(work.Children[1]->Caption, "Mirror");
        EXPECT_EQ(root.Children[1]->Caption, "Top");
        EXPECT_EQ(hosts.Count(), 3);
    }
    EXPECT_EQ(THostsTestDir::Read(dir.File("Hosts.xml")), before); // loading never rewrites
}

TEST(Hosts, MissingPassiveFailsNamingTheHostAndKeepsEarlierHosts)
{
    THostsTestDir dir;
    dir.CopyFixture("Hosts-missing-passive.xml", "Hosts.xml");
    const std::string broken = THostsTestDir::Read(dir.File("Hosts.xml"));
    try {
        THosts hosts(dir.Path());
        ADD_FAILURE() << "loaded";
    } catch (const EXMLLoadException& e) {
        EXPECT_STREQ(e.what(), "Can't load node with commonname: Broken\r\nReason: Attribute \"Passive\" is missing");
    }

    dir.Write("Hosts.xml", "<?xml version=\"1.0\"?>\r\n<HostList/>\r\n");
    {
        THosts hosts(dir.Path());
        dir.Write("Hosts.xml", broken);
        EXPECT_THROW(hosts.Reload(), EXMLLoadException);
        ASSERT_EQ(hosts.Count(), 1);
        EXPECT_EQ(hosts.Items()[0]->CommonName, "Good");
    }
    EXPECT_EQ(THostsTestDir::Read(dir.File("Hosts.xml")), broken);
}

TEST(Hosts, BadValuesFailTheLoadWithTheirReason)
{
    struct TCase {
        const char* Replace;
        const char* With;
        const char* Reason;
    } cases[] = {
        {"Passive=\"True\"", "Passive=\"yes\"", "'yes' is not a valid boolean value"},
        {"HostID=\"{0E0E0E0E-1111-4222-8333-444444444444}\"", "HostID=\"0E0E0E0E\"", "'0E0E0E0E' is not a valid GUID"},
        {"Password=\"T60lZ7DbUq0-UphDXGhozU\"", "Password=\"T60lZ7DbUq0-UphDXGhoz\"", "password"},
        {"UseDefaultProxySettings=\"True\"", "UseDefaultProxySettings=\"False\" ProxyType=\"9\" ProxyHost=\"\" ProxyPort=\"1\" ProxyUsername=\"\" ProxyPassword=\"\"", "proxy type"},
        {"UseDefaultProxySettings=\"True\"", "UseDefaultProxySettings=\"False\" ProxyType=\"1\" ProxyHost=\"\" ProxyPort=\"x\" ProxyUsername=\"\" ProxyPassword=\"\"", "'x' is not a valid integer"},
        {"UseDefaultProxySettings=\"True\"", "UseDefaultProxySettings=\"False\"", "\"ProxyType\" is missing"},
        {"UseDefaultDialupConnection=\"True\"", "UseDefaultDialupConnection=\"False\"", "\"DialupConnection\" is missing"},
        {"/>", "><Bookmarks><Bookmark/></Bookmarks></Host>", "\"Path\" is missing"},
    };
    const std::string base = THostsTestDir::Read(std::string(TOVREL_FIXTURES_DIR) + "/hosts/Hosts-missing-passive.xml");
    const std::string goodHost = base.substr(base.find("  <Host CommonName=\"Good\""), base.find("\r\n  <Host CommonName=\"Broken\"") - base.find("  <Host CommonName=\"Good\""));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.With);
        std::string host = goodHost;
        const auto at = host.find(c.Replace);
        ASSERT_NE(at, std::string::npos);
        host.replace(at, std::string(c.Replace).size(), c.With);
        THostsTestDir dir;
        dir.Write("Hosts.xml", "<?xml version=\"1.0\"?>\r\n<HostList>\r\n<Group CommonName=\"G\">" + host + "</Group>\r\n</HostList>\r\n");
        try {
            THosts hosts(dir.Path());
            ADD_FAILURE() << "loaded";
        } catch (const EXMLLoadException& e) {
            EXPECT_THAT(e.what(), HasSubstr("Can't load node with commonname: Good\r\nReason: "));
            EXPECT_THAT(e.what(), HasSubstr(c.Reason));
        }
    }
}

TEST(Hosts, DamagedFileIsRefusedAndLeftAsItWas)
{
    THostsTestDir dir;
    const std::string damaged = "<?xml version=\"1.0\"?>\r\n<HostList><Host CommonName=\"x\"</HostList>";
    dir.Write("Hosts.xml", damaged);
    EXPECT_THROW(THosts hosts(dir.Path()), EXMLParseError);
    EXPECT_EQ(THostsTestDir::Read(dir.File("Hosts.xml")), damaged);
}

TEST(Hosts, SaveThenLoadKeepsEveryFieldGroupsAndAttributeOrder)
{
    THostsTestDir dir;
    const THost full = FullHost();
    THost plain = MakeHost("Plain");
    plain.UseDefaultDialupConnection = true;
    plain.UseDefaultProxySettings = true;
    THost emptyPassword = MakeHost("Empty");
    {
        THosts hosts(dir.Path());
        THostTreeNode tree;
        hosts.FillTree(tree);
        THostTreeNode& group = tree.Children[0]->AddGroup("Group A");
        group.AddGroup("Nested").AddHost(full);
        group.AddHost(plain);
        tree.Children[0]->AddGroup("Empty group");
        tree.Children[0]->AddHost(emptyPassword);
        hosts.ReplaceFromTree(tree);
        ASSERT_EQ(hosts.Count(), 3);
        EXPECT_EQ(*hosts.Items()[0], full);
        hosts.Save();
    }
    const std::string text = THostsTestDir::Read(dir.File("Hosts.xml"));
    EXPECT_THAT(AttributeNames(ElementStartingWith(text, "<Host CommonName=\"Full")),
                ::testing::ElementsAre("CommonName", "Hostname", "Port", "Username", "Password", "IsAnonymous",
                                       "InitialRemoteDirectory", "InitialLocalDirectory", "HostID", "Passive",
                                       "UseSSL", "UseDefaultDialupConnection", "DialupConnection",
                                       "DisconnectDialupAfterDisconnect", "UseDefaultProxySettings", "ProxyType",
                                       "ProxyHost", "ProxyPort", "ProxyUsername", "ProxyPassword"));
    EXPECT_THAT(AttributeNames(ElementStartingWith(text, "<Host CommonName=\"Plain")),
                ::testing::ElementsAre("CommonName", "Hostname", "Port", "Username", "Password", "IsAnonymous",
                                       "InitialRemoteDirectory", "InitialLocalDirectory", "HostID", "Passive",
                                       "UseSSL", "UseDefaultDialupConnection", "DisconnectDialupAfterDisconnect",
                                       "UseDefaultProxySettings"));
    EXPECT_THAT(text, HasSubstr("ProxyType=\"5\""));
    EXPECT_THAT(text, HasSubstr("ProxyPassword=\"proxy pass\""));
    EXPECT_THAT(text, ::testing::Not(HasSubstr("pass word"))); // the login password is protected
    EXPECT_THAT(text, HasSubstr("IsAnonymous=\"True\""));
    EXPECT_THAT(text, HasSubstr("Passive=\"False\""));
    EXPECT_THAT(text, HasSubstr("<Bookmarks>\r\n"));
    EXPECT_THAT(text, HasSubstr("<Bookmark Path=\"/A\"/>\r\n"));
    EXPECT_THAT(ElementStartingWith(text, "<Host CommonName=\"Empty"), ::testing::ContainsRegex("Password=\"[^\"]{22}\""));
    EXPECT_THAT(text, HasSubstr("\r\n  <Group CommonName=\"Group A\">\r\n    <Group CommonName=\"Nested\">\r\n      <Host "));

    THosts again(dir.Path());
    ASSERT_EQ(again.Count(), 3);
    EXPECT_EQ(*again.Items()[0], full);
    EXPECT_EQ(*again.Items()[1], plain);
    EXPECT_EQ(*again.Items()[2], emptyPassword);
    THostTreeNode tree;
    again.FillTree(tree);
    ASSERT_EQ(tree.Children[0]->Children.size(), 3u);
    EXPECT_EQ(tree.Children[0]->Children[1]->Caption, "Empty group");
}

TEST(Hosts, AddOrUpdateChangesAHostInsideAGroupInPlace)
{
    THostsTestDir dir;
    dir.CopyFixture("Hosts-handwritten.xml", "Hosts.xml");
    THosts hosts(dir.Path());
    THost build = *hosts.Items()[0];
    build.Hostname = "new.example.org";
    build.Password = "changed";
    build.UseDefaultProxySettings = true;
    build.AddBookmark("/new");
    hosts.AddOrUpdate(build);

    EXPECT_EQ(hosts.Count(), 3);
    EXPECT_EQ(*hosts.Items()[0], build);
    const std::string text = THostsTestDir::Read(dir.File("Hosts.xml"));
    const auto group = text.find("<Group CommonName=\"Servers\">");
    const auto element = text.find("<Host CommonName=\"Build box\"");
    ASSERT_NE(group, std::string::npos);
    EXPECT_GT(element, group);
    EXPECT_LT(element, text.find("</Group>"));
    EXPECT_EQ(text.find("Hostname=\"build.example.org\""), std::string::npos);
    EXPECT_EQ(text.find("ProxyHost"), std::string::npos); // stale proxy attributes go
    EXPECT_THAT(text, HasSubstr("<Bookmark Path=\"/new\"/>"));
    EXPECT_THAT(text, HasSubstr("<Note Text=\"not a host\"/>")); // the rest of the file is kept

    THosts again(dir.Path());
    ASSERT_EQ(again.Count(), 3);
    build.ProxySettings = {}; // not stored while the default proxy is used
    EXPECT_EQ(*again.Items()[0], build);
}

TEST(Hosts, AddOrUpdateAppendsANewHostAndSaves)
{
    THostsTestDir dir;
    THosts hosts(dir.Path());
    hosts.AddDefaultHosts();
    ASSERT_EQ(hosts.Count(), 3);
    for (const auto& host : hosts.Items()) {
        EXPECT_TRUE(host->IsAnonymous);
        EXPECT_EQ(host->CommonName, host->Hostname);
        EXPECT_FALSE(host->Hostname.empty());
    }
    THost extra = MakeHost("Extra");
    hosts.AddOrUpdate(extra);
    THosts again(dir.Path());
    ASSERT_EQ(again.Count(), 4);
    EXPECT_EQ(*again.Items()[3], extra);
}

TEST(Hosts, SaveRewritesTheRegistryHostIndex)
{
    THostsTestDir dir;
    THosts hosts(dir.Path());
    THost a = MakeHost("Alpha");
    THost b = MakeHost("Beta");
    THost c = MakeHost("Gamma");
    hosts.AddOrUpdate(a);
    hosts.AddOrUpdate(b);

    TRegistry registry(dir.Path());
    std::vector<std::string> expected = {a.HostID, b.HostID};
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(registry.SubKeyNames(THosts::RegistryKey), expected);
    EXPECT_EQ(registry.ReadString(std::string(THosts::RegistryKey) + "\\" + a.HostID, ""), "Alpha");

    // A stale sub-key left by someone else disappears with the next save.
    registry.CreateKey(std::string(THosts::RegistryKey) + "\\{STALE}");
    THostTreeNode tree;
    hosts.FillTree(tree);
    auto& children = tree.Children[0]->Children;
    children.erase(children.begin()); // delete Alpha
    tree.Children[0]->AddGroup("G").AddHost(c);
    hosts.ReplaceFromTree(tree);
    hosts.Save();
    expected = {b.HostID, c.HostID};
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(registry.SubKeyNames(THosts::RegistryKey), expected);
    EXPECT_EQ(registry.ReadString(std::string(THosts::RegistryKey) + "\\" + c.HostID, ""), "Gamma");
}

TEST(Hosts, ReplaceFromTreeWritesNothingToDisk)
{
    THostsTestDir dir;
    THosts hosts(dir.Path());
    const std::string before = THostsTestDir::Read(dir.File("Hosts.xml"));
    THostTreeNode tree;
    hosts.FillTree(tree);
    tree.Children[0]->AddHost(MakeHost("Unsaved"));
    hosts.ReplaceFromTree(tree);
    EXPECT_EQ(hosts.Count(), 1);
    EXPECT_EQ(THostsTestDir::Read(dir.File("Hosts.xml")), before);
    EXPECT_FALSE(TRegistry(dir.Path()).KeyExists(THosts::RegistryKey));
}

TEST(Hosts, FailedSaveKeepsTheOldFile)
{
    THostsTestDir dir;
    const std::string data = dir.Path() + "/data";
    ASSERT_EQ(::mkdir(data.c_str(), 0700), 0);
    THosts hosts(data);
    hosts.AddOrUpdate(MakeHost("Kept"));
    const std::string before = THostsTestDir::Read(data + "/Hosts.xml");
    // Put a plain file where the folder was: no write can succeed, even for root.
    ASSERT_EQ(::rename(data.c_str(), (data + ".away").c_str()), 0);
    dir.Write("data", "not a folder");
    EXPECT_ANY_THROW(hosts.AddOrUpdate(MakeHost("Lost")));
    ASSERT_EQ(::unlink(data.c_str()), 0);
    ASSERT_EQ(::rename((data + ".away").c_str(), data.c_str()), 0);
    EXPECT_EQ(THostsTestDir::Read(data + "/Hosts.xml"), before);
}

TEST(Hosts, HostsUsingTheDefaultDialupConnectionReadTheSetting)
{
    THostsTestDir dir;
    dir.CopyFixture("Hosts-handwritten.xml", "Hosts.xml");
    TMainConfig config(dir.Path());
    config.SetDefaultDialupConnection("Office line");
    TMainConfig::SetInstance(&config);
    THosts hosts(dir.Path());
    TMainConfig::SetInstance(nullptr);
    ASSERT_EQ(hosts.Count(), 3);
    EXPECT_EQ(hosts.Items()[0]->DialupConnection, "Office line"); // uses the default
    EXPECT_EQ(hosts.Items()[1]->DialupConnection, "Modem");       // its own
    EXPECT_EQ(hosts.Items()[2]->DialupConnection, "");            // its own, empty
}
