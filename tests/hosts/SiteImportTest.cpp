// Sites of other FTP programs: a hand-written site manager file with every
// field and protocol the reader knows, a list of ftp:// addresses, and
// damaged files that must be refused whole with a message naming the fault.
#include "hosts/SiteImport.h"

#include "hosts/HostsTestSupport.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <set>

using ::testing::HasSubstr;

namespace {

std::string Fixture(const std::string& name) { return std::string(TOVREL_FIXTURES_DIR) + "/hosts/import/" + name; }

const THostTreeNode* Child(const THostTreeNode& node, const std::string& caption)
{
    for (const auto& child : node.Children)
        if (child->Caption == caption)
            return child.get();
    return nullptr;
}

std::vector<std::string> Captions(const THostTreeNode& node)
{
    std::vector<std::string> captions;
    for (const auto& child : node.Children)
        captions.push_back(child->Caption);
    return captions;
}

TEST(SiteImport, SiteManagerFileKeepsFoldersAndEveryField)
{
    const TSiteImport sites = TSiteImport::FromFile(Fixture("sitemanager.xml"));
    EXPECT_EQ(sites.Imported, 4);
    EXPECT_EQ(sites.Skipped, 3); // SFTP, implicit TLS, cloud storage
    EXPECT_EQ(sites.PasswordsLeftOut, 1);
    EXPECT_THAT(Captions(sites.Tree), ::testing::ElementsAre("Example & Co", "Mirror", "Work"));

    const THost& example = *Child(sites.Tree, "Example & Co")->Host;
    EXPECT_EQ(example.Hostname, "ftp.example.org");
    EXPECT_EQ(example.Port, 21);
    EXPECT_EQ(example.Username, "alice");
    EXPECT_EQ(example.Password, "s3cret p\xC3\xA4ss");
    EXPECT_FALSE(example.IsAnonymous);
    EXPECT_TRUE(example.UseSSL) << "TLS when offered becomes TLS required";
    EXPECT_TRUE(example.Passive);
    EXPECT_EQ(example.InitialRemoteDirectory, "/home/my files");
    EXPECT_EQ(example.InitialLocalDirectory, "/home/alice/site");

    const THost& mirror = *Child(sites.Tree, "Mirror")->Host;
    EXPECT_EQ(mirror.Port, 2121);
    EXPECT_TRUE(mirror.IsAnonymous);
    EXPECT_FALSE(mirror.UseSSL);
    EXPECT_FALSE(mirror.Passive);

    const THostTreeNode& work = *Child(sites.Tree, "Work");
    ASSERT_FALSE(work.IsHost());
    EXPECT_THAT(Captions(work), ::testing::ElementsAre("Work files", "Deep"));
    const THost& files = *Child(work, "Work files")->Host;
    EXPECT_EQ(files.Password, "plain pw");
    EXPECT_TRUE(files.UseSSL);
    EXPECT_EQ(files.InitialRemoteDirectory, "/srv/ftp");
    // A name written as the site's own text, as older files have it; a
    // password behind a master password cannot be read.
    const THostTreeNode& deep = *Child(work, "Deep");
    ASSERT_EQ(deep.Children.size(), 1u);
    EXPECT_EQ(deep.Children.front()->Caption, "Deep site");
    EXPECT_EQ(deep.Children.front()->Host->Username, "carol");
    EXPECT_EQ(deep.Children.front()->Host->Password, "");
}

TEST(SiteImport, EverySiteGetsANewHostID)
{
    const TSiteImport first = TSiteImport::FromFile(Fixture("sitemanager.xml"));
    const TSiteImport second = TSiteImport::FromFile(Fixture("sitemanager.xml"));
    std::set<std::string> ids;
    std::function<void(const THostTreeNode&)> collect = [&](const THostTreeNode& node) {
        for (const auto& child : node.Children) {
            if (child->IsHost())
                ids.insert(child->Host->HostID);
            collect(*child);
        }
    };
    collect(first.Tree);
    collect(second.Tree);
    EXPECT_EQ(ids.size(), 8u);
}

TEST(SiteImport, AddressListOneSiteALine)
{
    const TSiteImport sites = TSiteImport::FromFile(Fixture("addresses.txt"));
    EXPECT_EQ(sites.Imported, 3);
    EXPECT_EQ(sites.Skipped, 1);
    ASSERT_EQ(sites.Tree.Children.size(), 3u);
    const THost& pub = *sites.Tree.Children[0]->Host;
    EXPECT_EQ(pub.Hostname, "ftp.example.org");
    EXPECT_TRUE(pub.IsAnonymous);
    EXPECT_EQ(pub.InitialRemoteDirectory, "/pub/");
    const THost& dave = *sites.Tree.Children[1]->Host;
    EXPECT_EQ(dave.Username, "dave");
    EXPECT_EQ(dave.Password, "pa@ss");
    EXPECT_EQ(dave.Port, 2121);
    EXPECT_EQ(dave.InitialRemoteDirectory, "/up/dir/");
    EXPECT_EQ(sites.Tree.Children[2]->Host->Hostname, "::1");
    EXPECT_EQ(sites.Tree.Children[2]->Host->Port, 2100);
}

TEST(SiteImport, DamagedFilesAreRefusedWhole)
{
    struct Case {
        const char* File;
        const char* Message;
    } cases[] = {
        {"damaged.xml", "The file is damaged:"},
        {"badport.xml", "The site \"Mirror\" is damaged: Port \"21x\" is not a number"},
        {"badpass.xml", "The site \"Example & Co\" is damaged: its password is not valid base64"},
        {"badline.txt", "Line 2 is not an ftp:// address: this is not an address"},
        {"nosites.xml", "neither a site manager file nor a list of ftp:// addresses"},
        {"missing.xml", "The file could not be read:"},
    };
    for (const Case& c : cases) {
        try {
            TSiteImport::FromFile(Fixture(c.File));
            ADD_FAILURE() << c.File << " was imported";
        } catch (const ESiteImportError& e) {
            EXPECT_THAT(e.what(), HasSubstr(c.Message)) << c.File;
        }
    }
}

TEST(SiteImport, OddInputsGetAClearAnswer)
{
    struct Case {
        std::string Text;
        const char* Message; // nullptr: imported
    } cases[] = {
        {"", "holds no sites"},
        {"# only a comment\n\n", "holds no sites"},
        {"<Root><Servers/></Root>", "holds no sites"},
        {"<R><Servers><Server><Name>x</Name></Server></Servers></R>", "\"x\" is damaged: it has no host name"},
        {"<R><Servers><Server><Host>h</Host><Port>70000</Port></Server></Servers></R>", "port 70000 is out of range"},
        {"<R><Servers><Server><Host>h</Host><Protocol>zero</Protocol></Server></Servers></R>", "Protocol \"zero\""},
        {"<R><Servers><Server><Host>h</Host><RemoteDir>1 0 9 short</RemoteDir></Server></Servers></R>",
         "remote folder cannot be read"},
        {"<R><Servers><Server><Host>h</Host><Pass encoding=\"rot13\">x</Pass></Server></Servers></R>",
         "unknown way (\"rot13\")"},
        {"\xEF\xBB\xBF<R><Servers><Server><Host>h</Host></Server></Servers></R>", nullptr},
        {"ftp://h/\n", nullptr},
    };
    for (const Case& c : cases) {
        try {
            const TSiteImport sites = TSiteImport::FromText(c.Text);
            EXPECT_EQ(c.Message, nullptr) << c.Text;
            EXPECT_EQ(sites.Imported, 1) << c.Text;
        } catch (const ESiteImportError& e) {
            ASSERT_NE(c.Message, nullptr) << c.Text << ": " << e.what();
            EXPECT_THAT(e.what(), HasSubstr(c.Message)) << c.Text;
        }
    }
    std::string deep = "<R><Servers>";
    for (int i = 0; i < 200; ++i)
        deep += "<Folder>f";
    deep += "<Server><Host>h</Host></Server>";
    for (int i = 0; i < 200; ++i)
        deep += "</Folder>";
    deep += "</Servers></R>";
    EXPECT_THROW(TSiteImport::FromText(deep), ESiteImportError);
}

} // namespace
