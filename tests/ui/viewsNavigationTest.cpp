// Navigating the remote list with mouse and keys, renaming in place, the
// selection remembered per folder, pending names after a listing, the
// selection summary and the path box.

#include "viewsGuiApp.h"

#include "ui/RemoteListView.h"
#include "ui/RemotePathBox.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>

namespace {

constexpr const char* kRootListing =
    "drwxr-xr-x    2 ftp      ftp          4096 Mar 05  2021 docs\n"
    "drwxr-xr-x    2 ftp      ftp          4096 Mar 05  2021 music\n"
    "-rw-r--r--    1 ftp      ftp          1024 Feb 01  2022 a.txt\n"
    "-rw-r--r--    1 ftp      ftp          2048 Feb 01  2022 b.txt\n"
    "-rw-r--r--    1 ftp      ftp          4096 Feb 01  2022 c.txt\n";
constexpr const char* kDocsListing = "-rw-r--r--    1 ftp      ftp          10 Feb 01  2022 inside.txt\n";

class RemoteListViewTest : public ::testing::Test {
protected:
    TRemoteListView view;

    void SetUp() override
    {
        view.resize(700, 400);
        view.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
        view.Fill(ParseListing(kRootListing), "/pub");
    }

    int Row(const char* caption) const { return view.Model().RowOfCaption(QString::fromUtf8(caption)); }

    QPoint Centre(int row) const { return view.visualRect(view.Model().index(row, 0)).center(); }

    void Select(std::initializer_list<const char*> captions)
    {
        QStringList list;
        for (const char* caption : captions)
            list << QString::fromUtf8(caption);
        view.SelectCaptions(list);
        view.selectionModel()->setCurrentIndex(view.Model().index(view.SelectedRows().front(), 0),
                                               QItemSelectionModel::NoUpdate);
    }

    QStringList SelectedCaptions() const
    {
        QStringList captions;
        for (int row : view.SelectedRows())
            captions << view.Model().Caption(row);
        return captions;
    }
};

}  // namespace

TEST_F(RemoteListViewTest, DoubleClickEntersFoldersAndDownloadsFiles)
{
    QSignalSpy enter(&view, &TRemoteListView::EnterDirectoryRequested);
    QSignalSpy download(&view, &TRemoteListView::DownloadRequested);
    QTest::mouseDClick(view.viewport(), Qt::LeftButton, {}, Centre(Row("docs")));
    ASSERT_EQ(enter.size(), 1);
    EXPECT_EQ(enter[0][0].value<std::string>(), "docs");
    QTest::mouseDClick(view.viewport(), Qt::LeftButton, {}, Centre(Row("..")));
    ASSERT_EQ(enter.size(), 2);
    EXPECT_EQ(enter[1][0].value<std::string>(), "..");
    QTest::mouseDClick(view.viewport(), Qt::LeftButton, {}, Centre(Row("b.txt")));
    EXPECT_EQ(download.size(), 1);

    view.SetWorkerBusy(true);  // the worker is listing: clicks do nothing
    QTest::mouseDClick(view.viewport(), Qt::LeftButton, {}, Centre(Row("docs")));
    QTest::mouseDClick(view.viewport(), Qt::LeftButton, {}, Centre(Row("b.txt")));
    EXPECT_EQ(enter.size(), 2);
    EXPECT_EQ(download.size(), 1);
}

TEST_F(RemoteListViewTest, KeysEnterGoUpAndDelete)
{
    QSignalSpy enter(&view, &TRemoteListView::EnterDirectoryRequested);
    QSignalSpy up(&view, &TRemoteListView::ParentDirectoryRequested);
    QSignalSpy remove(&view, &TRemoteListView::DeleteRequested);
    QSignalSpy download(&view, &TRemoteListView::DownloadRequested);
    view.setFocus();

    Select({"a.txt"});
    QTest::keyClick(&view, Qt::Key_Return);  // a file: nothing
    EXPECT_EQ(enter.size() + download.size(), 0);
    Select({"music"});
    QTest::keyClick(&view, Qt::Key_Return);
    ASSERT_EQ(enter.size(), 1);
    EXPECT_EQ(enter[0][0].value<std::string>(), "music");
    QTest::keyClick(&view, Qt::Key_Backspace);
    EXPECT_EQ(up.size(), 1);
    QTest::keyClick(&view, Qt::Key_Delete);
    EXPECT_EQ(remove.size(), 1);
}

TEST_F(RemoteListViewTest, F2RenamesInPlaceAndARefusedNameReverts)
{
    std::vector<std::string> asked;
    bool accept = false;
    view.Model().SetRenameHandler([&](const std::string& from, const std::string& to) {
        asked.push_back(from + ">" + to);
        return accept;
    });
    view.setFocus();
    for (const bool serverAccepts : {false, true}) {
        accept = serverAccepts;
        Select({"b.txt"});
        QTest::keyClick(&view, Qt::Key_F2);
        ASSERT_TRUE(view.IsEditing());
        auto* editor = qobject_cast<QLineEdit*>(QApplication::focusWidget());
        ASSERT_NE(editor, nullptr);
        editor->selectAll();
        QTest::keyClicks(editor, serverAccepts ? "new.txt" : "nope.txt");
        QTest::keyClick(editor, Qt::Key_Return);
        ASSERT_TRUE(WaitUntil([&] { return !view.IsEditing(); }));
    }
    EXPECT_EQ(asked, (std::vector<std::string>{"b.txt>nope.txt", "b.txt>new.txt"}));
    EXPECT_EQ(Row("b.txt"), -1);
    EXPECT_GE(Row("new.txt"), 0);
    EXPECT_EQ(view.Model().RawName(Row("new.txt")), "new.txt");
}

TEST_F(RemoteListViewTest, LeavingAndReturningSelectsTheSameRows)
{
    QSignalSpy enter(&view, &TRemoteListView::EnterDirectoryRequested);
    Select({"a.txt", "c.txt"});
    view.setFocus();
    QTest::mouseDClick(view.viewport(), Qt::LeftButton, {}, Centre(Row("docs")));
    ASSERT_EQ(enter.size(), 1);
    view.Fill(ParseListing(kDocsListing), "/pub/docs");
    EXPECT_TRUE(view.SelectedRows().empty());
    QTest::keyClick(&view, Qt::Key_Backspace);
    view.Fill(ParseListing(kRootListing), "/pub");
    EXPECT_EQ(SelectedCaptions(), (QStringList{"a.txt", "c.txt"}));

    // Sorting keeps the selection; a new connection forgets it.
    Select({"a.txt", "c.txt"});
    view.SetSort(TRemoteListModel::rcSize, 0);
    EXPECT_EQ(SelectedCaptions(), (QStringList{"c.txt", "a.txt"}));
    view.RememberSelection();
    view.Fill(ParseListing(kRootListing), "/pub");
    EXPECT_EQ(SelectedCaptions(), (QStringList{"c.txt", "a.txt"}));
    view.ResetSelectionMemory();
    view.Fill(ParseListing(kRootListing), "/pub");
    EXPECT_TRUE(view.SelectedRows().empty());
}

TEST_F(RemoteListViewTest, PendingNamesAreEditedOrReselectedAfterTheListing)
{
    view.SetNameToEdit("New folder");
    view.Fill(ParseListing(std::string(kRootListing) +
                           "drwxr-xr-x    2 ftp      ftp          4096 Mar 05  2021 New folder\n"),
              "/pub");
    EXPECT_TRUE(view.IsEditing());
    EXPECT_EQ(SelectedCaptions(), QStringList{"New folder"});
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    ASSERT_TRUE(WaitUntil([&] { return !view.IsEditing(); }));

    view.SetNameToReselect("b.txt");
    view.Fill(ParseListing(kRootListing), "/pub");
    EXPECT_FALSE(view.IsEditing());
    EXPECT_EQ(SelectedCaptions(), QStringList{"b.txt"});
    EXPECT_EQ(view.currentIndex().row(), Row("b.txt"));

    // Both are used once.
    view.Fill(ParseListing(kRootListing), "/pub");
    EXPECT_TRUE(view.SelectedRows().empty());
}

TEST_F(RemoteListViewTest, SelectionSummaryCountsFilesFoldersAndSizeBeyondTwoGigabytes)
{
    view.Fill(ParseListing("drwxr-xr-x 2 a a       4096 Mar 05  2021 dir\n"
                           "-rw-r--r-- 1 a a 3221225472 Feb 01  2022 big\n"
                           "-rw-r--r-- 1 a a       1025 Feb 01  2022 small\n"),
              "/");
    QSignalSpy summary(&view, &TRemoteListView::SelectionSummaryChanged);
    view.SetSummaryEnabled(true);
    Select({"..", "dir", "big", "small"});
    ASSERT_FALSE(summary.isEmpty());
    const QString text = summary.back()[0].toString();
    // 3 GiB + 1025 bytes = 3 145 729 KB, rounded up.
    EXPECT_TRUE(text.startsWith("2 files and 2 directories selected. Total size: 3")) << text.toStdString();
    EXPECT_TRUE(text.endsWith("145" + QLocale::system().groupSeparator() + "730 KB") ||
                text.endsWith("145730 KB"))
        << text.toStdString();
}

TEST(RemotePathBox, KeepsEachFolderOnceAndDropsTheOldest)
{
    TRemotePathBox box;
    box.SetMaxEntries(3);
    box.AddPath("/pub");
    box.AddPath("/PUB");  // letter case ignored: selected, not added
    EXPECT_EQ(box.count(), 1);
    box.AddPath("/a");
    box.AddPath("/b");
    box.AddPath("/pub");
    EXPECT_EQ(box.count(), 3);
    EXPECT_EQ(box.currentIndex(), 0);
    box.AddPath("/c");  // one more than the limit: the first visited goes
    ASSERT_EQ(box.count(), 3);
    EXPECT_EQ(box.PathAt(0), "/a");
    EXPECT_EQ(box.PathAt(2), "/c");
    EXPECT_EQ(box.currentText(), "/c");
}

TEST(RemotePathBox, EnterOrAPickedEntryChoosesThePath)
{
    TRemotePathBox box;
    box.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&box));
    box.AddPath("/pub");
    box.AddPath("/srv/\xc3\xa4");
    QSignalSpy chosen(&box, &TRemotePathBox::PathChosen);
    box.lineEdit()->setText("/typed/path");
    QTest::keyClick(box.lineEdit(), Qt::Key_Return);
    ASSERT_EQ(chosen.size(), 1);
    EXPECT_EQ(chosen[0][0].value<std::string>(), "/typed/path");
    EXPECT_EQ(box.count(), 2);  // typing adds nothing by itself
    emit box.activated(1);
    ASSERT_EQ(chosen.size(), 2);
    EXPECT_EQ(chosen[1][0].value<std::string>(), "/srv/\xc3\xa4");
}
