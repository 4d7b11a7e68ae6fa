// Every window shows its texts in the chosen language: switching to the
// shipped German file changes each window's caption and labels at once, and
// switching back shows exactly the English texts again.

#include "viewsGuiApp.h"

#include "hosts/FileTransferTypes.h"
#include "hosts/Filters.h"
#include "hosts/Hosts.h"
#include "hosts/QuickHosts.h"
#include "i18n/LanguageManager.h"
#include "queue/QueueItem.h"
#include "queue/QueueManager.h"
#include "session/EventDispatcher.h"
#include "session/FTPWorker.h"
#include "session/TransferExceptions.h"
#include "store/MainConfig.h"
#include "ui/AddHostWizard.h"
#include "ui/AdvancedSearchForm.h"
#include "ui/DestinationDirectoryForm.h"
#include "ui/EditBookmarksForm.h"
#include "ui/EditFilterForm.h"
#include "ui/FTPWorkerErrorForm.h"
#include "ui/FileAlreadyExistsForm.h"
#include "ui/FilePropertiesForm.h"
#include "ui/FirstRunWizardForm.h"
#include "ui/HostEditorPages.h"
#include "ui/HostManagerForm.h"
#include "ui/QueueListModel.h"
#include "ui/QueuePage.h"
#include "ui/QuickConnectForm.h"
#include "ui/SettingsForm.h"
#include "ui/SuppressibleDialog.h"
#include "ui/TipOfTheDayForm.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAbstractItemModel>
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>

#include <functional>
#include <memory>
#include <stdexcept>

namespace {

/// The texts a user reads in `window`: its title, labels, buttons, group
/// boxes and tabs, each with the object it belongs to.
QStringList Snapshot(QWidget* window)
{
    QStringList texts{window->windowTitle()};
    for (QLabel* label : window->findChildren<QLabel*>())
        texts << label->text();
    for (QAbstractButton* button : window->findChildren<QAbstractButton*>())
        texts << button->text();
    for (QGroupBox* box : window->findChildren<QGroupBox*>())
        texts << box->title();
    for (QTabWidget* tabs : window->findChildren<QTabWidget*>())
        for (int i = 0; i < tabs->count(); ++i)
            texts << tabs->tabText(i);
    return texts;
}

int Differences(const QStringList& a, const QStringList& b)
{
    int count = 0;
    for (qsizetype i = 0; i < std::min(a.size(), b.size()); ++i)
        count += a[i] != b[i];
    return count;
}

struct TEnglishAfterwards {
    ~TEnglishAfterwards() { LangManager().SetActiveLanguage(TLanguageManager::BuiltInLanguageId); }
};

class LanguageSwitchTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    std::string dataDir = dir.path().toStdString();
    std::unique_ptr<TMainConfig> config;
    std::unique_ptr<THosts> hosts;
    std::unique_ptr<TQuickHosts> quickHosts;
    std::unique_ptr<TFilters> filters;
    std::unique_ptr<TFileTransferTypes> transferTypes;
    TEnglishAfterwards english;

    void SetUp() override
    {
        qputenv("XDG_CONFIG_HOME", dir.path().toUtf8());
        qputenv("XDG_DATA_HOME", dir.path().toUtf8());
        config = std::make_unique<TMainConfig>(dataDir);
        TMainConfig::SetInstance(config.get());
        hosts = std::make_unique<THosts>(dataDir);
        quickHosts = std::make_unique<TQuickHosts>(dataDir);
        filters = std::make_unique<TFilters>(dataDir);
        transferTypes = std::make_unique<TFileTransferTypes>(dataDir);
        LangManager().ScanDirectory(TOVREL_SOURCE_DIR "/Languages"); // registers once per program
        LangManager().SetActiveLanguage(TLanguageManager::BuiltInLanguageId);
    }
    void TearDown() override
    {
        LangManager().SetActiveLanguage(TLanguageManager::BuiltInLanguageId);
        TMainConfig::SetInstance(nullptr);
    }
};

TEST_F(LanguageSwitchTest, EveryWindowFollowsTheLanguageAtOnce)
{
    THost host;
    host.CommonName = "Mirror";
    host.Hostname = "mirror.example";
    host.InitialRemoteDirectory = "/pub/";
    auto item = TQueueItem::NewDownload(host, "/", true, 0, 10, false, "/tmp/", "/f.txt");
    const EFTLocalFileSmallerAlreadyExists smaller(5, 10, "local time", "remote time");
    TFTPWorker worker;
    TPropertyEntry entry;
    entry.Name = "notes.txt";
    entry.Unix = true;
    entry.Permissions = {"rw", "r", "r"};

    struct TWindow {
        const char* Name;
        std::function<std::unique_ptr<QWidget>()> Make;
        int TextsInside = 1; // besides the caption; the error window's texts are the error's
    };
    const TWindow windows[] = {
        {"host manager", [&] { return std::make_unique<THostManagerForm>(*config, *hosts); }},
        {"quick connect", [&] { return std::make_unique<TQuickConnectForm>(*config, *quickHosts); }},
        {"new host", [&] { return std::make_unique<TAddHostWizard>(*config, *hosts); }},
        {"file exists", [&] { return std::make_unique<TFileAlreadyExistsForm>(*item, smaller); }},
        {"destination", [&] { return std::make_unique<TDestinationDirectoryForm>(host); }},
        {"worker error", [&] { return std::make_unique<TFTPWorkerErrorForm>(std::runtime_error("Broken")); }, 0},
        {"message", [&] { return std::make_unique<TSuppressibleDialog>("Sure?", mtConfirmation, mbYes | mbNo); }},
        {"settings", [&] { return std::make_unique<TSettingsForm>(*config, *transferTypes); }},
        {"first run", [&] { return std::make_unique<TFirstRunWizardForm>(*config); }},
        {"properties", [&] { return std::make_unique<TFilePropertiesForm>(worker, std::vector{entry}); }},
        {"search", [&] { return std::make_unique<TAdvancedSearchForm>(worker); }},
        {"bookmarks", [&] { return std::make_unique<TEditBookmarksForm>(host, *hosts, *quickHosts); }},
        {"filters", [&] { return std::make_unique<TEditFilterForm>(*filters); }},
        {"tips", [&] { return std::make_unique<TTipOfTheDayForm>(*config); }},
    };
    for (const TWindow& w : windows) {
        SCOPED_TRACE(w.Name);
        LangManager().SetActiveLanguage(TLanguageManager::BuiltInLanguageId);
        const std::unique_ptr<QWidget> window = w.Make();
        const QStringList englishTexts = Snapshot(window.get());
        LangManager().SetActiveLanguage(1031);
        const QStringList german = Snapshot(window.get());
        ASSERT_EQ(german.size(), englishTexts.size());
        EXPECT_NE(german.front(), englishTexts.front()); // the caption
        EXPECT_GE(Differences(german, englishTexts), 1 + w.TextsInside);
        LangManager().SetActiveLanguage(TLanguageManager::BuiltInLanguageId);
        EXPECT_EQ(Snapshot(window.get()), englishTexts);
    }
}

TEST_F(LanguageSwitchTest, HostWindowsShowTheirGermanTextsAndComposedLines)
{
    LangManager().SetActiveLanguage(1031);
    THostManagerForm manager(*config, *hosts);
    EXPECT_EQ(manager.windowTitle(), "Serververwaltung");
    EXPECT_EQ(manager.Pages().HostIDLabel()->text(), "Server-ID: k. A.");
    EXPECT_EQ(manager.ActionNamed("Delete")->text(), "&Löschen");
    EXPECT_EQ(manager.Pages().DialupList()->itemText(0), "Keine");

    TQuickConnectForm quick(*config, *quickHosts);
    EXPECT_EQ(quick.windowTitle(), "Schnellverbindung");
    EXPECT_EQ(quick.ShowOnStartupBox()->text(), "Schnellverbindung beim &Start anzeigen");

    TAddHostWizard wizard(*config, *hosts);
    EXPECT_EQ(wizard.StepLabel()->text(), "Schritt 1 von 3");
    EXPECT_EQ(wizard.NextButton()->text(), "Weiter >");
    LangManager().SetActiveLanguage(TLanguageManager::BuiltInLanguageId);
    EXPECT_EQ(wizard.StepLabel()->text(), "Step 1 of 3");
    EXPECT_EQ(manager.Pages().HostIDLabel()->text(), "Host-ID: N/A");
    EXPECT_EQ(manager.Pages().DialupList()->itemText(0), "None");

    TEventDispatcher dispatcher;
    TQueueManager queue(dispatcher);
    TQueuePage page(queue, config.get(), nullptr);
    const QAbstractItemModel& columns = page.Model();
    EXPECT_EQ(columns.headerData(1, Qt::Horizontal).toString(), "Progress");
    LangManager().SetActiveLanguage(1031);
    EXPECT_EQ(columns.headerData(1, Qt::Horizontal).toString(), "Fortschritt");
}

} // namespace
