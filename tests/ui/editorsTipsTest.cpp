// The tip window: the shipped tips copied in on first use, stepping both
// ways with wrap-around through the buttons, the help link shown only for
// tips with a help topic, the missing file text, the start-up switch and
// the German texts.

#include "viewsGuiApp.h"

#include "i18n/LanguageManager.h"
#include "i18n/Tips.h"
#include "store/MainConfig.h"
#include "ui/TipOfTheDayForm.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

namespace fs = std::filesystem;

std::string ReadFile(const fs::path& file)
{
    std::ifstream in(file, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

class TipWindowTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    std::string dataDir = dir.path().toStdString();
    TMainConfig config{dataDir};

    void WriteTips(const std::string& tips)
    {
        std::ofstream(fs::path(dataDir) / "Tips - 1033.xml")
            << "<?xml version=\"1.0\"?>\n<TipList>" << tips << "</TipList>\n";
    }
    static QString Shown(const TTipOfTheDayForm& form) { return form.TipView()->toPlainText(); }
};

TEST_F(TipWindowTest, ShippedTipsAreCopiedAndShownFromTheFirst)
{
    const fs::path shipped = TLanguageManager::DefaultDataDirectories().back() / "Tips" / "Tips - 1033.xml";
    ASSERT_TRUE(fs::exists(shipped));
    TTipOfTheDayForm form(config);
    form.show();
    const fs::path copy = fs::path(dataDir) / "Tips - 1033.xml";
    ASSERT_TRUE(fs::exists(copy));
    EXPECT_EQ(ReadFile(copy), ReadFile(shipped));
    TTips tips(config, dataDir, 1033);
    ASSERT_GE(tips.Items().size(), 12u);
    EXPECT_EQ(Shown(form).toStdString(), tips.Items()[0].Content);
    EXPECT_EQ(config.LastTipIndex(), 0);
}

TEST_F(TipWindowTest, ButtonsStepAndWrapAndTheLinkFollowsTheHelpTopic)
{
    WriteTips("<Tip><Content>zero</Content></Tip>"
              "<Tip HelpID=\"42\"><Content>one</Content></Tip>"
              "<Tip><Content>{\\rtf1 \\b two\\b0  rich}</Content></Tip>");
    config.SetLastTipIndex(0);
    TTipOfTheDayForm form(config, std::vector<fs::path>{});
    form.show();
    EXPECT_EQ(Shown(form), "one");
    EXPECT_FALSE(form.HelpLink()->isHidden());
    EXPECT_EQ(form.HelpTopic(), 42);

    QTest::mouseClick(form.NextButton(), Qt::LeftButton);
    EXPECT_EQ(Shown(form), "two rich");  // RTF shown as rich text
    EXPECT_TRUE(form.TipView()->toHtml().contains("font-weight"));
    EXPECT_TRUE(form.HelpLink()->isHidden());
    QTest::mouseClick(form.NextButton(), Qt::LeftButton);
    EXPECT_EQ(Shown(form), "zero");
    QTest::mouseClick(form.PreviousButton(), Qt::LeftButton);
    EXPECT_EQ(Shown(form), "two rich");
    EXPECT_EQ(config.LastTipIndex(), 2);

    // Read again for every step: an edited file is seen at once.
    WriteTips("<Tip><Content>only</Content></Tip>");
    QTest::mouseClick(form.NextButton(), Qt::LeftButton);
    EXPECT_EQ(Shown(form), "only");
}

TEST_F(TipWindowTest, MissingFileSaysSoAndTheSwitchIsStoredOnClose)
{
    config.SetLastTipIndex(5);
    config.SetShowTipOnStartup(true);
    TTipOfTheDayForm form(config, std::vector<fs::path>{});
    form.show();
    EXPECT_EQ(Shown(form), "Tip file not found.");
    EXPECT_TRUE(form.HelpLink()->isHidden());
    EXPECT_EQ(config.LastTipIndex(), 5);
    EXPECT_TRUE(fs::exists(fs::path(dataDir) / "Tips - 1033.xml"));

    EXPECT_TRUE(form.ShowOnStartupBox()->isChecked());
    form.ShowOnStartupBox()->setChecked(false);
    QTest::keyClick(&form, Qt::Key_Escape);
    EXPECT_FALSE(form.isVisible());
    EXPECT_FALSE(config.ShowTipOnStartup());
}

TEST_F(TipWindowTest, DamagedFileShowsWhyAndStaysAsItWas)
{
    const fs::path file = fs::path(dataDir) / "Tips - 1033.xml";
    std::ofstream(file) << "<TipList><Tip>";
    TTipOfTheDayForm form(config, std::vector<fs::path>{});
    form.show();
    EXPECT_FALSE(Shown(form).isEmpty());
    EXPECT_NE(Shown(form), "Tip file not found.");
    EXPECT_EQ(ReadFile(file), "<TipList><Tip>");
}

TEST_F(TipWindowTest, GermanTextsAndGermanTips)
{
    for (const auto& shipped : TLanguageManager::DefaultDataDirectories())
        LangManager().ScanDirectory(shipped / "Languages");
    TTipOfTheDayForm form(config);
    EXPECT_EQ(form.windowTitle(), "Tip of the day");
    LangManager().SetActiveLanguage(1031);
    EXPECT_EQ(form.windowTitle(), "Tipp des Tages");
    EXPECT_EQ(form.NextButton()->text(), "&Nächster Tipp");
    form.show();  // the German tips are copied in and shown
    EXPECT_TRUE(fs::exists(fs::path(dataDir) / "Tips - 1031.xml"));
    EXPECT_TRUE(Shown(form).contains("F8"));
    LangManager().SetActiveLanguage(TLanguageManager::BuiltInLanguageId);
    EXPECT_EQ(form.NextButton()->text(), "&Next tip");
}

} // namespace
