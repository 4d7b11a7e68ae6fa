#include "platform/DesktopSwitches.h"

#include "hosts/Hosts.h"
#include "platform/DesktopFile.h"
#include "platform/FileManagerEntries.h"
#include "platform/OpenCommand.h"
#include "platform/Registry.h"
#include "store/MainConfig.h"

#include "platform/XdgSandbox.h"

#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <unistd.h>

namespace {

const std::string kExe = "/opt/tovrel ftp/bin/tovrel-ftp";

class DesktopSwitchesTest : public ::testing::Test {
protected:
    XdgSandbox xdg;
    std::vector<TUploadEntry> entries{{1, "Work server"}, {0, "Home/NAS"}};
    TDesktopSwitches switches{kExe, [this] { return entries; }};

    std::string MimeApps() const { return xdg.ConfigHome() + "/mimeapps.list"; }
    std::string ScriptFolder() const { return xdg.DataHome() + "/nautilus/scripts/Tovrel FTP"; }
    std::string ServiceMenu() const { return xdg.DataHome() + "/kio/servicemenus/tovrel-ftp-upload.desktop"; }
};

bool IsExecutable(const std::string& path)
{
    return QFileInfo(QString::fromStdString(path)).isExecutable();
}

} // namespace

TEST_F(DesktopSwitchesTest, ReadingNeverCreatesAnything)
{
    const std::string before = xdg.Listing();
    EXPECT_FALSE(switches.BrowserIntegration());
    EXPECT_FALSE(switches.ExplorerContextMenu());
    EXPECT_FALSE(switches.StartWithSystem());
    EXPECT_EQ(xdg.Listing(), before);
    // Turning off what is not on writes nothing either.
    switches.SetBrowserIntegration(false);
    switches.SetExplorerContextMenu(false);
    switches.SetStartWithSystem(false);
    EXPECT_EQ(xdg.Listing(), before);
}

TEST_F(DesktopSwitchesTest, BrowserIntegrationInstallsTheEntryAndKeepsTheUsersOtherChoices)
{
    xdg.Write(MimeApps(), "# mine\n[Default Applications]\ntext/plain=gedit.desktop;\n"
                          "x-scheme-handler/ftp=other-ftp.desktop;\n[Removed Associations]\n"
                          "x-scheme-handler/ftp=tovrel-ftp.desktop;\n");
    switches.SetBrowserIntegration(true);
    EXPECT_TRUE(switches.BrowserIntegration());

    const auto entry = TDesktopFile::Load(xdg.DataHome() + "/applications/tovrel-ftp.desktop");
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->Value("Desktop Entry", "MimeType"), "x-scheme-handler/ftp;");
    EXPECT_EQ(FillExecLine(*entry->Value("Desktop Entry", "Exec"), "ftp://host/pub/"),
              (std::vector<std::string>{kExe, "ftp://host/pub/"}));
    const auto list = TDesktopFile::Load(MimeApps());
    EXPECT_EQ(list->Value("Default Applications", "x-scheme-handler/ftp"), "tovrel-ftp.desktop;other-ftp.desktop;");
    EXPECT_EQ(list->Value("Default Applications", "text/plain"), "gedit.desktop;");
    EXPECT_FALSE(list->Value("Removed Associations", "x-scheme-handler/ftp"));

    switches.SetBrowserIntegration(false);
    EXPECT_FALSE(switches.BrowserIntegration());
    const std::string after = XdgSandbox::Read(MimeApps());
    EXPECT_NE(after.find("# mine\n"), std::string::npos);
    EXPECT_NE(after.find("x-scheme-handler/ftp=other-ftp.desktop;"), std::string::npos) << after;
    EXPECT_NE(after.find("text/plain=gedit.desktop;"), std::string::npos);
}

TEST_F(DesktopSwitchesTest, BrowserIntegrationUsesAnInstalledEntryAndFailsQuietlyWithoutRights)
{
    xdg.Write(xdg.SystemData() + "/applications/tovrel-ftp.desktop",
              "[Desktop Entry]\nType=Application\nExec=tovrel-ftp %u\n");
    switches.SetBrowserIntegration(true);
    EXPECT_TRUE(switches.BrowserIntegration());
    EXPECT_FALSE(XdgSandbox::Exists(xdg.DataHome() + "/applications/tovrel-ftp.desktop"));

    // A list that cannot be written: the switch stays as it reads.
    switches.SetBrowserIntegration(false);
    QFile::setPermissions(QString::fromStdString(xdg.ConfigHome()), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    switches.SetBrowserIntegration(true);
    QFile::setPermissions(QString::fromStdString(xdg.ConfigHome()),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    if (::geteuid() != 0) { // root writes anyway
        EXPECT_FALSE(switches.BrowserIntegration());
    }
}

TEST_F(DesktopSwitchesTest, StartWithSystemReadsAnyProgramAndWritingTrueNamesThisOne)
{
    const std::string path = xdg.ConfigHome() + "/autostart/tovrel-ftp.desktop";
    xdg.Write(path, "[Desktop Entry]\nType=Application\nExec=/old/place/tovrel-ftp\n");
    EXPECT_TRUE(switches.StartWithSystem());
    switches.SetStartWithSystem(true);
    EXPECT_EQ(FillExecLine(*TDesktopFile::Load(path)->Value("Desktop Entry", "Exec"), ""),
              std::vector<std::string>{kExe});
    EXPECT_TRUE(switches.StartWithSystem());

    xdg.Write(path, "[Desktop Entry]\nExec=tovrel-ftp\nHidden=true\n");
    EXPECT_FALSE(switches.StartWithSystem());
    xdg.Write(path, "[Desktop Entry]\nExec=tovrel-ftp\nX-GNOME-Autostart-enabled=false\n");
    EXPECT_FALSE(switches.StartWithSystem());
    xdg.Write(path, "[Desktop Entry]\nExec=\n");
    EXPECT_FALSE(switches.StartWithSystem());

    switches.SetStartWithSystem(true);
    EXPECT_TRUE(switches.StartWithSystem());
    switches.SetStartWithSystem(false);
    EXPECT_FALSE(XdgSandbox::Exists(path));
    EXPECT_FALSE(switches.StartWithSystem());
}

TEST_F(DesktopSwitchesTest, ContextMenuWritesOneUploadEntryPerHostAndRemovesOnlyItsOwnFiles)
{
    xdg.Write(ScriptFolder() + "/my own script", "#!/bin/sh\n");
    switches.SetExplorerContextMenu(true);
    EXPECT_TRUE(switches.ExplorerContextMenu());

    const auto menu = TDesktopFile::Load(ServiceMenu());
    ASSERT_TRUE(menu);
    EXPECT_TRUE(IsExecutable(ServiceMenu()));
    EXPECT_EQ(menu->Value("Desktop Entry", "Actions"), "upload1;upload0;"); // host tree order
    EXPECT_EQ(menu->Value("Desktop Action upload0", "Name"), "Upload to Home/NAS");
    EXPECT_EQ(FillExecLine(*menu->Value("Desktop Action upload1", "Exec"), "/home/u/a b.txt"),
              (std::vector<std::string>{kExe, "--upload", "1", "/home/u/a b.txt"}));
    EXPECT_TRUE(IsExecutable(ScriptFolder() + "/Upload to Work server"));
    EXPECT_TRUE(IsExecutable(ScriptFolder() + "/Upload to Home_NAS"));

    entries = {{0, "Only one"}};
    switches.SetExplorerContextMenu(true);
    EXPECT_FALSE(XdgSandbox::Exists(ScriptFolder() + "/Upload to Work server"));
    EXPECT_TRUE(XdgSandbox::Exists(ScriptFolder() + "/Upload to Only one"));

    switches.SetExplorerContextMenu(false);
    EXPECT_FALSE(XdgSandbox::Exists(ServiceMenu()));
    EXPECT_FALSE(XdgSandbox::Exists(ScriptFolder() + "/Upload to Only one"));
    EXPECT_TRUE(XdgSandbox::Exists(ScriptFolder() + "/my own script"));
    EXPECT_TRUE(switches.ExplorerContextMenu()); // the folder is still there, with the user's script
    QFile::remove(QString::fromStdString(ScriptFolder() + "/my own script"));
    switches.SetExplorerContextMenu(false);
    EXPECT_FALSE(switches.ExplorerContextMenu());
}

TEST_F(DesktopSwitchesTest, NautilusScriptHandsTheSelectionToTheProgram)
{
    // A stand-in program that records its arguments.
    QTemporaryDir bin;
    const std::string record = bin.path().toStdString() + "/args";
    const std::string program = bin.path().toStdString() + "/tovrel-ftp";
    xdg.Write(program, "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done > '" + record + "'\n");
    QFile::setPermissions(QString::fromStdString(program), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    TFileManagerEntries(program).Write({{4, "It's \"quoted\" $HOME"}});

    QProcess nautilus; // as Nautilus runs scripts: in the folder, with the selected names
    nautilus.setWorkingDirectory(bin.path());
    nautilus.start(QString::fromStdString(ScriptFolder() + "/Upload to It's \"quoted\" $HOME"),
                   {"a file.txt", "sub dir"});
    ASSERT_TRUE(nautilus.waitForFinished(10000));
    EXPECT_EQ(XdgSandbox::Read(record), "--upload\n4\na file.txt\nsub dir\n");
}

TEST_F(DesktopSwitchesTest, SavingTheHostTreeRewritesTheEntriesWhenSwitchedOn)
{
    QTemporaryDir data;
    const std::string dir = data.path().toStdString();
    TMainConfig config(dir);
    TDesktopSwitches::Install(config, kExe);

    THosts hosts(dir);
    THost first;
    first.CommonName = "Zeta";
    hosts.AddOrUpdate(first);
    EXPECT_FALSE(XdgSandbox::Exists(ServiceMenu())); // switched off: nothing written

    config.SetExplorerContextMenu(true);
    EXPECT_TRUE(config.ExplorerContextMenu());
    EXPECT_TRUE(XdgSandbox::Exists(ScriptFolder() + "/Upload to Zeta"));
    THost second;
    second.CommonName = "Alpha";
    hosts.AddOrUpdate(second);
    const auto menu = TDesktopFile::Load(ServiceMenu());
    ASSERT_TRUE(menu);
    // Entries in host tree order; each index is the host's place in the
    // registry host index, which the running program resolves.
    const auto ids = TRegistry(dir).SubKeyNames(THosts::RegistryKey);
    ASSERT_EQ(ids.size(), 2u);
    const int zeta = ids[0] == first.HostID ? 0 : 1;
    EXPECT_EQ(menu->Value("Desktop Entry", "Actions"),
              "upload" + std::to_string(zeta) + ";upload" + std::to_string(1 - zeta) + ";");
    EXPECT_EQ(menu->Value("Desktop Action upload" + std::to_string(zeta), "Name"), "Upload to Zeta");
    EXPECT_TRUE(XdgSandbox::Exists(ScriptFolder() + "/Upload to Alpha"));

    TDesktopSwitches::Uninstall(config);
    THost third;
    third.CommonName = "Gamma";
    hosts.AddOrUpdate(third);
    EXPECT_FALSE(XdgSandbox::Exists(ScriptFolder() + "/Upload to Gamma"));
    EXPECT_FALSE(config.ExplorerContextMenu()); // the settings' stand-in again
}
