#include "i18n/LanguageManager.h"
#include "i18n/LocalizationError.h"
#include "i18n/StringTable.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTemporaryDir>

#include <algorithm>
#include <atomic>
#include <fstream>
#include <thread>

namespace {

const std::filesystem::path kShippedLanguages = std::filesystem::path(TOVREL_BINARY_DIR) / "Languages";

class LanguageManagerTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir_.isValid()); }

    std::filesystem::path Dir() const { return dir_.path().toStdString(); }

    std::filesystem::path Write(const std::string& name, const std::string& bytes) {
        const std::filesystem::path path = Dir() / name;
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }

    QTemporaryDir dir_;
    TLanguageManager manager_;
};

} // namespace

TEST_F(LanguageManagerTest, ScanRegistersOnlyFilesWithAUsableLanguageId) {
    Write("a-french.lng", "LANGID=1036\n[$CONSTANTS]\nMainForm_strYes=&Oui\n");
    Write("b-nolangid.lng", "Name=Nobody\n[$CONSTANTS]\nMainForm_strYes=?\n");
    Write("c-zero.lng", "LANGID=0\n");
    Write("d-english.lng", "LANGID=1033\n");
    Write("e-word.lng", "LANGID=german\n");
    Write("f-german.LNG", "LANGID=1031\n");
    Write("g-german-again.lng", "LANGID=1031\n");
    Write("h-italian.txt", "LANGID=1040\n");
    std::filesystem::create_directory(Dir() / "sub");
    Write("sub/i-dutch.lng", "LANGID=1043\n");

    EXPECT_EQ(manager_.ScanDirectory(Dir(), "*.lng"), 2);
    ASSERT_EQ(manager_.LanguageCount(), 3);
    EXPECT_EQ(manager_.LanguageIdAt(0), 1033);
    EXPECT_TRUE(manager_.LanguageAt(0).Path.empty());
    EXPECT_EQ(manager_.LanguageIdAt(1), 1036);
    EXPECT_EQ(manager_.LanguageAt(1).Path.filename(), "a-french.lng");
    EXPECT_EQ(manager_.LanguageIdAt(2), 1031);
    EXPECT_EQ(manager_.LanguageAt(2).Path.filename(), "f-german.LNG");
    EXPECT_THROW(manager_.LanguageAt(3), std::out_of_range);

    EXPECT_EQ(manager_.ScanDirectory(Dir() / "does-not-exist"), 0);
}

TEST_F(LanguageManagerTest, UnknownOrOutOfRangeLanguageSelectsEnglishSilently) {
    Write("fr.lng", "LANGID=1036\n[$CONSTANTS]\nMainForm_strYes=&Oui\n");
    manager_.ScanDirectory(Dir());
    manager_.SetActiveLanguage(1036);
    ASSERT_EQ(manager_.Text("MainForm_strYes"), "&Oui");

    for (const int id : {1031, 0, -1, 70000}) {
        SCOPED_TRACE(id);
        EXPECT_NO_THROW(manager_.SetActiveLanguage(id));
        EXPECT_EQ(manager_.ActiveLanguageId(), 1033);
        EXPECT_EQ(manager_.Text("MainForm_strYes"), "&Yes");
    }
}

TEST_F(LanguageManagerTest, FileOverridesByNameAndKeepsEnglishForTheRest) {
    Write("fr.lng",
          "LANGID=1036\n"
          "[$constants]\n"
          "mainform_stryes=&Oui\n"
          "MainForm_IDS_54=Ligne\\n\\nDeux\n"
          "NotInTheTable=ignored\n"
          "[MainForm]\n"
          "4=Fichier\n");
    manager_.ScanDirectory(Dir());
    manager_.SetActiveLanguage(1036);
    EXPECT_EQ(manager_.ActiveLanguageId(), 1036);
    EXPECT_EQ(manager_.Text("MAINFORM_STRYES"), "&Oui");
    EXPECT_EQ(manager_.Text("MainForm_IDS_54"), "Ligne\r\n\r\nDeux");
    EXPECT_EQ(manager_.Text("MainForm_strNo"), "&No");
    EXPECT_EQ(manager_.WindowText("mainform", 4), "Fichier");
    EXPECT_EQ(manager_.WindowText("MainForm", 5), std::nullopt);
    EXPECT_THROW(manager_.Text("NotInTheTable"), ELocalizationError);

    manager_.SetActiveLanguage(1033);
    EXPECT_TRUE(manager_.WindowTexts("MainForm").empty());
}

TEST_F(LanguageManagerTest, MissingConstantNamesItself) {
    try {
        manager_.Text("MainForm_strNoSuchThing");
        FAIL() << "no error raised";
    } catch (const ELocalizationError& e) {
        EXPECT_STREQ(e.what(), "Constant \"MainForm_strNoSuchThing\" not found");
    }
}

TEST_F(LanguageManagerTest, UnreadableLanguageKeepsTheActiveOneAndStartFallsBackToEnglish) {
    Write("fr.lng", "LANGID=1036\n[$CONSTANTS]\nMainForm_strYes=&Oui\n");
    const auto gone = Write("it.lng", "LANGID=1040\n[$CONSTANTS]\nMainForm_strYes=&S\xEC\n");
    manager_.ScanDirectory(Dir());
    manager_.SetActiveLanguage(1036);
    std::filesystem::remove(gone);

    EXPECT_THROW(manager_.SetActiveLanguage(1040), ELocalizationError);
    EXPECT_EQ(manager_.ActiveLanguageId(), 1036);
    EXPECT_EQ(manager_.Text("MainForm_strYes"), "&Oui");

    TLanguageManager fresh;
    QTemporaryDir data;
    std::filesystem::create_directories(std::filesystem::path(data.path().toStdString()) / "Languages");
    const auto file = std::filesystem::path(data.path().toStdString()) / "Languages" / "it.lng";
    std::ofstream(file, std::ios::binary) << "LANGID=1040\n";
    // The file disappears between the scan and the switch.
    fresh.ScanDirectory(file.parent_path());
    std::filesystem::remove(file);
    EXPECT_FALSE(fresh.Start({data.path().toStdString()}, 1040));
    EXPECT_EQ(fresh.ActiveLanguageId(), 1033);
    EXPECT_EQ(fresh.Text("MainForm_strYes"), "&Yes");
}

TEST_F(LanguageManagerTest, SwitchingToShippedGermanChangesMessagesAndNotifies) {
    ASSERT_TRUE(std::filesystem::exists(kShippedLanguages / "Deutsch.lng"));
    int notified = 0;
    std::string seen;
    auto subscription = manager_.SubscribeLanguageChanged([&] {
        ++notified;
        seen = manager_.Text("MainForm_strRSSTConnected");
    });

    EXPECT_TRUE(manager_.Start({std::filesystem::path(TOVREL_BINARY_DIR)}, 1031));
    EXPECT_EQ(manager_.ActiveLanguageId(), 1031);
    EXPECT_EQ(notified, 1);
    EXPECT_EQ(seen, "Verbunden");
    EXPECT_EQ(manager_.Text("MainForm_strRSFTPRemoteFileNotFound"), "Die entfernte Datei wurde nicht gefunden.");
    EXPECT_EQ(manager_.LanguageNameAt(1), "Deutsch");
    EXPECT_EQ(manager_.HelpFileName().filename(), "Help - 1031.html");

    subscription.Reset();
    manager_.SetActiveLanguage(1033);
    EXPECT_EQ(notified, 1);
    EXPECT_EQ(manager_.Text("MainForm_strRSSTConnected"), "Connected");
    EXPECT_EQ(manager_.HelpFileName().filename(), "Help - 1033.html");
}

TEST_F(LanguageManagerTest, SubscriptionsDetachAndMayOutliveTheManager) {
    int first = 0, second = 0;
    TLanguageSubscription keep;
    {
        auto manager = std::make_unique<TLanguageManager>();
        TLanguageSubscription other;
        keep = manager->SubscribeLanguageChanged([&] {
            ++first;
            other.Reset();  // a handler may detach another one
        });
        other = manager->SubscribeLanguageChanged([&] { ++second; });
        manager->SetActiveLanguage(1033);
        manager->SetActiveLanguage(1033);
        EXPECT_EQ(first, 2);
        EXPECT_EQ(second, 0);
    }
    EXPECT_TRUE(keep.Attached());
    keep.Reset();
    EXPECT_FALSE(keep.Attached());
}

TEST_F(LanguageManagerTest, DisplayNames) {
    Write("x.lng", "LANGID=1031\n");
    Write("y.lng", "LANGID=4711\n");
    manager_.ScanDirectory(Dir());
    ASSERT_EQ(manager_.LanguageCount(), 3);
    EXPECT_FALSE(manager_.LanguageNameAt(0).empty());
    EXPECT_NE(manager_.LanguageNameAt(0), "1033");
    EXPECT_EQ(manager_.LanguageNameAt(1), "Deutsch");
    EXPECT_EQ(manager_.LanguageNameAt(2), "4711");
}

TEST_F(LanguageManagerTest, LookupsRunWhileAnotherThreadSwitches) {
    manager_.ScanDirectory(kShippedLanguages);
    std::atomic<bool> stop{false};
    std::thread switcher([&] {
        for (int i = 0; i < 50; ++i) manager_.SetActiveLanguage(i % 2 ? 1031 : 1033);
        stop = true;
    });
    while (!stop) {
        const std::string text = manager_.Text("MainForm_strRSSTConnected");
        ASSERT_TRUE(text == "Connected" || text == "Verbunden") << text;
    }
    switcher.join();
}

TEST(LangManager, ProcessWideAccessorFetchesByName) {
    EXPECT_EQ(LoadStr("MainForm_strRSSTConnected"), LangManager().Text("MainForm_strRSSTConnected"));
    EXPECT_EQ(&LangManager(), &LangManager());
    EXPECT_THROW(LoadStr("NoSuchName"), ELocalizationError);
}

TEST(LangManager, ProgramRunFromTheBuildTreeFindsTheCopiedLanguages) {
    EXPECT_TRUE(TLanguageManager::DefaultDataDirectories().empty());  // no application object yet
    int argc = 1;
    char name[] = "test_i18n";
    char* argv[] = {name, nullptr};
    const QCoreApplication app(argc, argv);
    const auto dirs = TLanguageManager::DefaultDataDirectories();
    const auto build = std::filesystem::path(TOVREL_BINARY_DIR).lexically_normal();
    EXPECT_NE(std::find(dirs.begin(), dirs.end(), build), dirs.end());

    TLanguageManager manager;
    EXPECT_TRUE(manager.Start(dirs, 1031));
    EXPECT_EQ(manager.Text("MainForm_strRSSTConnected"), "Verbunden");
}
