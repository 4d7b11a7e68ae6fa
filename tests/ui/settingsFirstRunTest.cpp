// The first-run wizard: its pages and buttons, the language it switches to
// at once, and the first start of the program in a fresh data directory.

#include "mainformHarness.h"
#include "settingsSupport.h"

#include "hosts/Filters.h"
#include "hosts/Hosts.h"
#include "store/MainConfig.h"
#include "ui/DialogHooks.h"
#include "ui/FirstRunWizardForm.h"
#include "ui/MainForm.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

using namespace settingstest;

namespace {

int RowOf(QListWidget* list, int languageId)
{
    for (int i = 0; i < list->count(); ++i)
        if (list->item(i)->data(Qt::UserRole).toInt() == languageId)
            return i;
    return -1;
}

} // namespace

TEST(FirstRunWizard, PagesStepsAndTheChoice)
{
    EnsureTestApplication();
    TScopedConfigHome home;
    TMainConfig config;
    TFirstRunWizardForm wizard(config);
    wizard.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&wizard));
    EXPECT_EQ(wizard.windowTitle(), QStringLiteral("First run"));
    EXPECT_FALSE(wizard.windowFlags() & Qt::WindowCloseButtonHint);
    EXPECT_FALSE(wizard.CancelButton()->isEnabled());

    struct TStep {
        const char* Caption;
        const char* Step;
        const char* Next;
        bool Back;
    };
    const TStep steps[] = {{"Introduction", "Step 1 of 3", "Next >", false},
                           {"Language", "Step 2 of 3", "Next >", true},
                           {"Startup", "Step 3 of 3", "Finish", true}};
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(wizard.Page(), i);
        EXPECT_EQ(wizard.CaptionLabel()->text(), QString::fromLatin1(steps[i].Caption));
        EXPECT_EQ(wizard.StepLabel()->text(), QString::fromLatin1(steps[i].Step));
        EXPECT_EQ(wizard.NextButton()->text(), QString::fromLatin1(steps[i].Next));
        EXPECT_EQ(wizard.BackButton()->isEnabled(), steps[i].Back);
        // Escape does not end the wizard.
        QTest::keyClick(&wizard, Qt::Key_Escape);
        EXPECT_TRUE(wizard.isVisible());
        if (i < 2)
            wizard.NextButton()->click();
    }
    EXPECT_TRUE(wizard.SampleHostsBox()->isChecked());
    EXPECT_TRUE(wizard.AddHostWizardBox()->isChecked());
    wizard.BackButton()->click();
    EXPECT_EQ(wizard.Page(), 1);
    wizard.NextButton()->click();
    wizard.AddHostWizardBox()->setChecked(false);
    wizard.NextButton()->click();
    EXPECT_FALSE(wizard.isVisible());
    EXPECT_EQ(wizard.result(), QDialog::Accepted);

    const TFirstRunChoice choice = wizard.Choice();
    EXPECT_TRUE(choice.AddSampleHosts);
    EXPECT_FALSE(choice.ShowAddHostWizard);
    EXPECT_EQ(choice.Language, 1033);
}

TEST(FirstRunWizard, ChosenLanguageShowsAtOnce)
{
    EnsureTestApplication();
    TEnglishAfterwards english;
    RegisterGerman();
    TScopedConfigHome home;
    TMainConfig config;
    TFirstRunWizardForm wizard(config);
    wizard.show();
    wizard.NextButton()->click();
    const int german = RowOf(wizard.Languages(), 1031);
    ASSERT_GE(german, 0);
    EXPECT_EQ(wizard.Languages()->currentItem()->data(Qt::UserRole).toInt(), 1033);

    wizard.Languages()->setCurrentRow(german);
    EXPECT_EQ(LangManager().ActiveLanguageId(), 1031);
    EXPECT_EQ(wizard.windowTitle(), QStringLiteral("Erster Start"));
    EXPECT_EQ(wizard.CaptionLabel()->text(), QStringLiteral("Sprache"));
    EXPECT_EQ(wizard.StepLabel()->text(), QStringLiteral("Schritt 2 von 3"));
    EXPECT_EQ(wizard.NextButton()->text(), QStringLiteral("Weiter >"));
    EXPECT_EQ(wizard.SampleHostsBox()->text(), QStringLiteral("Ja, bitte einige &Beispielserver hinzufügen"));
    EXPECT_EQ(wizard.Choice().Language, 1031);
}

TEST(FirstRunWizard, AFreshDataDirectoryStartsWithTheWizard)
{
    TMainWindowHarness harness;
    TMainConfig& config = harness.Config();
    config.SetShowTipOnStartup(false);
    TFilters filters(harness.DataDir());
    bool asked = false;
    {
        TMainForm form(config, filters);
        InstallDialogHooks(form, config);
        harness.OnNextModal([&asked](QWidget* window) {
            auto* wizard = qobject_cast<TFirstRunWizardForm*>(window);
            if (!wizard)
                return;
            asked = true;
            wizard->NextButton()->click();
            wizard->NextButton()->click();
            wizard->AddHostWizardBox()->setChecked(false);
            wizard->NextButton()->click();
        });
        form.show();
        ASSERT_TRUE(WaitUntil([&form] { return form.DelayedStartupDone(); }));
        EXPECT_TRUE(asked);
        EXPECT_GT(form.Hosts().Count(), 0);
        EXPECT_FALSE(config.FirstRun());
        EXPECT_EQ(config.Language(), 1033);
        form.CloseWithoutQuestion();
    }
    EXPECT_GT(THosts(harness.DataDir()).Count(), 0);
    harness.Destroy();
}
