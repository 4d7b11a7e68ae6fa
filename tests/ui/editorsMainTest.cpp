// The editors opened from the main window connected to vsftpd: what they
// store shows in the window's bookmark and filter menus at once, and Edit
// bookmarks without a server opens nothing.

#include "mainformHarness.h"

#include "hosts/Hosts.h"
#include "ui/DialogHooks.h"
#include "ui/EditBookmarksForm.h"
#include "ui/EditFilterForm.h"
#include "ui/MainForm.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QMenu>
#include <QTest>
#include <QTreeWidget>

namespace {

QStringList MenuTexts(const QMenu* menu)
{
    QStringList texts;
    for (const QAction* action : menu->actions())
        if (!action->isSeparator())
            texts.append(action->text());
    return texts;
}

/// Names a new row in the open editor `form` and then closes it with OK
/// (after the view has taken the name).
void AddRowAndAccept(TListEditorForm* form, const QString& caption, const QString& masks = {})
{
    ASSERT_NE(form, nullptr);
    form->NewEntry();
    QLineEdit* editor = OpenEditor(form->List()->viewport());
    ASSERT_NE(editor, nullptr);
    editor->setText(caption);
    QTest::keyClick(editor, Qt::Key_Return);
    if (auto* filters = qobject_cast<TEditFilterForm*>(form))
        filters->MaskField()->setText(masks);
    QMetaObject::invokeMethod(form, &QDialog::accept, Qt::QueuedConnection);
}

TEST(EditorsInTheMainWindow, MenusShowWhatTheEditorsStored)
{
    FixtureTree files;
    VsftpdServer server(files.Root());
    TMainWindowHarness window;
    const THost host = window.StoreHost(server, "Loopback");
    window.Open();
    TMainForm& form = window.Form();
    InstallDialogHooks(form, window.Config());

    // No server yet: no host whose bookmarks could be edited.
    int opened = 0;
    auto editBookmarks = form.Hooks().EditBookmarks;
    form.Hooks().EditBookmarks = [&opened, editBookmarks](QWidget* owner, THost& current) {
        ++opened;
        editBookmarks(owner, current);
    };
    form.Action("RemoteEditBookmarksAction")->trigger();
    EXPECT_EQ(opened, 0);

    ASSERT_TRUE(window.Connect()) << server.Log();
    window.OnNextModal([](QWidget* modal) { AddRowAndAccept(qobject_cast<TEditBookmarksForm*>(modal), "/docs/"); });
    form.Action("RemoteEditBookmarksAction")->trigger();
    EXPECT_EQ(opened, 1);
    EXPECT_TRUE(window.ModalAnswered());
    EXPECT_TRUE(MenuTexts(form.BookmarkMenu()).contains("/docs/"));
    THosts stored(window.DataDir());
    ASSERT_NE(stored.FindByHostID(host.HostID), nullptr);
    EXPECT_EQ(stored.FindByHostID(host.HostID)->Bookmarks(), std::vector<std::string>{"/docs/"});

    window.OnNextModal([](QWidget* modal) {
        AddRowAndAccept(qobject_cast<TEditFilterForm*>(modal), "Text files", "*.txt");
    });
    form.Action("EditFiltersAction")->trigger();
    EXPECT_TRUE(window.ModalAnswered());
    EXPECT_TRUE(MenuTexts(form.RemoteFilterMenu()).contains("Text files"));
    EXPECT_TRUE(MenuTexts(form.LocalFilterMenu()).contains("Text files"));
}

} // namespace
