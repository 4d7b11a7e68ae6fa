// Window texts: entries shown from the active language, English where the
// file has no entry, and everything re-applied when the language changes.

#include "viewsGuiApp.h"

#include "i18n/LanguageManager.h"
#include "ui/WindowTexts.h"

#include <gtest/gtest.h>

#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>

#include <fstream>

TEST(WindowTexts, FollowTheActiveLanguage)
{
    QTemporaryDir dir;
    const std::filesystem::path folder = dir.path().toStdString();
    std::ofstream(folder / "Probe.lng") << "LANGID = 1046\n[ProbeForm]\n1 = Titel\n2 = &Knopf\n0 = ignored\n";
    ASSERT_EQ(LangManager().ScanDirectory(folder), 1);

    QDialog window;
    auto* label = new QLabel(&window);
    auto* button = new QPushButton(&window);
    int applied = 0;
    auto* texts = new TWindowTexts(&window, QStringLiteral("ProbeForm"));
    texts->AddTitle(1, QStringLiteral("Title"));
    texts->AddText(2, button, QStringLiteral("&Button"));
    texts->AddText(3, label, QStringLiteral("Only English"));
    texts->SetOnApplied([&applied] { ++applied; });

    EXPECT_EQ(window.windowTitle(), QStringLiteral("Title"));
    LangManager().SetActiveLanguage(1046);
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Titel"));
    EXPECT_EQ(button->text(), QStringLiteral("&Knopf"));
    EXPECT_EQ(label->text(), QStringLiteral("Only English"));
    EXPECT_EQ(applied, 1);

    LangManager().SetActiveLanguage(TLanguageManager::BuiltInLanguageId);
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Title"));
    EXPECT_EQ(button->text(), QStringLiteral("&Button"));
}
