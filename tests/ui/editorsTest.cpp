// The bookmark and filter editors: naming new rows, renaming (an emptied
// caption keeps the old one), deleting, the Update button and the mask
// field, apply and OK writing back to the right file, the question on
// closing with changes answered each way, and the German window texts.

#include "viewsGuiApp.h"

#include "hosts/Filters.h"
#include "hosts/HostTreeNode.h"
#include "hosts/Hosts.h"
#include "hosts/QuickHosts.h"
#include "i18n/LanguageManager.h"
#include "ui/EditBookmarksForm.h"
#include "ui/EditFilterForm.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>

namespace {

/// Answers the next message box with `button`; `asked` tells what it said.
void Answer(QMessageBox::StandardButton button, QString* asked = nullptr)
{
    guitest::AnswerNextQuestion(button, asked);
}

QStringList Captions(const QTreeWidget* list, int column = 0)
{
    QStringList captions;
    for (int i = 0; i < list->topLevelItemCount(); ++i)
        captions.append(list->topLevelItem(i)->text(column));
    return captions;
}

QTreeWidgetItem* Row(const QTreeWidget* list, const QString& caption)
{
    const auto found = list->findItems(caption, Qt::MatchExactly);
    return found.isEmpty() ? nullptr : found.first();
}

/// Types into the open caption editor and ends the edit with Return.
void TypeIntoEditor(QTreeWidget* list, const QString& text)
{
    QLineEdit* editor = nullptr;
    for (QLineEdit* e : list->viewport()->findChildren<QLineEdit*>())
        if (e->isVisible())
            editor = e;
    ASSERT_NE(editor, nullptr);
    editor->setText(text);
    QTest::keyClick(editor, Qt::Key_Return);
    // The view commits and closes the editor from the event loop.
    QPointer<QLineEdit> gone(editor);
    EXPECT_TRUE(WaitUntil([&] { return !gone || !gone->isVisible(); }));
}

std::string ReadFile(const std::filesystem::path& file)
{
    std::ifstream in(file, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

/// Shown and active, so keys reach the focused control.
void ShowActive(QWidget* window)
{
    window->show();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));
}

class EditorsTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    std::string dataDir = dir.path().toStdString();

    void SetUp() override
    {
        qputenv("XDG_CONFIG_HOME", dir.path().toUtf8());
        qputenv("XDG_DATA_HOME", dir.path().toUtf8());
    }

    static THost Server(const std::string& name, std::vector<std::string> bookmarks)
    {
        THost host{THostDefaults{}};
        host.CommonName = name;
        host.Hostname = name + ".example";
        for (const std::string& path : bookmarks)
            host.AddBookmark(path);
        return host;
    }
};

TEST_F(EditorsTest, NewRowsAreNamedWithTheFirstFreeNumber)
{
    struct TCase {
        QStringList Taken;
        QString Expected;
    } cases[] = {
        {{}, "New bookmark"},
        {{"new bookmark"}, "New bookmark"},  // letter case counts
        {{"New bookmark"}, "New bookmark (1)"},
        {{"New bookmark", "New bookmark (1)", "New bookmark (3)"}, "New bookmark (2)"},
    };
    for (const TCase& c : cases)
        EXPECT_EQ(TListEditorForm::UniqueCaption(c.Taken, "New bookmark", "New bookmark (%d)"), c.Expected)
            << c.Taken.join(',').toStdString();

    THosts hosts(dataDir);
    TQuickHosts quick(dataDir);
    THost host = Server("site", {});
    TEditBookmarksForm form(host, hosts, quick);
    EXPECT_FALSE(form.ApplyButton()->isEnabled());
    for (int i = 0; i < 3; ++i)
        form.NewEntry();
    EXPECT_EQ(Captions(form.List()), QStringList({"New bookmark", "New bookmark (1)", "New bookmark (2)"}));
    EXPECT_TRUE(form.ApplyButton()->isEnabled());
}

TEST_F(EditorsTest, BookmarksOfAHostInAGroupAreWrittenToItsElement)
{
    THosts hosts(dataDir);
    TQuickHosts quick(dataDir);
    THost host = Server("inner", {"/pub/", "/srv/old/", "/tmp/"});
    {
        THostTreeNode tree;
        THostTreeNode& root = tree.AddGroup("Hosts");
        root.AddHost(Server("top", {}));
        root.AddGroup("Work").AddHost(host);
        hosts.ReplaceFromTree(tree);
        hosts.Save();
    }
    TEditBookmarksForm form(host, hosts, quick);
    QTreeWidget* list = form.List();
    ASSERT_EQ(Captions(list), QStringList({"/pub/", "/srv/old/", "/tmp/"}));

    // Emptied through the real editor: the old path stays, nothing changed.
    ShowActive(&form);
    list->setCurrentItem(Row(list, "/pub/"));
    list->editItem(Row(list, "/pub/"), 0);
    TypeIntoEditor(list, "");
    EXPECT_EQ(Captions(list), QStringList({"/pub/", "/srv/old/", "/tmp/"}));
    EXPECT_FALSE(form.Changed());

    Row(list, "/srv/old/")->setText(0, "/srv/new/");
    form.NewEntry();
    TypeIntoEditor(list, "/PUB/");  // differs only in case: kept once
    list->clearSelection();
    Row(list, "/tmp/")->setSelected(true);
    list->setFocus();
    QTest::keyClick(list, Qt::Key_Delete);
    EXPECT_EQ(Captions(list), QStringList({"/pub/", "/PUB/", "/srv/new/"}));
    EXPECT_TRUE(form.ApplyButton()->isEnabled());

    QTest::mouseClick(form.ApplyButton(), Qt::LeftButton);
    EXPECT_FALSE(form.ApplyButton()->isEnabled());
    EXPECT_EQ(Captions(list).size(), 2);
    EXPECT_EQ(host.Bookmarks(), (std::vector<std::string>{"/pub/", "/srv/new/"}));

    // The element inside "Work" carries them; no host was added at the top.
    THosts reread(dataDir);
    ASSERT_EQ(reread.Items().size(), 2u);
    const THost* stored = reread.FindByHostID(host.HostID);
    ASSERT_NE(stored, nullptr);
    EXPECT_EQ(stored->Bookmarks(), host.Bookmarks());
    THostTreeNode tree;
    reread.FillTree(tree);
    ASSERT_EQ(tree.Children.size(), 1u);
    ASSERT_EQ(tree.Children[0]->Children.size(), 2u);
    EXPECT_EQ(tree.Children[0]->Children[1]->Caption, "Work");
    EXPECT_EQ(tree.Children[0]->Children[1]->Children[0]->Host->HostID, host.HostID);
    EXPECT_TRUE(quick.Items().empty());
    form.close();
}

TEST_F(EditorsTest, BookmarksOfAQuickConnectServerGoToTheHistory)
{
    THosts hosts(dataDir);
    TQuickHosts quick(dataDir);
    THost host = Server("quick", {});
    quick.AddOrUpdate(host);
    TEditBookmarksForm form(host, hosts, quick);
    ShowActive(&form);
    form.NewEntry();
    TypeIntoEditor(form.List(), "/incoming/");
    form.accept();
    EXPECT_EQ(form.result(), QDialog::Accepted);
    EXPECT_EQ(host.Bookmarks(), std::vector<std::string>{"/incoming/"});
    ASSERT_EQ(quick.Items().size(), 1u);
    EXPECT_EQ(quick.Items()[0]->Bookmarks(), std::vector<std::string>{"/incoming/"});
    EXPECT_TRUE(hosts.Items().empty());
}

TEST_F(EditorsTest, ClosingWithChangesAsksAndActsOnTheAnswer)
{
    struct TCase {
        QMessageBox::StandardButton Answer;
        bool Closed;
        bool Saved;
    } cases[] = {
        {QMessageBox::Yes, true, true},
        {QMessageBox::No, true, false},
        {QMessageBox::Cancel, false, false},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.Answer));
        THosts hosts(dataDir);
        TQuickHosts quick(dataDir);
        THost host = Server("site", {"/a/"});
        hosts.AddOrUpdate(host);

        TEditBookmarksForm bookmarks(host, hosts, quick);
        bookmarks.show();
        bookmarks.NewEntry();
        QString asked;
        Answer(c.Answer, &asked);
        QTest::keyClick(&bookmarks, Qt::Key_Escape);
        EXPECT_TRUE(WaitUntil([&] { return !asked.isEmpty(); }));
        EXPECT_EQ(asked, "You've made changes to one or more bookmarks.\n\n"
                         "Do you want your changes to be saved before exiting?");
        EXPECT_EQ(bookmarks.isVisible(), !c.Closed);
        EXPECT_EQ(THosts(dataDir).FindByHostID(host.HostID)->Bookmarks().size(), c.Saved ? 2u : 1u);

        TFilters filters(dataDir);
        TEditFilterForm filterForm(filters);
        filterForm.show();
        filterForm.NewEntry();
        asked.clear();
        Answer(c.Answer, &asked);
        filterForm.close();  // the window's close button
        EXPECT_TRUE(WaitUntil([&] { return !asked.isEmpty(); }));
        EXPECT_EQ(asked, "You've made changes to one or more filters. "
                         "Do you want your changes to be saved before exiting?");
        EXPECT_EQ(filterForm.isVisible(), !c.Closed);
        EXPECT_EQ(TFilters(dataDir).Count(), c.Saved ? 1 : 0);
        std::filesystem::remove(std::filesystem::path(dataDir) / "Filters.xml");
    }
}

TEST_F(EditorsTest, FilterRowsTheMaskFieldAndUpdate)
{
    TFilters filters(dataDir);
    // Written behind the store's back: opening the editor reads the file.
    std::ofstream(std::filesystem::path(dataDir) / "Filters.xml")
        << "<?xml version=\"1.0\"?>\r\n<FilterList>"
           "<Filter Name=\"Text\"><FileMask Mask=\"*.txt\"/><FileMask Mask=\"*.md\"/></Filter>"
           "<Filter Name=\"Archives\"><FileMask Mask=\"*.zip\"/></Filter>"
           "<Filter Name=\"Pictures\"><FileMask Mask=\"*.png\"/></Filter></FilterList>\r\n";
    TEditFilterForm form(filters);
    QTreeWidget* list = form.List();
    EXPECT_EQ(Captions(list), QStringList({"Archives", "Pictures", "Text"}));
    EXPECT_EQ(Captions(list, 1), QStringList({"*.zip", "*.png", "*.txt;*.md"}));

    list->setCurrentItem(Row(list, "Text"));
    EXPECT_EQ(form.MaskField()->text(), "*.txt;*.md");
    list->clearSelection();
    EXPECT_TRUE(form.MaskField()->text().isEmpty());
    EXPECT_FALSE(form.DeleteAction()->isEnabled());

    // "&Update" gives the selected rows the field's masks.
    Row(list, "Archives")->setSelected(true);
    form.MaskField()->setText("*.zip *.7z");
    QTest::mouseClick(form.UpdateButton(), Qt::LeftButton);
    EXPECT_EQ(Row(list, "Archives")->text(1), "*.zip *.7z");
    EXPECT_TRUE(form.ApplyButton()->isEnabled());

    // OK with two rows selected gives both the field's masks, unpressed
    // "&Update" or not; the file lists the filters in the list's order.
    list->clearSelection();
    Row(list, "Pictures")->setSelected(true);
    Row(list, "Text")->setSelected(true);
    form.MaskField()->setText("*.jpg;*.gif");
    form.accept();
    EXPECT_EQ(form.result(), QDialog::Accepted);
    TFilters reread(dataDir);
    ASSERT_EQ(reread.Count(), 3);
    const std::vector<std::pair<std::string, std::vector<std::string>>> expected = {
        {"Archives", {"*.zip", "*.7z"}}, {"Pictures", {"*.jpg", "*.gif"}}, {"Text", {"*.jpg", "*.gif"}}};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(reread.Items()[i].Name, expected[i].first);
        EXPECT_EQ(reread.Items()[i].Masks, expected[i].second);
    }
    EXPECT_EQ(filters.Count(), 3);  // the program's list, for its menus
}

TEST_F(EditorsTest, OnlyTheFilterNameIsEditedInPlace)
{
    TFilters filters(dataDir);
    filters.Add(TFilter("Text", "*.txt"));
    filters.Save();
    TEditFilterForm form(filters);
    ShowActive(&form);
    QTreeWidget* list = form.List();
    list->setCurrentItem(Row(list, "Text"), 1);
    list->editItem(Row(list, "Text"), 1);  // the masks have their own field
    QApplication::processEvents();
    for (QLineEdit* editor : list->viewport()->findChildren<QLineEdit*>())
        EXPECT_FALSE(editor->isVisible());
    list->setFocus();
    QTest::keyClick(list, Qt::Key_F2);  // renames, whichever column is current
    TypeIntoEditor(list, "Plain text");
    EXPECT_EQ(Captions(list), QStringList({"Plain text"}));
    EXPECT_EQ(Captions(list, 1), QStringList({"*.txt"}));
    EXPECT_TRUE(form.Changed());
}

TEST_F(EditorsTest, FilterEditorWithoutChangesLeavesTheFileAlone)
{
    const std::filesystem::path file = std::filesystem::path(dataDir) / "Filters.xml";
    const std::string text = "<?xml version=\"1.0\"?>\n<FilterList>  <Filter Name=\"Logs\"><FileMask Mask=\"*.log\"/>"
                             "</Filter></FilterList>\n";
    std::ofstream(file, std::ios::binary) << text;
    TFilters filters(dataDir);
    {
        TEditFilterForm form(filters);
        form.show();
        QTest::keyClick(&form, Qt::Key_Escape);  // no question without changes
        EXPECT_FALSE(form.isVisible());
        EXPECT_EQ(form.result(), QDialog::Rejected);
    }
    EXPECT_EQ(ReadFile(file), text);

    // A file that does not load says why, and OK without changes keeps it.
    const std::string damaged = "<?xml version=\"1.0\"?>\n<FilterList><Filter Name=\"a\"><FileMask/></Filter>"
                                "<Filter Name=\"b\"><FileMask Mask=\"*.b\"/></Filter></FilterList>\n";
    std::ofstream(file, std::ios::binary) << damaged;
    TEditFilterForm form(filters);
    auto* error = form.findChild<QLabel*>("LoadError");
    ASSERT_NE(error, nullptr);
    EXPECT_FALSE(error->isHidden());
    EXPECT_FALSE(error->text().isEmpty());
    form.accept();
    EXPECT_EQ(form.result(), QDialog::Accepted);
    EXPECT_EQ(ReadFile(file), damaged);
}

TEST_F(EditorsTest, GermanTextsAtOnce)
{
    for (const auto& shipped : TLanguageManager::DefaultDataDirectories())
        LangManager().ScanDirectory(shipped / "Languages");
    THosts hosts(dataDir);
    TQuickHosts quick(dataDir);
    THost host = Server("site", {});
    TFilters filters(dataDir);
    TEditBookmarksForm bookmarks(host, hosts, quick);
    TEditFilterForm filterForm(filters);
    EXPECT_EQ(bookmarks.windowTitle(), "Edit bookmarks");
    EXPECT_EQ(filterForm.UpdateButton()->text(), "&Update");

    LangManager().SetActiveLanguage(1031);
    EXPECT_EQ(bookmarks.windowTitle(), "Lesezeichen bearbeiten");
    EXPECT_EQ(bookmarks.List()->headerItem()->text(0), "Pfad");
    EXPECT_EQ(filterForm.windowTitle(), "Filter bearbeiten");
    EXPECT_EQ(filterForm.UpdateButton()->text(), "Akt&ualisieren");
    // New rows take their names from the active language.
    EXPECT_EQ(filterForm.NewEntry()->text(0), "Neuer Filter");
    LangManager().SetActiveLanguage(TLanguageManager::BuiltInLanguageId);
    EXPECT_EQ(filterForm.UpdateButton()->text(), "&Update");
}

} // namespace
