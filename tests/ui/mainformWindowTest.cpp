// The main window without a server: the enabling rules, the close question
// and its suppression, the layout kept across a restart, the menus built
// from hosts and filters, the simple find and the local pane's rules.

#include "mainformHarness.h"

#include "hosts/Filters.h"
#include "hosts/Hosts.h"
#include "i18n/LanguageManager.h"
#include "store/MainConfig.h"
#include "ui/ActionTable.h"
#include "ui/LocalPane.h"
#include "ui/MainForm.h"
#include "ui/RemoteListView.h"
#include "ui/SuppressibleDialog.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QSet>
#include <QSplitter>
#include <QTabWidget>
#include <QTest>
#include <QToolBar>
#include <QToolButton>
#include <QTreeView>

namespace {

struct TRuleCase {
    const char* State;
    TActionState Now;
    std::vector<std::pair<TEnableRule, bool>> Expected;
};

TActionState State(bool connected, bool authenticated, bool busy, bool queue, bool localReal = true)
{
    TActionState s;
    s.Connected = connected;
    s.Authenticated = authenticated;
    s.Busy = busy;
    s.QueueHasItems = queue;
    s.LocalFolderIsReal = localReal;
    return s;
}

using R = TEnableRule;

// Menus (and submenus) where two entries share a mnemonic letter.
QStringList MenusWithRepeatedMnemonics(const QList<QAction*>& entries, const QString& where)
{
    QStringList repeated;
    QSet<QChar> letters;
    for (QAction* entry : entries) {
        const QString text = entry->text();
        const qsizetype amp = text.indexOf(QLatin1Char('&'));
        if (amp >= 0 && amp + 1 < text.size() && text[amp + 1] != QLatin1Char('&')) {
            const QChar letter = text[amp + 1].toLower();
            if (letters.contains(letter))
                repeated << where + QStringLiteral(": ") + text;
            letters.insert(letter);
        }
        if (entry->menu())
            repeated << MenusWithRepeatedMnemonics(entry->menu()->actions(), where + QLatin1Char('/') + text);
    }
    return repeated;
}

} // namespace

TEST(MainFormActionRules, EachRuleInEachConnectionState)
{
    const std::vector<TRuleCase> cases = {
        {"not connected", State(false, false, false, false),
         {{R::erAlways, true}, {R::erConnected, false}, {R::erAuthenticated, false}, {R::erWorkerBusy, false},
          {R::erQueue, false}, {R::erLocalFolder, true}}},
        {"connecting (busy)", State(false, false, true, false),
         {{R::erConnected, false}, {R::erAuthenticated, false}, {R::erWorkerBusy, true}}},
        {"connected, not logged in", State(true, false, false, false),
         {{R::erConnected, true}, {R::erAuthenticated, false}, {R::erWorkerBusy, false}}},
        {"logged in, idle", State(true, true, false, true),
         {{R::erConnected, true}, {R::erAuthenticated, true}, {R::erWorkerBusy, false}, {R::erQueue, true}}},
        {"logged in, listing", State(true, true, true, false),
         {{R::erConnected, true}, {R::erAuthenticated, false}, {R::erWorkerBusy, true}, {R::erQueue, false}}},
        {"local folder gone", State(false, false, false, false, false), {{R::erLocalFolder, false}}},
    };
    for (const TRuleCase& c : cases)
        for (const auto& [rule, enabled] : c.Expected)
            EXPECT_EQ(RuleAllows(rule, c.Now), enabled) << c.State << ", rule " << static_cast<int>(rule);

    // The table itself: names unique, the documented shortcuts present.
    const auto defs = MainFormActionDefs();
    for (std::size_t i = 0; i < defs.size(); ++i)
        EXPECT_EQ(ActionIndex(defs[i].Name), static_cast<int>(i)) << defs[i].Name;
    const std::pair<const char*, const char*> shortcuts[] = {
        {"EditHostsAction", "F4"}, {"ConnectAction", "Ctrl+D"}, {"QuickConnectAction", "F8"},
        {"RefreshProxyAction", "F5"}, {"SimpleFileFindProxyAction", "Ctrl+F"}, {"RemoteSelectAllAction", "Ctrl+A"},
        {"HelpAction", "F1"}, {"MinimizeToTrayAction", "F9"}};
    for (const auto& [name, key] : shortcuts)
        EXPECT_STREQ(defs[static_cast<std::size_t>(ActionIndex(name))].Shortcut, key) << name;
}

class MainFormWindow : public ::testing::Test {
protected:
    TMainWindowHarness window;
};

TEST_F(MainFormWindow, DisconnectedWindowFollowsTheRulesAndShowsItsParts)
{
    window.Open();
    TMainForm& form = window.Form();
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Tovrel FTP"));
    EXPECT_EQ(form.HostSelector()->text(), QStringLiteral("Select a host"));
    EXPECT_EQ(form.BottomPages()->tabText(0), QStringLiteral("Queue"));
    EXPECT_EQ(form.BottomPages()->tabText(1), QStringLiteral("Log"));
    EXPECT_FALSE(form.RemoteList()->isEnabled());
    const TActionState now = form.ActionState();
    EXPECT_FALSE(now.Connected);
    for (const TActionDef& def : MainFormActionDefs()) {
        if (def.Rule == R::erRemotePopup || def.Rule == R::erQueuePopup)
            continue;
        EXPECT_EQ(form.Action(def.Name)->isEnabled(), RuleAllows(def.Rule, now)) << def.Name;
    }
    // Every toolbar button has an icon, also without a desktop theme.
    for (QToolBar* bar : form.findChildren<QToolBar*>())
        for (QToolButton* button : bar->findChildren<QToolButton*>()) {
            if (button->defaultAction()) {
                EXPECT_FALSE(button->icon().isNull()) << button->text().toStdString();
            }
        }
    EXPECT_FALSE(form.HostSelector()->icon().isNull());
    EXPECT_FALSE(form.windowIcon().isNull());
    // The Connect action without any host connected before does nothing.
    form.Action("ConnectAction")->trigger();
    EXPECT_FALSE(form.IsBusy());
    EXPECT_TRUE(form.CurrentHost().Hostname.empty());
}

TEST_F(MainFormWindow, CloseQuestionNoKeepsTheWindowAndSuppressedYesClosesWithoutAsking)
{
    window.Open();
    QString question;
    window.OnNextModal([&](QWidget* dialog) {
        if (auto* text = dialog->findChild<QLabel*>(QStringLiteral("message")))
            question = text->text();
        ClickButton(dialog, QStringLiteral("No"));
    });
    EXPECT_FALSE(window.Close());
    EXPECT_TRUE(window.ModalAnswered());
    EXPECT_EQ(question, QStringLiteral("Are you sure you want to close?"));
    // Still fully working: the local pane answers, the actions run.
    EXPECT_TRUE(window.Form().isVisible());
    window.Form().Action("LocalCDUPAction")->trigger();
    EXPECT_EQ(window.Form().LocalPane()->Directory(), QDir::cleanPath(QDir(QDir::homePath()).absoluteFilePath("..")));

    // Yes with "Don't show this confirmation again" checked.
    window.OnNextModal([](QWidget* dialog) {
        auto* box = qobject_cast<TSuppressibleDialog*>(dialog);
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(box->DontShowAgainBox()->text(), QStringLiteral("Don't show this confirmation again"));
        box->DontShowAgainBox()->setChecked(true);
        ClickButton(dialog, QStringLiteral("Yes"));
    });
    EXPECT_TRUE(window.Close());
    window.Destroy();

    // From now on closing never asks, whatever answer was remembered.
    for (int remembered : {mrYes, mrNo}) {
        window.Config().SetDialogDefault("IDS_53", remembered);
        window.Open();
        bool asked = false;
        window.OnNextModal([&](QWidget* dialog) {
            asked = true;
            ClickButton(dialog, QStringLiteral("Yes"));
        });
        EXPECT_TRUE(window.Close()) << remembered;
        EXPECT_FALSE(asked) << remembered;
        window.Destroy();
    }
}

TEST_F(MainFormWindow, LayoutSortAndToolbarsSurviveARestart)
{
    window.Config().SetDialogDefault("IDS_53", mrYes);
    window.Open();
    TMainForm& form = window.Form();
    form.resize(900, 640);
    form.move(40, 30);
    form.PaneSplitter()->setSizes({300, 600});
    form.BottomSplitter()->setSizes({420, 150});
    form.BottomPages()->setCurrentIndex(1);
    form.Action("ShowRemoteToolbarAction")->trigger();  // hide it
    form.findChild<QAction*>(QStringLiteral("LocalViewStyle2"))->trigger();
    form.RemoteList()->Model().HeaderClicked(1);  // by size
    form.RemoteList()->Model().HeaderClicked(1);  // and back to front
    QCoreApplication::processEvents();
    const int localWidth = form.PaneSplitter()->sizes().first();
    const int bottomHeight = form.BottomSplitter()->sizes().last();
    ASSERT_TRUE(window.Close());
    window.Destroy();

    window.Open();
    TMainForm& again = window.Form();
    EXPECT_EQ(again.size(), QSize(900, 640));
    EXPECT_EQ(again.PaneSplitter()->sizes().first(), localWidth);
    EXPECT_EQ(again.BottomSplitter()->sizes().last(), bottomHeight);
    EXPECT_EQ(again.BottomPages()->currentIndex(), 1);
    EXPECT_FALSE(again.Action("ShowRemoteToolbarAction")->isChecked());
    EXPECT_FALSE(again.findChild<QToolBar*>(QStringLiteral("RemoteToolbar"))->isVisible());
    EXPECT_TRUE(again.findChild<QToolBar*>(QStringLiteral("MainToolbar"))->isVisible());
    EXPECT_TRUE(again.findChild<QAction*>(QStringLiteral("LocalViewStyle2"))->isChecked());
    EXPECT_EQ(again.LocalPane()->ViewStyle(), 2);
    EXPECT_EQ(again.RemoteList()->Model().SortColumn(), 1);
    EXPECT_EQ(again.RemoteList()->Model().SortState(), 0);
    EXPECT_EQ(window.Config().SelectedBottomPageControlIndex(), 1);
    EXPECT_EQ(window.Config().LocalViewStyle(), vsList);
    EXPECT_EQ(window.Config().RemoteHeaderSortDirection(), sdAscending);
}

TEST_F(MainFormWindow, HostMenusListEveryHostAndTheSelectorShowsTheLastUsed)
{
    THost first;
    first.CommonName = "Twin";
    first.Hostname = "192.0.2.1";
    first.NewHostID();
    THost second = first;
    second.Hostname = "192.0.2.2";
    second.NewHostID();
    {
        THosts hosts(window.DataDir());
        hosts.AddOrUpdate(first);
        hosts.AddOrUpdate(second);
    }
    window.Config().SetLastConnectedHostID(second.HostID);
    {
        TFilters filters(window.DataDir());
        for (const char* name : {"A", "B", "C"})
            filters.Add(TFilter(name, "*.txt"));
        filters.Save();
    }
    window.Open();
    TMainForm& form = window.Form();
    QStringList connectTo;
    for (QAction* entry : form.ConnectToMenu()->actions())
        connectTo << entry->text();
    EXPECT_EQ(connectTo, (QStringList{"Twin", "Twin"}));
    EXPECT_EQ(form.HostSelector()->text(), QStringLiteral("Twin"));
    EXPECT_EQ(form.HostSelector()->toolTip(), QStringLiteral("Connect to Twin"));
    EXPECT_EQ(form.HostSelector()->menu()->actions().value(1)->data().toInt(), 1);

    for (QMenu* menu : {form.RemoteFilterMenu(), form.LocalFilterMenu()}) {
        QStringList entries;
        for (QAction* entry : menu->actions())
            entries << (entry->isSeparator() ? QStringLiteral("-") : entry->text());
        EXPECT_EQ(entries, (QStringList{"C", "B", "A", "-", "Edit filters..."}));
    }
    // Rebuilding keeps one set of entries.
    form.RebuildFilterMenus();
    EXPECT_EQ(form.RemoteFilterMenu()->actions().size(), 5);
}

TEST_F(MainFormWindow, LocalPaneKeepsParentRowOnTopAndFindsAndFiltersNames)
{
    const QString base = QString::fromStdString(window.home.Path()) + QStringLiteral("/local");
    QDir().mkpath(base + QStringLiteral("/beta folder"));
    for (const char* name : {"alpha.txt", "Gamma.TXT", "delta.bin"}) {
        QFile file(base + QLatin1Char('/') + QString::fromLatin1(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("1234");
    }
    window.Open();
    TLocalPane* pane = window.Form().LocalPane();
    ASSERT_TRUE(pane->SetDirectory(base));
    ASSERT_TRUE(WaitUntil([&] { return pane->RowNames().size() == 5; })) << pane->RowNames().join(',').toStdString();
    EXPECT_EQ(pane->RowNames(), (QStringList{"..", "beta folder", "alpha.txt", "delta.bin", "Gamma.TXT"}));
    auto* details = pane->findChild<QTreeView*>(QStringLiteral("LocalList"));
    details->sortByColumn(0, Qt::DescendingOrder);
    EXPECT_EQ(pane->RowNames(), (QStringList{"..", "Gamma.TXT", "delta.bin", "alpha.txt", "beta folder"}));
    details->sortByColumn(0, Qt::AscendingOrder);

    // Select all leaves ".." out of the selection and the summary.
    pane->SelectAll();
    EXPECT_EQ(pane->SelectedPaths().size(), 4u);
    EXPECT_EQ(pane->SummaryText(), QStringLiteral("3 files and 1 directories selected. Total size: 1 KB"));

    // A filter with two masks, applied twice, selects the same rows.
    details->clearSelection();
    const TFilter filter("Text", "*.txt;*.bin");
    pane->SelectMatching(filter);
    pane->SelectMatching(filter);
    EXPECT_EQ(pane->SelectedPaths().size(), 3u);

    // The find wraps from the last row to the first match.
    details->clearSelection();
    details->selectionModel()->select(details->model()->index(4, 0, details->rootIndex()),
                                      QItemSelectionModel::Select | QItemSelectionModel::Rows);
    ASSERT_TRUE(pane->FindNext(QStringLiteral("BETA")));
    ASSERT_EQ(pane->SelectedPaths().size(), 1u);
    EXPECT_EQ(QFileInfo(QString::fromStdString(pane->SelectedPaths().front())).fileName(), QStringLiteral("beta folder"));

    // New directory: created, selected, its name open for editing.
    const QString made = pane->MakeNewDirectory();
    EXPECT_EQ(QFileInfo(made).fileName(), QStringLiteral("New Folder"));
    EXPECT_TRUE(WaitUntil([&] { return OpenEditor(pane->CurrentView()) != nullptr; }));
    QLineEdit* editor = OpenEditor(pane->CurrentView());
    ASSERT_NE(editor, nullptr);
    editor->selectAll();
    QTest::keyClicks(editor, QStringLiteral("Renamed here"));
    QTest::keyClick(editor, Qt::Key_Return);
    EXPECT_TRUE(WaitUntil([&] { return QFileInfo(base + QStringLiteral("/Renamed here")).isDir(); }));
    EXPECT_EQ(QFileInfo(pane->MakeNewDirectory()).fileName(), QStringLiteral("New Folder"));
    EXPECT_EQ(QFileInfo(pane->MakeNewDirectory()).fileName(), QStringLiteral("New Folder (2)"));

    // ".." goes up.
    details->setFocus();
    details->setCurrentIndex(details->model()->index(0, 0, details->rootIndex()));
    QTest::keyClick(details, Qt::Key_Return);
    EXPECT_EQ(pane->Directory(), QDir::cleanPath(QString::fromStdString(window.home.Path())));
}

TEST_F(MainFormWindow, HelpWithoutAHelpFileNamesTheMissingFile)
{
    window.Open();
    if (QFileInfo::exists(QString::fromStdString(LangManager().HelpFileName().string())))
        GTEST_SKIP() << "a help file is installed";
    QString text;
    window.OnNextModal([&](QWidget* dialog) {
        for (QLabel* label : dialog->findChildren<QLabel*>())
            if (label->text().contains(QStringLiteral("help file")))
                text = label->text();
        ClickButton(dialog, QStringLiteral("OK"));
    });
    window.Form().Action("HelpAction")->trigger();
    EXPECT_TRUE(text.startsWith(QStringLiteral("Could not locate help file ("))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("Help - 1033.html")));
}

TEST_F(MainFormWindow, GermanTextsReplaceMenusActionsAndColumnsAtOnceAndBack)
{
    window.Open();
    TMainForm& form = window.Form();
    for (const auto& shipped : TLanguageManager::DefaultDataDirectories())
        LangManager().ScanDirectory(shipped / "Languages");
    LangManager().ScanDirectory(std::filesystem::path(TOVREL_SOURCE_DIR) / "Languages");
    QAction* fileMenu = form.menuBar()->actions().value(0);
    ASSERT_NE(fileMenu, nullptr);
    const auto column = [&](int c) { return form.RemoteList()->Model().headerData(c, Qt::Horizontal).toString(); };
    EXPECT_EQ(fileMenu->text(), QStringLiteral("&File"));
    EXPECT_EQ(form.Action("ConnectAction")->text(), QStringLiteral("&Connect"));
    EXPECT_EQ(column(1), QStringLiteral("Size"));

    LangManager().SetActiveLanguage(1031);
    EXPECT_EQ(fileMenu->text(), QStringLiteral("&Datei"));
    EXPECT_EQ(form.Action("ConnectAction")->text(), QStringLiteral("&Verbinden"));
    EXPECT_EQ(form.Action("RemoteMakeDirAction")->toolTip(), QStringLiteral("Verzeichnis erstellen"));
    EXPECT_EQ(column(1), QStringLiteral("Größe"));
    EXPECT_EQ(form.BottomPages()->tabText(1), QStringLiteral("Protokoll"));
    EXPECT_EQ(form.HostSelector()->text(), QStringLiteral("Server auswählen"));
    // Every text the window has in English has its German one.
    const auto defs = MainFormActionDefs();
    for (std::size_t i = 0; i < defs.size(); ++i) {
        const int index = static_cast<int>(i);
        if (*defs[i].Caption) {
            EXPECT_TRUE(LangManager().WindowText("MainForm", ActionCaptionEntry(index))) << defs[i].Name;
        }
        if (*defs[i].Hint) {
            EXPECT_TRUE(LangManager().WindowText("MainForm", ActionHintEntry(index))) << defs[i].Name;
        }
    }
    for (int entry = 201; entry <= 228; ++entry)
        EXPECT_TRUE(LangManager().WindowText("MainForm", entry)) << entry;
    EXPECT_EQ(MenusWithRepeatedMnemonics(form.menuBar()->actions(), QStringLiteral("menu bar")), QStringList());
    for (const char* popup : {"RemotePopupMenu", "QueuePopupMenu"})
        EXPECT_EQ(MenusWithRepeatedMnemonics(form.findChild<QMenu*>(QLatin1String(popup))->actions(),
                                             QLatin1String(popup)),
                  QStringList());

    LangManager().SetActiveLanguage(TLanguageManager::BuiltInLanguageId);
    EXPECT_EQ(fileMenu->text(), QStringLiteral("&File"));
    EXPECT_EQ(form.Action("ConnectAction")->text(), QStringLiteral("&Connect"));
    EXPECT_EQ(column(1), QStringLiteral("Size"));
    EXPECT_EQ(form.BottomPages()->tabText(1), QStringLiteral("Log"));
}
