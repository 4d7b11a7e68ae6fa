#include "store/MainConfig.h"

#include "store/DataDirectory.h"
#include "store/ConfigTestSupport.h"
#include "store/FailureInjection.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include <atomic>
#include <filesystem>
#include <functional>
#include <thread>
#include <vector>

namespace {

struct TSettingRow {
    const char* key;
    std::string defaultText;                               // what a fresh config answers
    std::function<std::string(const TMainConfig&)> read;   // typed read, as stored text
    std::function<void(TMainConfig&)> write;               // nullptr: read-only key
    std::string otherText;                                 // a non-default value
};

std::string Text(int v) { return std::to_string(v); }
std::string Text(bool v) { return v ? "True" : "False"; }
std::string Text(const std::string& v) { return v; }
std::string Text(TViewStyle v) { return std::string(ViewStyleToName(v)); }
std::string Text(TFileAlreadyExistsAction v) { return std::string(FileAlreadyExistsActionToName(v)); }
std::string Text(TSortDirection v) { return std::string(SortDirectionToName(v)); }
std::string Text(TFileTransferType v) { return std::string(FileTransferTypeToName(v)); }
std::string Text(TIdFtpProxyType v) { return std::string(IdFtpProxyTypeToName(v)); }

#define ROW(Key, Default, Other)                                                                   \
    TSettingRow{#Key, Text(Default), [](const TMainConfig& c) { return Text(c.Key()); },          \
                [](TMainConfig& c) { c.Set##Key(Other); }, Text(Other)}
#define ROW_R(Key, Default, Other)                                                                 \
    TSettingRow{#Key, Text(Default), [](const TMainConfig& c) { return Text(c.Key()); }, nullptr, \
                Text(Other)}

const std::vector<TSettingRow>& SettingsTable()
{
    static const std::vector<TSettingRow> rows = {
        ROW(LocalViewStyle, vsReport, vsSmallIcon),
        ROW(RemoteViewStyle, vsReport, vsList),
        ROW(LocalFileAlreadyExistsAction, faeAsk, faeOverwrite),
        ROW(LocalFileSmallerAlreadyExistsAction, faeAsk, faeResume),
        ROW(RemoteFileAlreadyExistsAction, faeAsk, faeSkip),
        ROW(RemoteFileSmallerAlreadyExistsAction, faeAsk, faeResume),
        ROW(LocalSortColumn, 0, 2),
        ROW(RemoteHeaderSortColumn, 0, 3),
        ROW(RemoteHeaderSortDirection, sdDescending, sdAscending),
        ROW_R(MaxRemoteMRUPaths, 12, 20),
        ROW(AnonymousEmail, std::string("tovrel@example.com"), std::string("me@host.test")),
        ROW(MaxFTPTransferCount, 3, 5),
        ROW_R(RetryDelay, 30, 10),
        ROW_R(MaxRetryCount, 3, 7),
        ROW(MainFormTop, 100, -20),
        ROW(MainFormLeft, 100, 40),
        ROW(MainFormHeight, 500, 600),
        ROW(MainFormWidth, 700, 800),
        ROW(MainFormMaximized, false, true),
        ROW(BottomPanelHeight, 180, 200),
        ROW(LocalPanelWidth, 340, 300),
        ROW(MainToolbarDockPos, 120, 1),
        ROW(MainToolbarDockRow, 1, 2),
        ROW(MainMenuToolbarDockPos, 0, 3),
        ROW(MainMenuToolbarDockRow, 0, 4),
        ROW(LastConnectedHostID, std::string(), std::string("{00000000-0000-0000-0000-00000000000A}")),
        ROW(LastQuickConnectedHostID, std::string(), std::string("{00000000-0000-0000-0000-00000000000B}")),
        ROW(ShowTipOnStartup, true, false),
        ROW(LastTipIndex, -1, 4),
        ROW(ShowHostManagerOnStartup, false, true),
        ROW(ShowQuickConnectOnStartup, false, true),
        ROW(RememberFormState, true, false),
        ROW(Language, 1033, 1031),
        ROW(TrayIcon, false, true),
        ROW(ShowLocalSelectionPanel, true, false),
        ROW(ShowRemoteSelectionPanel, true, false),
        ROW(PlayQueueOnStartup, false, true),
        ROW(DefaultDialupConnection, std::string(), std::string("Office")),
        ROW(DefaultFileTransferType, fttBinary, fttASCII),
        ROW(DefaultProxyType, fpcmNone, fpcmHttpProxyWithFtp),
        ROW(DefaultProxyHost, std::string(), std::string("proxy.test")),
        ROW(DefaultProxyPort, 0, 2121),
        ROW(DefaultProxyUsername, std::string(), std::string("pu")),
        ROW(DefaultProxyPassword, std::string(), std::string("p&<\"w")),
        ROW(SelectedBottomPageControlIndex, 0, 1),
        ROW(ShowLocalToolbar, true, false),
        ROW(ShowMainToolbar, true, false),
        ROW(ShowQueueLogToolbar, true, false),
        ROW(ShowRemoteToolbar, true, false),
    };
    return rows;
}

#undef ROW
#undef ROW_R

constexpr const char* kEmptyConfig = "<?xml version=\"1.0\"?>\r\n<Config/>\r\n";

class MainConfigTest : public ::testing::Test {
protected:
    TScopedConfigHome home;
};

} // namespace

TEST_F(MainConfigTest, FirstStartCreatesDataDirectoryAndEmptyConfig)
{
    {
        TMainConfig config;
        EXPECT_EQ(config.DataDirectory(), home.DataDir());
        EXPECT_EQ(config.FileName(), home.ConfigFile());
        const QFileInfo dir(QString::fromStdString(home.DataDir()));
        EXPECT_TRUE(dir.isDir());
        EXPECT_EQ(dir.permissions() & (QFile::ReadGroup | QFile::ReadOther | QFile::WriteGroup | QFile::WriteOther),
                  QFile::Permissions()) << "the data directory holds passwords";
        EXPECT_EQ(ReadFileText(home.ConfigFile()), kEmptyConfig);
    }
    EXPECT_EQ(ReadFileText(home.ConfigFile()), kEmptyConfig); // nothing written, nothing saved
}

TEST_F(MainConfigTest, EveryKeyAnswersItsDefaultWhenAbsent)
{
    TMainConfig config;
    for (const auto& row : SettingsTable())
        EXPECT_EQ(row.read(config), row.defaultText) << row.key;
}

TEST_F(MainConfigTest, EveryReaderUsesItsOwnKey)
{
    TMainConfig config;
    for (const auto& row : SettingsTable()) {
        config.WriteValue(row.key, row.otherText);
        EXPECT_EQ(row.read(config), row.otherText) << row.key;
    }
}

TEST_F(MainConfigTest, EveryWriterStoresUnderItsOwnKeyAndSavesOnlyWrittenKeys)
{
    int written = 0;
    {
        TMainConfig config;
        for (const auto& row : SettingsTable()) {
            if (!row.write)
                continue;
            row.write(config);
            EXPECT_EQ(config.ReadValue(row.key, "<absent>"), row.otherText) << row.key;
            ++written;
        }
        config.Save();
    }
    TMainConfig reloaded;
    for (const auto& row : SettingsTable()) {
        const std::string stored = reloaded.ReadValue(row.key, "<absent>");
        if (row.write)
            EXPECT_NE(stored, "<absent>") << row.key;
        else
            EXPECT_EQ(stored, "<absent>") << row.key << " is read-only and must never be written";
    }
    EXPECT_GT(written, 0);
}

TEST_F(MainConfigTest, FileLayoutFollowsOrderOfFirstWrite)
{
    {
        TMainConfig config;
        config.SetLocalViewStyle(vsReport);
        config.SetMaxFTPTransferCount(1);
        config.SetTrayIcon(false);
        config.SetMaxFTPTransferCount(3); // rewritten in place, not appended
        config.Save();
    }
    EXPECT_EQ(ReadFileText(home.ConfigFile()),
              "<?xml version=\"1.0\"?>\r\n"
              "<Config>\r\n"
              "  <LocalViewStyle value=\"vsReport\"/>\r\n"
              "  <MaxFTPTransferCount value=\"3\"/>\r\n"
              "  <TrayIcon value=\"False\"/>\r\n"
              "</Config>\r\n");
}

TEST_F(MainConfigTest, UnsavedChangesAreWrittenWhenTheConfigIsDestroyed)
{
    { TMainConfig config; config.SetLastTipIndex(7); }
    TMainConfig again;
    EXPECT_EQ(again.LastTipIndex(), 7);
}

TEST_F(MainConfigTest, HandMadeValuesAreReadLeniently)
{
    QDir().mkpath(QString::fromStdString(home.DataDir()));
    WriteFileText(home.ConfigFile(),
                  "<?xml version=\"1.0\"?>\n<Config>\n"
                  "<TrayIcon/>\n"                                   // no value: default
                  "<MainFormMaximized value=\"true\"/>\n"
                  "<ShowTipOnStartup value=\"FALSE\"/>\n"
                  "<PlayQueueOnStartup value=\"1\"/>\n"
                  "<RememberFormState value=\"0\"/>\n"
                  "<maxftptransfercount value=\"9\"/>\n"            // other letter case: not the key
                  "<LocalViewStyle value=\"vsreport\"/>\n"          // unknown name: default
                  "<RemoteViewStyle value=\"vsIcon\"/>\n"
                  "<DefaultProxyType value=\"3\"/>\n"               // numbers are not names
                  "<LastTipIndex value=\"-5\"/>\n"
                  "</Config>");
    TMainConfig config;
    EXPECT_FALSE(config.TrayIcon());
    EXPECT_TRUE(config.MainFormMaximized());
    EXPECT_FALSE(config.ShowTipOnStartup());
    EXPECT_TRUE(config.PlayQueueOnStartup());
    EXPECT_FALSE(config.RememberFormState());
    EXPECT_EQ(config.MaxFTPTransferCount(), 3);
    EXPECT_EQ(config.LocalViewStyle(), vsReport);
    EXPECT_EQ(config.RemoteViewStyle(), vsIcon);
    EXPECT_EQ(config.DefaultProxyType(), fpcmNone);
    EXPECT_EQ(config.LastTipIndex(), -5);
    EXPECT_FALSE(config.FirstRun()); // the file existed: not a fresh data directory
}

TEST_F(MainConfigTest, UnconvertibleValuesRaiseExceptForLanguage)
{
    TMainConfig config;
    struct Case { const char* key; const char* value; } cases[] = {
        {"MaxFTPTransferCount", "xyz"}, {"MaxFTPTransferCount", ""}, {"MaxFTPTransferCount", " 3"},
        {"MaxFTPTransferCount", "3.5"}, {"MaxFTPTransferCount", "99999999999"}, {"TrayIcon", "yes"}};
    for (const auto& c : cases) {
        config.WriteValue(c.key, c.value);
        if (std::string_view(c.key) == "TrayIcon")
            EXPECT_THROW(config.TrayIcon(), EConvertError) << c.value;
        else
            EXPECT_THROW(config.MaxFTPTransferCount(), EConvertError) << c.value;
    }
    for (const char* bad : {"xyz", "", "99999999999", "1033x"}) {
        config.WriteValue("Language", bad);
        EXPECT_EQ(config.Language(), 1033) << bad;
    }
    config.WriteValue("Language", "1031");
    EXPECT_EQ(config.Language(), 1031);
}

TEST_F(MainConfigTest, StartupDialogsExcludeEachOther)
{
    TMainConfig config;
    config.SetShowHostManagerOnStartup(true);
    config.SetShowQuickConnectOnStartup(true);
    EXPECT_FALSE(config.ShowHostManagerOnStartup());
    EXPECT_TRUE(config.ShowQuickConnectOnStartup());

    config.SetShowHostManagerOnStartup(false); // False touches only its own key
    EXPECT_TRUE(config.ShowQuickConnectOnStartup());
    config.SetShowQuickConnectOnStartup(false);
    config.SetShowHostManagerOnStartup(true);
    config.SetShowQuickConnectOnStartup(false);
    EXPECT_TRUE(config.ShowHostManagerOnStartup());
}

TEST_F(MainConfigTest, LastQueueDirectoryFallsBackToProgramSettingsFolder)
{
    TMainConfig config;
    const std::string fallback = ProgramDirectory() + "/Settings";
    EXPECT_EQ(config.LastQueueDirectory(), fallback);

    const std::string folder = home.Path() + "/queues";
    QDir().mkpath(QString::fromStdString(folder));
    config.WriteValue("LastQueueDirectory", folder);
    EXPECT_EQ(config.LastQueueDirectory(), folder);

    std::filesystem::remove(folder);
    EXPECT_EQ(config.LastQueueDirectory(), fallback);

    WriteFileText(folder, "a file, not a folder");
    EXPECT_EQ(config.LastQueueDirectory(), fallback);
}

TEST_F(MainConfigTest, FirstRunIsTrueOnlyForAFreshDataDirectoryUntilStored)
{
    {
        TMainConfig config;
        EXPECT_TRUE(config.FirstRun());
        config.SetFirstRun(false); // what the program does after the wizard
        EXPECT_FALSE(config.FirstRun());
        config.Save();
    }
    {
        TMainConfig config;
        EXPECT_FALSE(config.FirstRun());
    }
    std::filesystem::remove(home.ConfigFile());
    { TMainConfig config; } // file created, FirstRun never stored
    TMainConfig later;
    EXPECT_FALSE(later.FirstRun());
    EXPECT_EQ(ReadFileText(home.ConfigFile()), kEmptyConfig); // True is never written
}

TEST_F(MainConfigTest, DialogDefaultsAreNamedIntegerKeys)
{
    TMainConfig config;
    EXPECT_EQ(config.DialogDefault("MainForm_IDS_53"), 0);
    config.SetDialogDefault("MainForm_IDS_53", 6);
    EXPECT_EQ(config.ReadValue("MainForm_IDS_53DialogDefault", ""), "6");
    EXPECT_EQ(config.DialogDefault("MainForm_IDS_53"), 6);
    config.WriteBool("SomeFlag", true);
    EXPECT_TRUE(config.ReadBool("SomeFlag", false));
    EXPECT_EQ(config.ReadInteger("Missing", -3), -3);
}

TEST_F(MainConfigTest, KeysThatAreNotXMLNamesAreRefusedAndTheFileStaysLoadable)
{
    {
        TMainConfig config;
        for (const char* key : {"", "Two Words", "1st", "a<b", "x\"y", "-lead", "xmlThing"})
            EXPECT_THROW(config.WriteValue(key, "1"), std::invalid_argument) << key;
        EXPECT_THROW(config.SetDialogDefault("bad name", 1), std::invalid_argument);
        config.WriteValue("Fine_Key-1.2", "ok");
        config.SetAnonymousEmail("a<b>&\"c'\t\r\n");
        config.Save();
    }
    TMainConfig reloaded;
    EXPECT_EQ(reloaded.ReadValue("Fine_Key-1.2", ""), "ok");
    EXPECT_EQ(reloaded.AnonymousEmail(), "a<b>&\"c'\t\r\n");
}

TEST_F(MainConfigTest, FailedSaveRaisesAndKeepsFileAndValues)
{
    TMainConfig config;
    config.SetMaxFTPTransferCount(4);
    config.Save();
    const std::string saved = ReadFileText(home.ConfigFile());
    const int result = RunWithFileSizeLimit(saved.size(), [&] {
        config.SetAnonymousEmail(std::string(100, 'a') + "@example.com");
        try {
            config.Save();
            return 1;
        } catch (const EXMLSaveError&) {
        }
        return config.AnonymousEmail().size() == 112 && config.MaxFTPTransferCount() == 4 ? 0 : 2;
    });
    EXPECT_EQ(result, 0);
    EXPECT_EQ(ReadFileText(home.ConfigFile()), saved);
}

TEST_F(MainConfigTest, DamagedConfigRaisesAndIsLeftUntouched)
{
    QDir().mkpath(QString::fromStdString(home.DataDir()));
    const std::string broken = "<?xml version=\"1.0\"?>\r\n<Config><TrayIcon value=\"True\">";
    WriteFileText(home.ConfigFile(), broken);
    EXPECT_THROW(TMainConfig(), EXMLParseError);
    EXPECT_EQ(ReadFileText(home.ConfigFile()), broken);
}

TEST_F(MainConfigTest, RegistrySwitchesGoThroughTheInstalledImplementation)
{
    struct TFakeSwitches : IRegistrySwitches {
        bool browser = false, menu = false, start = false;
        bool BrowserIntegration() const override { return browser; }
        void SetBrowserIntegration(bool v) override { browser = v; }
        bool ExplorerContextMenu() const override { return menu; }
        void SetExplorerContextMenu(bool v) override { menu = v; }
        bool StartWithSystem() const override { return start; }
        void SetStartWithSystem(bool v) override { start = v; }
    };
    TMainConfig config;
    config.SetBrowserIntegration(true);
    EXPECT_FALSE(config.BrowserIntegration()); // nothing installed: reads False, ignores writes

    auto fake = std::make_shared<TFakeSwitches>();
    config.SetRegistrySwitches(fake);
    config.SetBrowserIntegration(true);
    config.SetExplorerContextMenu(true);
    config.SetStartWithSystem(true);
    EXPECT_TRUE(fake->browser && fake->menu && fake->start);
    EXPECT_TRUE(config.BrowserIntegration() && config.ExplorerContextMenu() && config.StartWithSystem());
    config.Save();
    EXPECT_EQ(ReadFileText(home.ConfigFile()), kEmptyConfig); // switches never reach the file

    config.SetRegistrySwitches(nullptr);
    EXPECT_FALSE(config.StartWithSystem());
}

TEST_F(MainConfigTest, ProcessWideInstance)
{
    TMainConfig::SetInstance(nullptr);
    EXPECT_THROW(MainConfig(), std::logic_error);
    {
        TMainConfig config;
        TMainConfig::SetInstance(&config);
        EXPECT_EQ(&MainConfig(), &config);
    }
    EXPECT_EQ(TMainConfig::Instance(), nullptr); // a destroyed instance is never handed out
}

TEST_F(MainConfigTest, WorkersReadWhileTheUserInterfaceWritesAndSaves)
{
    TMainConfig config;
    std::atomic<bool> stop{false};
    std::atomic<int> bad{0};
    std::vector<std::thread> readers;
    for (int t = 0; t < 3; ++t)
        readers.emplace_back([&] {
            while (!stop.load()) {
                const int count = config.MaxFTPTransferCount();
                if (count < 1 || count > 10)
                    ++bad;
                if (config.AnonymousEmail().empty() || config.DefaultFileTransferType() != fttBinary)
                    ++bad;
            }
        });
    for (int i = 0; i < 300; ++i) {
        config.SetMaxFTPTransferCount(1 + i % 10);
        config.SetAnonymousEmail("user" + std::to_string(i) + "@example.com");
        config.WriteInteger("Key" + std::to_string(i % 20), i);
        if (i % 50 == 0)
            config.Save();
    }
    stop = true;
    for (auto& r : readers)
        r.join();
    EXPECT_EQ(bad.load(), 0);
}

TEST(MainConfigGivenDirectory, UsesTheFolderAsGivenWithoutTheEnvironment)
{
    QTemporaryDir dir;
    const std::string path = dir.path().toStdString();
    {
        TMainConfig config(path + "/");
        EXPECT_EQ(config.DataDirectory(), path);
        EXPECT_TRUE(config.FirstRun());
        config.SetTrayIcon(true);
    }
    EXPECT_EQ(ReadFileText(path + "/Config.xml"),
              "<?xml version=\"1.0\"?>\r\n<Config>\r\n  <TrayIcon value=\"True\"/>\r\n</Config>\r\n");
    EXPECT_THROW(TMainConfig(path + "/missing"), EInOutError);
}

TEST(DataDirectory, ResolvesUnderConfigHomeAndCreatesOnlyTheLastLevel)
{
    TScopedConfigHome home;
    qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(home.Path() + "/"));
    EXPECT_EQ(ResolveDataDirectory(), home.DataDir()); // no doubled separator, no trailing one

    qputenv("XDG_CONFIG_HOME", "relative/ignored"); // only absolute paths count
    EXPECT_EQ(ResolveDataDirectory(), home.Path() + "/.config/Tovrel FTP") << "falls back to ~/.config";
    EXPECT_TRUE(QFileInfo(QString::fromStdString(home.Path() + "/.config/Tovrel FTP")).isDir());
}

TEST(DataDirectory, FailureRaisesInOutError)
{
    TScopedConfigHome home;
    qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(home.Path() + "/missing/deeper"));
    EXPECT_THROW(ResolveDataDirectory(), EInOutError);
    EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(home.Path() + "/missing")));
    EXPECT_THROW(TMainConfig(), EInOutError);

    qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(home.Path()));
    WriteFileText(home.DataDir(), "a file where the folder belongs");
    EXPECT_THROW(ResolveDataDirectory(), EInOutError);
}

TEST(SettingsTypes, NamesRoundTripInOrdinalOrder)
{
    const std::vector<std::string_view> views = {"vsIcon", "vsSmallIcon", "vsList", "vsReport"};
    for (std::size_t i = 0; i < views.size(); ++i) {
        EXPECT_EQ(ViewStyleToName(static_cast<TViewStyle>(i)), views[i]);
        EXPECT_EQ(ViewStyleFromName(views[i]), static_cast<TViewStyle>(i));
    }
    EXPECT_EQ(FileAlreadyExistsActionFromName("faeSkip"), faeSkip);
    EXPECT_EQ(SortDirectionFromName("sdAscending"), sdAscending);
    EXPECT_EQ(FileTransferTypeFromName("fttASCII"), fttASCII);
    EXPECT_EQ(IdFtpProxyTypeFromName("fpcmCustomProxy"), fpcmCustomProxy);
    EXPECT_EQ(IdFtpProxyTypeToName(fpcmUserPass), "fpcmUserPass");
    EXPECT_EQ(ViewStyleFromName("VSREPORT"), std::nullopt);
    EXPECT_EQ(ViewStyleToName(static_cast<TViewStyle>(9)), "");
}
