// Drag and drop through the real main window against vsftpd: drops of
// remote names and local files on both panes with each requested effect,
// remote-to-remote moves, refusals, the drop highlight and the automatic
// scrolling, and drags out of the panes (also to a file-manager extension
// through the drop-target block).

#include "mainformHarness.h"

#include "platform/DropTargetBlock.h"
#include "queue/QueueManager.h"
#include "ui/DragDrop.h"
#include "ui/ListDropTarget.h"
#include "ui/LocalPane.h"
#include "ui/MainForm.h"
#include "ui/PaneDropHandler.h"
#include "ui/QueueListModel.h"
#include "ui/QueuePage.h"
#include "ui/RemoteListView.h"

#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QAction>
#include <QDrag>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QScrollBar>
#include <QTest>
#include <QUrl>

#include <filesystem>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

constexpr Qt::DropActions kOffered = Qt::CopyAction | Qt::MoveAction | Qt::LinkAction;

/// The modifiers with which the desktop asks for `effect`.
Qt::KeyboardModifiers Asking(Qt::DropAction effect)
{
    switch (effect) {
    case Qt::CopyAction:
        return Qt::ControlModifier;
    case Qt::LinkAction:
        return Qt::ControlModifier | Qt::ShiftModifier;
    default:
        return Qt::ShiftModifier;
    }
}

/// Enters `view` and moves to `at`; answers the effect granted there.
Qt::DropAction DragTo(QAbstractItemView* view, const QMimeData& data, QPoint at, Qt::DropAction asked)
{
    QDragEnterEvent enter(at, kOffered, &data, Qt::LeftButton, Asking(asked));
    QApplication::sendEvent(view->viewport(), &enter);
    QDragMoveEvent move(at, kOffered, &data, Qt::LeftButton, Asking(asked));
    QApplication::sendEvent(view->viewport(), &move);
    return move.isAccepted() ? move.dropAction() : Qt::IgnoreAction;
}

/// A whole drag ending with a drop at `at`; answers the effect of the drop.
Qt::DropAction DropAt(QAbstractItemView* view, const QMimeData& data, QPoint at, Qt::DropAction asked)
{
    DragTo(view, data, at, asked);
    QDropEvent drop(QPointF(at), kOffered, &data, Qt::LeftButton, Asking(asked));
    QApplication::sendEvent(view->viewport(), &drop);
    return drop.isAccepted() ? drop.dropAction() : Qt::IgnoreAction;
}

std::unique_ptr<QMimeData> LocalFiles(const std::vector<std::string>& paths)
{
    auto data = std::make_unique<QMimeData>();
    QList<QUrl> urls;
    for (const std::string& path : paths)
        urls.append(QUrl::fromLocalFile(QString::fromStdString(path)));
    data->setUrls(urls);
    return data;
}

std::unique_ptr<QMimeData> RemoteNames(const QStringList& names)
{
    return std::unique_ptr<QMimeData>(TDragDrop::RemoteDragData(names));
}

class DragDrop : public ::testing::Test {
protected:
    void SetUp() override
    {
        // The drop-target block and the placeholder go to a folder of this test's own.
        oldTmp_ = qgetenv("TMPDIR");
        hadTmp_ = qEnvironmentVariableIsSet("TMPDIR");
        tmp = files.Root() + "-tmp";
        fs::create_directories(tmp);
        qputenv("TMPDIR", QByteArray::fromStdString(tmp));
        GiveToTestUser(files.Root());
        local = files.Root() + "-local";
        fs::create_directories(local + "/into");
        WriteWholeFile(local + "/note.txt", "note\n");
        local = fs::canonical(local).string();
        server = std::make_unique<VsftpdServer>(files.Root());
        window.StoreHost(*server, "Loopback vsftpd");
        window.Open();
        ASSERT_TRUE(window.Connect());
        ASSERT_TRUE(Form().LocalPane()->SetDirectory(QString::fromStdString(local)));
        ASSERT_TRUE(WaitUntil([&] { return Form().LocalPane()->RowNames().contains("note.txt"); }));
    }
    void TearDown() override
    {
        window.Destroy();
        std::error_code ignored;
        fs::remove_all(local, ignored);
        fs::remove_all(tmp, ignored);
        if (hadTmp_)
            qputenv("TMPDIR", oldTmp_);
        else
            qunsetenv("TMPDIR");
    }

    TMainForm& Form() { return window.Form(); }
    TPaneDropHandler& Handler() { return *Form().DropHandler(); }
    QAbstractItemView* LocalView() { return Form().LocalPane()->CurrentView(); }
    TRemoteListView* RemoteView() { return Form().RemoteList(); }
    int QueueRows() { return Form().QueueView()->Model().rowCount(); }
    bool WaitForEmptyQueue()
    {
        return WaitUntil([&] { return QueueRows() == 0 && Form().Queue().ThreadCount() == 0; });
    }

    QModelIndex LocalRow(const QString& name)
    {
        QAbstractItemView* view = LocalView();
        const QModelIndex root = view->rootIndex();
        for (int row = 0; row < view->model()->rowCount(root); ++row)
            if (view->model()->index(row, 0, root).data().toString() == name)
                return view->model()->index(row, 0, root);
        return {};
    }
    QPoint LocalPoint(const QString& name) { return LocalView()->visualRect(LocalRow(name)).center(); }
    QPoint RemotePoint(const QString& caption)
    {
        return RemoteView()->visualRect(RemoteView()->Model().index(RemoteView()->Model().RowOfCaption(caption), 0))
            .center();
    }
    /// A point below the last row of `view`.
    static QPoint FreeSpace(QAbstractItemView* view) { return {20, view->viewport()->height() - 20}; }
    std::string ServerPath(const std::string& relative) { return files.Root() + "/" + relative; }

    FixtureTree files;
    std::string local;
    std::string tmp;
    std::unique_ptr<VsftpdServer> server;
    TMainWindowHarness window;

private:
    QByteArray oldTmp_;
    bool hadTmp_ = false;
};

} // namespace

TEST_F(DragDrop, RemoteNamesOnTheLocalPaneDownloadIntoTheFolderRowElseThePaneFolder)
{
    window.SelectRemote({"hello.txt", "empty.bin"});
    const auto names = RemoteNames({"hello.txt", "empty.bin"});
    TListDropTarget* target = Handler().LocalTarget(LocalView());
    ASSERT_NE(target, nullptr);

    // Copy is granted whatever was asked; the folder row carries the highlight.
    for (Qt::DropAction asked : {Qt::CopyAction, Qt::MoveAction})
        EXPECT_EQ(DragTo(LocalView(), *names, LocalPoint("into"), asked), Qt::CopyAction) << asked;
    EXPECT_EQ(target->HighlightedRow(), LocalRow("into"));
    EXPECT_EQ(DragTo(LocalView(), *names, LocalPoint("note.txt"), Qt::MoveAction), Qt::CopyAction);
    EXPECT_FALSE(target->HighlightedRow().isValid());

    EXPECT_EQ(DropAt(LocalView(), *names, LocalPoint("into"), Qt::MoveAction), Qt::CopyAction);
    EXPECT_FALSE(target->HighlightedRow().isValid());
    EXPECT_EQ(Handler().LastTarget(), TPaneDropHandler::dtLocal);
    ASSERT_TRUE(WaitForEmptyQueue());
    EXPECT_EQ(ReadWholeFile(local + "/into/hello.txt"), "Hello, world\n");
    EXPECT_TRUE(fs::exists(local + "/into/empty.bin"));

    // On a file row the pane's own folder takes them.
    EXPECT_EQ(DropAt(LocalView(), *names, LocalPoint("note.txt"), Qt::CopyAction), Qt::CopyAction);
    ASSERT_TRUE(WaitForEmptyQueue());
    EXPECT_EQ(ReadWholeFile(local + "/hello.txt"), "Hello, world\n");
    EXPECT_TRUE(fs::exists(local + "/empty.bin"));
}

TEST_F(DragDrop, TheLocalPaneRefusesLocalFilesAndNamesThatAreNotTheRemoteSelection)
{
    WriteWholeFile(local + "/keep.txt", "keep\n");
    const auto files_ = LocalFiles({local + "/keep.txt"});
    for (Qt::DropAction asked : {Qt::CopyAction, Qt::MoveAction}) {
        EXPECT_EQ(DropAt(LocalView(), *files_, LocalPoint("into"), asked), Qt::IgnoreAction) << asked;
        EXPECT_EQ(DropAt(LocalView(), *files_, LocalPoint("note.txt"), asked), Qt::IgnoreAction) << asked;
    }
    EXPECT_TRUE(fs::exists(local + "/keep.txt"));
    EXPECT_FALSE(fs::exists(local + "/into/keep.txt"));

    // Names from another drag than the remote selection download nothing.
    window.SelectRemote({"hello.txt"});
    EXPECT_EQ(DropAt(LocalView(), *RemoteNames({"data.bin"}), LocalPoint("into"), Qt::CopyAction),
              Qt::IgnoreAction);
    window.SelectRemote({});
    EXPECT_EQ(DropAt(LocalView(), *RemoteNames({"hello.txt"}), LocalPoint("into"), Qt::CopyAction),
              Qt::IgnoreAction);
    EXPECT_EQ(QueueRows(), 0);
}

TEST_F(DragDrop, LocalFilesOnTheRemotePaneUploadIntoTheDirectoryRowElseTheCurrentDirectory)
{
    WriteWholeFile(local + "/a.txt", "a\n");
    fs::create_directories(local + "/deeper");
    WriteWholeFile(local + "/deeper/b.txt", "b\n");
    const std::string elsewhere = tmp + "/elsewhere";
    fs::create_directories(elsewhere);
    WriteWholeFile(elsewhere + "/c.txt", "c\n");
    const auto dropped = LocalFiles({local + "/a.txt", local + "/deeper", elsewhere + "/c.txt"});

    // Copy for every effect asked, so the source never deletes its files.
    for (Qt::DropAction asked : {Qt::CopyAction, Qt::MoveAction, Qt::LinkAction})
        EXPECT_EQ(DragTo(RemoteView(), *dropped, RemotePoint("upload"), asked), Qt::CopyAction) << asked;
    EXPECT_EQ(RemoteView()->Model().Caption(Handler().RemoteTarget()->HighlightedRow().row()), "upload");
    EXPECT_EQ(DropAt(RemoteView(), *dropped, RemotePoint("upload"), Qt::MoveAction), Qt::CopyAction);
    EXPECT_EQ(Handler().LastTarget(), TPaneDropHandler::dtRemote);
    ASSERT_TRUE(WaitForEmptyQueue());
    EXPECT_EQ(ReadWholeFile(ServerPath("upload/a.txt")), "a\n");
    EXPECT_EQ(ReadWholeFile(ServerPath("upload/deeper/b.txt")), "b\n");
    // A file from another folder keeps its own name.
    EXPECT_EQ(ReadWholeFile(ServerPath("upload/c.txt")), "c\n");
    EXPECT_TRUE(fs::exists(local + "/a.txt"));

    // Over a file row or free space: the current directory.
    const auto one = LocalFiles({local + "/note.txt"});
    EXPECT_EQ(DropAt(RemoteView(), *one, RemotePoint("hello.txt"), Qt::CopyAction), Qt::CopyAction);
    ASSERT_TRUE(WaitForEmptyQueue());
    EXPECT_EQ(ReadWholeFile(ServerPath("note.txt")), "note\n");
}

TEST_F(DragDrop, RemoteNamesOnAnotherDirectoryMoveThereWithOneRenameEach)
{
    window.SelectRemote({"hello.txt", "empty.bin"});
    const auto names = RemoteNames({"hello.txt", "empty.bin"});
    for (Qt::DropAction asked : {Qt::CopyAction, Qt::MoveAction, Qt::LinkAction})
        EXPECT_EQ(DragTo(RemoteView(), *names, RemotePoint("sub"), asked), Qt::MoveAction) << asked;
    EXPECT_EQ(DragTo(RemoteView(), *names, RemotePoint("data.bin"), Qt::MoveAction), Qt::IgnoreAction);
    EXPECT_FALSE(Handler().RemoteTarget()->HighlightedRow().isValid());
    EXPECT_EQ(DragTo(RemoteView(), *names, FreeSpace(RemoteView()), Qt::MoveAction), Qt::IgnoreAction);

    EXPECT_EQ(DropAt(RemoteView(), *names, RemotePoint("sub"), Qt::CopyAction), Qt::MoveAction);
    ASSERT_TRUE(WaitUntil([&] { return !window.RemoteCaptions().contains("hello.txt"); }));
    ASSERT_TRUE(window.WaitForListing("/"));
    EXPECT_EQ(ReadWholeFile(ServerPath("sub/hello.txt")), "Hello, world\n");
    EXPECT_TRUE(fs::exists(ServerPath("sub/empty.bin")));
    EXPECT_FALSE(fs::exists(ServerPath("hello.txt")));
    EXPECT_EQ(window.LogText().count("RNFR hello.txt"), 1);
    EXPECT_EQ(window.LogText().count("RNFR empty.bin"), 1);
    EXPECT_EQ(QueueRows(), 0);

    // A directory onto itself shows no effect; onto a sibling it moves.
    window.SelectRemote({"sub"});
    const auto folder = RemoteNames({"sub"});
    EXPECT_EQ(DropAt(RemoteView(), *folder, RemotePoint("sub"), Qt::MoveAction), Qt::IgnoreAction);
    EXPECT_EQ(DropAt(RemoteView(), *folder, RemotePoint("upload"), Qt::MoveAction), Qt::MoveAction);
    ASSERT_TRUE(WaitUntil([&] { return !window.RemoteCaptions().contains("sub"); }));
    EXPECT_EQ(ReadWholeFile(ServerPath("upload/sub/inner.txt")), "inner\n");

    // From a subdirectory, ".." moves an entry up.
    Form().RemoteList()->EnterDirectoryRequested("upload");
    ASSERT_TRUE(window.WaitForListing("/upload"));
    window.SelectRemote({"sub"});
    EXPECT_EQ(DropAt(RemoteView(), *folder, RemotePoint(".."), Qt::MoveAction), Qt::MoveAction);
    ASSERT_TRUE(WaitUntil([&] { return fs::exists(ServerPath("sub/inner.txt")); }));
}

TEST_F(DragDrop, BothPanesRefuseEveryDropWhileDisconnected)
{
    window.SelectRemote({"hello.txt"});
    const auto names = RemoteNames({"hello.txt"});
    const auto dropped = LocalFiles({local + "/note.txt"});
    Form().Action("DisconnectAction")->trigger();
    ASSERT_TRUE(WaitUntil([&] { return !Form().IsConnected(); }));
    window.SelectRemote({"hello.txt"});  // rows may linger; the drop must not care
    EXPECT_EQ(DropAt(LocalView(), *names, LocalPoint("into"), Qt::CopyAction), Qt::IgnoreAction);
    EXPECT_EQ(DropAt(RemoteView(), *dropped, FreeSpace(RemoteView()), Qt::CopyAction), Qt::IgnoreAction);
    EXPECT_EQ(QueueRows(), 0);
}

TEST_F(DragDrop, DropTargetsScrollNearTheirEdgesAndStopElsewhere)
{
    for (int n = 0; n < 200; ++n)
        WriteWholeFile(local + "/file" + std::to_string(1000 + n) + ".txt", "x");
    Form().LocalPane()->Refresh();
    ASSERT_TRUE(WaitUntil([&] { return Form().LocalPane()->RowNames().size() > 200; }));
    window.SelectRemote({"hello.txt"});
    const auto names = RemoteNames({"hello.txt"});
    QAbstractItemView* view = LocalView();
    TListDropTarget* target = Handler().LocalTarget(view);
    const int height = view->viewport()->height();
    ASSERT_GT(view->verticalScrollBar()->maximum(), 0);

    DragTo(view, *names, {30, height - 3}, Qt::CopyAction);
    EXPECT_EQ(target->ScrollDirection(), 1);
    ASSERT_TRUE(WaitUntil([&] { return view->verticalScrollBar()->value() >= 2; }));
    DragTo(view, *names, {30, height / 2}, Qt::CopyAction);
    EXPECT_EQ(target->ScrollDirection(), 0);
    const int still = view->verticalScrollBar()->value();
    DragTo(view, *names, {30, 2}, Qt::CopyAction);
    EXPECT_EQ(target->ScrollDirection(), -1);
    ASSERT_TRUE(WaitUntil([&] { return view->verticalScrollBar()->value() < still; }));
    QDragLeaveEvent leave;
    QApplication::sendEvent(view->viewport(), &leave);
    EXPECT_EQ(target->ScrollDirection(), 0);
}

TEST_F(DragDrop, RemoteRowsDraggedOutDownloadWhereTheFileManagerExtensionReports)
{
    const std::string destination = tmp + "/Desktop";
    fs::create_directories(destination);
    window.SelectRemote({"hello.txt", "sub"});
    ASSERT_TRUE(TDropTargetBlock::Write(""));  // an extension serves the block
    QStringList offeredNames;
    QList<QUrl> offeredUrls;
    Handler().RunDrag = [&](QDrag& drag) {
        offeredNames = TDragDrop::RemoteNames(*drag.mimeData());
        offeredUrls = drag.mimeData()->urls();
        TDropTargetBlock::Write(destination);
        return Qt::CopyAction;
    };
    ASSERT_TRUE(Handler().DragRemoteSelection());
    EXPECT_EQ(offeredNames, QStringList({"sub", "hello.txt"}));
    ASSERT_EQ(offeredUrls.size(), 1);
    EXPECT_EQ(offeredUrls.front().toLocalFile().toStdString(), TDropTargetBlock::PlaceholderPath());
    EXPECT_TRUE(offeredUrls.front().toLocalFile().endsWith("/TFTPDROP"));
    ASSERT_TRUE(WaitForEmptyQueue());
    EXPECT_EQ(ReadWholeFile(destination + "/hello.txt"), "Hello, world\n");
    EXPECT_EQ(ReadWholeFile(destination + "/sub/inner.txt"), "inner\n");
    // The report answered this drag only; the placeholder is gone.
    EXPECT_TRUE(TDropTargetBlock::Served());
    EXPECT_EQ(TDropTargetBlock::Take(), "");
    EXPECT_FALSE(fs::exists(TDropTargetBlock::PlaceholderPath()));

    // A drag that one of the program's lists took ignores any report.
    fs::remove_all(destination + "/sub");
    Handler().RunDrag = [&](QDrag& drag) {
        TDropTargetBlock::Write(destination);
        return DropAt(LocalView(), *drag.mimeData(), LocalPoint("into"), Qt::CopyAction);
    };
    ASSERT_TRUE(Handler().DragRemoteSelection());
    EXPECT_EQ(Handler().LastTarget(), TPaneDropHandler::dtLocal);
    ASSERT_TRUE(WaitForEmptyQueue());
    EXPECT_TRUE(fs::exists(local + "/into/sub/inner.txt"));
    EXPECT_FALSE(fs::exists(destination + "/sub"));
}

TEST_F(DragDrop, WithoutAnExtensionTheDragOffersNoFolderAndLeavesNothingBehind)
{
    TDropTargetBlock::Withdraw();
    window.SelectRemote({"hello.txt"});
    bool offeredUrls = true;
    Handler().RunDrag = [&](QDrag& drag) {
        offeredUrls = drag.mimeData()->hasUrls();
        return Qt::IgnoreAction;  // the file manager refuses what it cannot use
    };
    ASSERT_TRUE(Handler().DragRemoteSelection());
    EXPECT_FALSE(offeredUrls);
    EXPECT_EQ(QueueRows(), 0);
    EXPECT_FALSE(fs::exists(TDropTargetBlock::PlaceholderPath()));

    // Nothing selected, nothing dragged.
    window.SelectRemote({});
    EXPECT_FALSE(Handler().DragRemoteSelection());
}

TEST_F(DragDrop, MouseDragsStartOnSelectedRowsWithTheirData)
{
    QList<QUrl> localDragged;
    QStringList remoteDragged;
    Handler().RunDrag = [&](QDrag& drag) {
        if (TDragDrop::HasRemoteNames(*drag.mimeData()))
            remoteDragged = TDragDrop::RemoteNames(*drag.mimeData());
        else
            localDragged = drag.mimeData()->urls();
        return Qt::IgnoreAction;
    };
    const auto pressAndMove = [](QAbstractItemView* view, QPoint at) {
        QTest::mousePress(view->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseMove(view->viewport(), at + QPoint(0, QApplication::startDragDistance() + 4));
        QTest::mouseRelease(view->viewport(), Qt::LeftButton, {}, at + QPoint(0, QApplication::startDragDistance() + 4));
    };

    window.SelectRemote({"hello.txt", "data.bin"});
    pressAndMove(RemoteView(), RemotePoint("data.bin"));
    EXPECT_EQ(remoteDragged, QStringList({"data.bin", "hello.txt"}));

    LocalView()->selectionModel()->select(LocalRow("note.txt"),
                                          QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    pressAndMove(LocalView(), LocalPoint("note.txt"));
    ASSERT_EQ(localDragged.size(), 1);
    EXPECT_EQ(localDragged.front().toLocalFile().toStdString(), local + "/note.txt");

    // The ".." row alone is nothing to drag.
    localDragged.clear();
    LocalView()->selectionModel()->select(LocalRow(".."),
                                          QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    pressAndMove(LocalView(), LocalPoint(".."));
    EXPECT_TRUE(localDragged.isEmpty());
}
