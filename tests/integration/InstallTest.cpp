#include "platform/DesktopFile.h"
#include "platform/DesktopSwitches.h"
#include "platform/MimeApps.h"
#include "platform/OpenCommand.h"

#include "platform/XdgSandbox.h"

#include <QProcess>

#include <gtest/gtest.h>

// The desktop part of "cmake --install": the entry lands where desktops look
// for it, and turning browser integration on then uses it as it is.
TEST(Install, DesktopEntryAndIconMakeTheInstalledProgramTheFtpHandler)
{
    XdgSandbox xdg;
    const std::string prefix = xdg.Path("prefix");
    QProcess install;
    install.start(TOVREL_CMAKE, {"--install", TOVREL_BINARY_DIR, "--prefix", QString::fromStdString(prefix),
                                 "--component", "desktop"});
    ASSERT_TRUE(install.waitForFinished(60000));
    ASSERT_EQ(install.exitCode(), 0) << install.readAllStandardError().toStdString();

    const std::string entryPath = prefix + "/share/applications/tovrel-ftp.desktop";
    const auto entry = TDesktopFile::Load(entryPath);
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->Value("Desktop Entry", "MimeType"), "x-scheme-handler/ftp;");
    EXPECT_EQ(entry->Value("Desktop Entry", "Icon"), "tovrel-ftp");
    EXPECT_EQ(FillExecLine(*entry->Value("Desktop Entry", "Exec"), "ftp://host/pub/"),
              (std::vector<std::string>{"tovrel-ftp", "ftp://host/pub/"}));
    EXPECT_TRUE(XdgSandbox::Exists(prefix + "/share/icons/hicolor/48x48/apps/tovrel-ftp.png"));

    xdg.Set("XDG_DATA_DIRS", prefix + "/share");
    TDesktopSwitches switches("/somewhere/else/tovrel-ftp", {});
    switches.SetBrowserIntegration(true);
    EXPECT_TRUE(switches.BrowserIntegration());
    EXPECT_EQ(TMimeApps::FindDesktopFile("tovrel-ftp.desktop"), entryPath); // no copy of its own
}
