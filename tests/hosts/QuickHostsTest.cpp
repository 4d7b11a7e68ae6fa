#include "hosts/HostStores.h"
#include "hosts/QuickHosts.h"
#include "hosts/PasswordProtection.h"
#include "hosts/XMLLoadException.h"

#include "hosts/HostsTestSupport.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>


using ::testing::HasSubstr;

namespace {

THost QuickHost(const std::string& name)
{
    THost host(THostDefaults{});
    host.CommonName = name;
    host.Hostname = name;
    host.Username = "u";
    host.Password = "pw of " + name;
    return host;
}

std::string HostLine(const std::string& id, const std::string& extra = {})
{
    return "<Host CommonName=\"h\" Hostname=\"h\" Port=\"21\" Username=\"u\" Password=\"" +
           EncryptPassword(id, "pw") +
           "\" IsAnonymous=\"False\" InitialRemoteDirectory=\"\" InitialLocalDirectory=\"\" HostID=\"" + id +
           "\" Passive=\"True\" UseSSL=\"False\" UseDefaultProxySettings=\"True\"" + extra + "/>";
}

} // namespace

TEST(QuickHosts, RoundTripKeepsFieldsButNoDialupOrBookmarks)
{
    THostsTestDir dir;
    THost proxied = QuickHost("proxied.example.org");
    proxied.Port = 2121;
    proxied.IsAnonymous = true;
    proxied.Passive = false;
    proxied.UseSSL = true;
    proxied.InitialRemoteDirectory = "/pub/";
    proxied.InitialLocalDirectory = "/tmp";
    proxied.UseDefaultProxySettings = false;
    proxied.ProxySettings = {fpcmOpen, "proxy", 3128, "pu", "pp"};
    proxied.AddBookmark("/lost at exit");
    proxied.UseDefaultDialupConnection = true;
    proxied.DialupConnection = "Modem";
    THost plain = QuickHost("plain.example.org");
    plain.UseDefaultProxySettings = true;
    {
        TQuickHosts quick(dir.Path());
        quick.AddOrUpdate(proxied);
        quick.AddOrUpdate(plain);
    }
    const std::string text = THostsTestDir::Read(dir.File("QuickHosts.xml"));
    const auto lineOf = [&](const std::string& name) {
        const auto at = text.find("<Host CommonName=\"" + name);
        return text.substr(at, text.find('>', at) - at);
    };
    EXPECT_THAT(AttributeNames(lineOf("proxied")),
                ::testing::ElementsAre("CommonName", "Hostname", "Port", "Username", "Password", "IsAnonymous",
                                       "InitialRemoteDirectory", "InitialLocalDirectory", "HostID", "Passive",
                                       "UseSSL", "UseDefaultProxySettings", "ProxyType", "ProxyHost", "ProxyPort",
                                       "ProxyUsername", "ProxyPassword"));
    EXPECT_THAT(AttributeNames(lineOf("plain")),
                ::testing::ElementsAre("CommonName", "Hostname", "Port", "Username", "Password", "IsAnonymous",
                                       "InitialRemoteDirectory", "InitialLocalDirectory", "HostID", "Passive",
                                       "UseSSL", "UseDefaultProxySettings"));
    EXPECT_THAT(text, ::testing::Not(HasSubstr("Bookmark")));
    EXPECT_THAT(text, ::testing::Not(HasSubstr("pw of")));

    TQuickHosts again(dir.Path());
    ASSERT_EQ(again.Count(), 2);
    THost expected = proxied;
    expected.ClearBookmarks();
    expected.UseDefaultDialupConnection = false; // the dial-up defaults of a new record
    expected.DialupConnection = "";
    EXPECT_EQ(*again.Items()[0], expected);
    EXPECT_EQ(*again.Items()[1], plain);
}

TEST(QuickHosts, SecondAddOrUpdateOfAnEntryKeepsOneElementWithTheLatestValues)
{
    THostsTestDir dir;
    TQuickHosts quick(dir.Path());
    THost host = QuickHost("a.example.org");
    quick.AddOrUpdate(host);
    host.Port = 990;
    host.Password = "new";
    quick.AddOrUpdate(host);
    ASSERT_EQ(quick.Count(), 1);
    EXPECT_EQ(quick.Items()[0]->Port, 990);
    const std::string text = THostsTestDir::Read(dir.File("QuickHosts.xml"));
    EXPECT_EQ(text.find("<Host "), text.rfind("<Host "));
    TQuickHosts again(dir.Path());
    ASSERT_EQ(again.Count(), 1);
    EXPECT_EQ(again.Items()[0]->Password, "new");
}

TEST(QuickHosts, AnyElementNameWithACommonNameIsAnEntry)
{
    THostsTestDir dir;
    std::string other = HostLine("{22222222-3333-4444-8555-666666666666}");
    other.replace(1, 4, "Server");
    dir.Write("QuickHosts.xml", "<?xml version=\"1.0\"?>\r\n<HostList>\r\n  " + other +
                                    "\r\n  <Note Text=\"no common name\"/>\r\n</HostList>\r\n");
    TQuickHosts quick(dir.Path());
    ASSERT_EQ(quick.Count(), 1);
    EXPECT_EQ(quick.Items()[0]->Password, "pw");
    // Updating keeps the element's own name.
    THost changed = *quick.Items()[0];
    changed.Port = 2;
    quick.AddOrUpdate(changed);
    EXPECT_THAT(THostsTestDir::Read(dir.File("QuickHosts.xml")), HasSubstr("<Server CommonName=\"h\" Hostname=\"h\" Port=\"2\""));
}

TEST(QuickHosts, LowerCaseHostIDLoadsAndIsFoundInUpperCase)
{
    THostsTestDir dir;
    const std::string upper = "{ABCDEF01-2345-4678-89AB-CDEF01234567}";
    std::string lower = upper;
    for (char& c : lower)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    // The password was stored under the upper-case key.
    std::string line = HostLine(upper);
    line.replace(line.find(upper), upper.size(), lower);
    dir.Write("QuickHosts.xml", "<?xml version=\"1.0\"?>\r\n<HostList>" + line + "</HostList>\r\n");
    TQuickHosts quick(dir.Path());
    THost* found = quick.FindByHostID(upper);
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(found->Password, "pw");
    // Updating it rewrites that element rather than adding a second one.
    THost changed = *found;
    changed.Port = 77;
    quick.AddOrUpdate(changed);
    const std::string text = THostsTestDir::Read(dir.File("QuickHosts.xml"));
    EXPECT_EQ(text.find("<Host "), text.rfind("<Host "));
    EXPECT_THAT(text, HasSubstr("Port=\"77\""));
}

TEST(QuickHosts, DeletingTheOnlyEntryLeavesAnEmptyList)
{
    THostsTestDir dir;
    TQuickHosts quick(dir.Path());
    quick.AddOrUpdate(QuickHost("only"));
    quick.Delete(quick.Items()[0].get());
    EXPECT_EQ(quick.Count(), 0);
    EXPECT_EQ(THostsTestDir::Read(dir.File("QuickHosts.xml")), "<?xml version=\"1.0\"?>\r\n<HostList/>\r\n");
    THost stranger = QuickHost("not in the list");
    quick.Delete(&stranger); // ignored
}

TEST(QuickHosts, BadEntriesFailAndEarlierEntriesStay)
{
    const std::string good = HostLine("{22222222-3333-4444-8555-666666666666}");
    std::string noPassive = HostLine("{22222222-3333-4444-8555-666666666667}");
    noPassive.replace(noPassive.find(" Passive=\"True\""), 15, "");
    std::string badBool = HostLine("{22222222-3333-4444-8555-666666666668}");
    badBool.replace(badBool.find("UseSSL=\"False\""), 14, "UseSSL=\"nope\"");
    std::string badPassword = HostLine("{22222222-3333-4444-8555-666666666669}");
    badPassword.replace(badPassword.find("Password=\"") + 10, 1, "");
    const std::string badGuid = HostLine("{22222222-3333-4444-8555-66666666666X}");

    for (const std::string& bad : {noPassive, badBool, badPassword}) {
        SCOPED_TRACE(bad);
        THostsTestDir dir;
        dir.Write("QuickHosts.xml", "<?xml version=\"1.0\"?>\r\n<HostList/>\r\n");
        const std::string file = "<?xml version=\"1.0\"?>\r\n<HostList>" + good + bad + good + "</HostList>";
        {
            TQuickHosts quick(dir.Path());
            dir.Write("QuickHosts.xml", file);
            try {
                quick.Reload();
                ADD_FAILURE() << "loaded";
            } catch (const EXMLLoadException& e) {
                EXPECT_EQ(std::string(e.what()), "Could not read: " + bad);
            }
            EXPECT_EQ(quick.Count(), 1);
        }
        EXPECT_EQ(THostsTestDir::Read(dir.File("QuickHosts.xml")), file); // not rewritten at destruction
    }

    THostsTestDir dir;
    dir.Write("QuickHosts.xml", "<?xml version=\"1.0\"?>\r\n<HostList>" + badGuid + "</HostList>");
    try {
        TQuickHosts quick(dir.Path());
        ADD_FAILURE() << "loaded";
    } catch (const EConvertError& e) {
        EXPECT_THAT(e.what(), HasSubstr("is not a valid GUID value"));
    }
}

TEST(QuickHosts, SavingAllHostStoresWritesBoth)
{
    THostsTestDir dir;
    THosts hosts(dir.Path());
    TQuickHosts quick(dir.Path());
    hosts.AddOrUpdate(QuickHost("saved"));
    quick.AddOrUpdate(QuickHost("quick"));
    THost changed = *hosts.Items()[0];
    changed.AddBookmark("/bookmarked");
    // Bookmarks of a quick-connect entry live only in memory.
    quick.Items()[0]->AddBookmark("/gone");
    THostTreeNode tree;
    hosts.FillTree(tree);
    tree.Children[0]->Children[0]->Host->Assign(changed);
    hosts.ReplaceFromTree(tree);
    SaveHostStores(hosts, quick);
    EXPECT_THAT(THostsTestDir::Read(dir.File("Hosts.xml")), HasSubstr("<Bookmark Path=\"/bookmarked\"/>"));
    TQuickHosts again(dir.Path());
    ASSERT_EQ(again.Count(), 1);
    EXPECT_TRUE(again.Items()[0]->Bookmarks().empty());
}
