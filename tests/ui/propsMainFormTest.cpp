// The properties window and the advanced search opened from the main
// window's actions: the selection they are given, and the folder listed
// again afterwards with the selection kept.

#include "ui/mainformHarness.h"

#include "session/FTPWorker.h"
#include "ui/AdvancedSearchForm.h"
#include "ui/DialogHooks.h"
#include "ui/FilePropertiesForm.h"
#include "ui/MainForm.h"
#include "ui/RemoteListView.h"
#include "ui/SearchResultModel.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

TEST(RemoteFileWindows, OpenFromTheMainWindowWithItsSelectionAndFolder)
{
    EnsureTestApplication();
    FixtureTree tree;
    VsftpdServer server(tree.Root());
    TMainWindowHarness window;
    window.StoreHost(server);
    window.Open();
    InstallDialogHooks(window.Form(), window.Config());
    ASSERT_TRUE(window.Connect()) << server.Log();

    // ".." is not an entry of this folder: it is left out.
    window.SelectRemote({"..", "hello.txt", "empty.bin"});
    std::size_t entries = 0;
    QString count;
    window.OnNextModal([&](QWidget* modal) {
        auto* form = qobject_cast<TFilePropertiesForm*>(modal);
        ASSERT_NE(form, nullptr);
        entries = form->Entries().size();
        count = form->CountLabel()->text();
        form->reject();
    });
    window.Form().Action("RemoteFilePropertiesAction")->trigger();
    ASSERT_TRUE(window.ModalAnswered());
    EXPECT_EQ(entries, 2U);
    EXPECT_EQ(count, "2 Files, 0 Folders");
    ASSERT_TRUE(window.WaitForListing("/"));
    QStringList selected;
    for (int row : window.Form().RemoteList()->SelectedRows())
        selected << window.Form().RemoteList()->Model().Caption(row);
    selected.sort();
    EXPECT_EQ(selected, (QStringList{"..", "empty.bin", "hello.txt"}));  // as it was

    QStringList paths;
    window.OnNextModal([&](QWidget* modal) {
        auto* form = qobject_cast<TAdvancedSearchForm*>(modal);
        ASSERT_NE(form, nullptr);
        form->NameField()->setText("inner.*");
        form->SearchButton()->click();
        WaitUntil([&] { return !form->Searching(); });
        for (int row = 0; row < form->Results().rowCount(); ++row)
            paths << form->Results().Path(row) + "/" + form->Results().Caption(row);
        QTest::keyClick(form, Qt::Key_Escape);
    });
    window.Form().Action("RemoteFileAdvancedSearchAction")->trigger();
    ASSERT_TRUE(window.ModalAnswered());
    EXPECT_EQ(paths, (QStringList{"/sub/inner.txt"}));
    ASSERT_TRUE(WaitUntil([&] { return !window.Form().Worker().Busy(); }));
    EXPECT_EQ(window.Form().Worker().CurrentDir(), "/");
}
