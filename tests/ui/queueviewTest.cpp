// The queue page through the real main window against vsftpd: filling the
// queue from both panes, the queue commands, the row texts and bar, drops
// on the queue list, and the "File already exists" question.

#include "mainformHarness.h"

#include "platform/PowerOff.h"
#include "queue/QueueManager.h"
#include "session/FTPWorker.h"
#include "session/TransferExceptions.h"
#include "store/MainConfig.h"
#include "ui/DestinationDirectoryForm.h"
#include "ui/DragDrop.h"
#include "ui/FileAlreadyExistsForm.h"
#include "ui/LocalPane.h"
#include "ui/MainForm.h"
#include "ui/QueueListModel.h"
#include "ui/QueueListView.h"
#include "ui/QueuePage.h"
#include "ui/RemoteListView.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QUrl>

#include <atomic>
#include <filesystem>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

class CountingPowerOff : public IPowerOff {
public:
    explicit CountingPowerOff(std::shared_ptr<int> calls) : calls_(std::move(calls)) {}
    bool PowerOff() override
    {
        ++*calls_;
        return true;
    }

private:
    std::shared_ptr<int> calls_;
};

// A transfer that stands still at a chosen byte count.
class StillTransfer : public TQueueItemTransfer {
public:
    explicit StillTransfer(std::int64_t done) : done_(done) {}
    std::int64_t BytesDone() const override { return done_; }
    void RequestStop() override {}
    TQueueItemStatus RecordedStatusCode() const override { return qsTransferring; }
    std::string RecordedStatusText() const override { return "Transfering"; }

private:
    std::int64_t done_;
};

class QueueView : public ::testing::Test {
protected:
    void SetUp() override
    {
        GiveToTestUser(files.Root());
        local = files.Root() + "-local";
        fs::create_directories(local);
        local = fs::canonical(local).string();
        server = std::make_unique<VsftpdServer>(files.Root());
        window.StoreHost(*server, "Loopback vsftpd");
        window.Open();
        ASSERT_TRUE(window.Connect());
        ASSERT_TRUE(Form().LocalPane()->SetDirectory(QString::fromStdString(local)));
        Form().SetPowerOff(std::make_unique<CountingPowerOff>(powerOffs));
    }
    void TearDown() override
    {
        window.Destroy();
        std::error_code ignored;
        fs::remove_all(local, ignored);
    }

    TMainForm& Form() { return window.Form(); }
    TQueuePage& Page() { return *Form().QueueView(); }
    TQueueListModel& Rows() { return Page().Model(); }
    int RowCount() { return Rows().rowCount(); }
    QString Cell(int row, int column) { return Rows().index(row, column).data().toString(); }
    int RowNamed(const QString& name)
    {
        for (int row = 0; row < RowCount(); ++row)
            if (Cell(row, TQueueListModel::qcFilename) == name)
                return row;
        return -1;
    }
    void Trigger(const char* action) { Form().Action(action)->trigger(); }
    bool WaitForEmptyQueue() { return WaitUntil([&] { return RowCount() == 0 && Form().Queue().ThreadCount() == 0; }); }
    void SelectRows(std::initializer_list<int> rows)
    {
        Page().View()->clearSelection();
        for (int row : rows)
            Page().View()->selectionModel()->select(Rows().index(row, 0),
                                                    QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }

    FixtureTree files;
    std::string local;
    std::unique_ptr<VsftpdServer> server;
    TMainWindowHarness window;
    std::shared_ptr<int> powerOffs = std::make_shared<int>(0);
};

TEST_F(QueueView, DownloadQueuesTheSelectionButNotTheParentRowAndTransfersIt)
{
    window.SelectRemote({"..", "hello.txt", "data.bin", "sub"});
    Trigger("DownloadAction");
    ASSERT_TRUE(WaitForEmptyQueue());
    EXPECT_EQ(ReadWholeFile(local + "/hello.txt"), "Hello, world\n");
    EXPECT_EQ(ReadWholeFile(local + "/data.bin"), FixtureTree::Pattern(300000));
    EXPECT_EQ(ReadWholeFile(local + "/sub/inner.txt"), "inner\n");
    EXPECT_EQ(*powerOffs, 0);  // the flag was not set
}

TEST_F(QueueView, DownloadWithNothingSelectedAsksAndNoQueuesNothing)
{
    window.SelectRemote({});
    window.OnNextModal([](QWidget* dialog) { ClickButton(dialog, QStringLiteral("No")); });
    Trigger("DownloadAction");
    EXPECT_TRUE(window.ModalAnswered());
    EXPECT_EQ(RowCount(), 0);
}

TEST_F(QueueView, AddToQueueWaitsThenStopClearDeleteAndPlayDriveTheRows)
{
    window.SelectRemote({"hello.txt", "data.bin", "empty.bin"});
    Trigger("AddRemoteFilesToQueueAction");
    ASSERT_EQ(RowCount(), 3);
    EXPECT_EQ(Form().Queue().ThreadCount(), 0u);
    const int hello = RowNamed("hello.txt");
    ASSERT_GE(hello, 0);
    EXPECT_EQ(Cell(hello, TQueueListModel::qcStatus), "Awaiting transfer");
    EXPECT_EQ(Cell(hello, TQueueListModel::qcRemotePath), "/");
    EXPECT_EQ(Cell(hello, TQueueListModel::qcLocalPath), QString::fromStdString(local + "/"));
    EXPECT_EQ(Rows().SizeText(RowNamed("data.bin")).isEmpty(), false);
    EXPECT_TRUE(Rows().SizeText(RowNamed("data.bin")).endsWith(" / 292.97 KB") ||
                Rows().SizeText(RowNamed("data.bin")) == QLocale().toString(293) + " KB")
        << Rows().SizeText(RowNamed("data.bin")).toStdString();
    EXPECT_TRUE(Form().Action("PlayQueueAction")->isEnabled());

    // Clear asks with the row count; No keeps the rows.
    QString question;
    window.OnNextModal([&](QWidget* dialog) {
        if (auto* box = qobject_cast<QMessageBox*>(dialog))
            question = box->text();
        ClickButton(dialog, QStringLiteral("No"));
    });
    Trigger("ClearQueueAction");
    EXPECT_EQ(question, "Are you sure you want to clear the queue of 3 file(s)?");
    EXPECT_EQ(RowCount(), 3);

    Trigger("StopQueueAction");
    for (int row = 0; row < 3; ++row) {
        EXPECT_EQ(Cell(row, TQueueListModel::qcStatus), "Transfer stopped.");
        EXPECT_TRUE(Rows().index(row, TQueueListModel::qcStatus).data(Qt::FontRole).value<QFont>().bold());
    }

    // The Delete key removes the selected row.
    SelectRows({RowNamed("empty.bin")});
    Page().View()->setFocus();
    QTest::keyClick(Page().View(), Qt::Key_Delete);
    ASSERT_EQ(RowCount(), 2);
    EXPECT_EQ(RowNamed("empty.bin"), -1);

    // A paused row is not run by "Transfer now" of another row.
    SelectRows({RowNamed("data.bin")});
    Trigger("PauseQueueItemAction");
    SelectRows({RowNamed("hello.txt")});
    Trigger("BeginQueueItemTransferAction");
    ASSERT_TRUE(WaitUntil([&] { return RowCount() == 1; }));
    EXPECT_EQ(Cell(0, TQueueListModel::qcFilename), "data.bin");
    EXPECT_TRUE(fs::exists(local + "/hello.txt"));

    Trigger("PlayQueueAction");
    ASSERT_TRUE(WaitForEmptyQueue());
    EXPECT_EQ(ReadWholeFile(local + "/data.bin"), FixtureTree::Pattern(300000));
    EXPECT_FALSE(Form().Action("PlayQueueAction")->isEnabled());

    // Yes clears.
    window.SelectRemote({"hello.txt", "data.bin"});
    Trigger("AddRemoteFilesToQueueAction");
    window.OnNextModal([](QWidget* dialog) { ClickButton(dialog, QStringLiteral("Yes")); });
    Trigger("ClearQueueAction");
    EXPECT_EQ(RowCount(), 0);
    EXPECT_EQ(Form().Queue().Count(), 0u);
}

TEST_F(QueueView, UploadOfTheLastFileRefreshesTheRemoteFolderAndSelectsIt)
{
    WriteWholeFile(local + "/one.txt", "one\n");
    WriteWholeFile(local + "/two.txt", "two two\n");
    Form().LocalPane()->Refresh();
    ASSERT_TRUE(WaitUntil([&] { return Form().LocalPane()->RowNames().contains(QStringLiteral("two.txt")); }));
    Form().LocalPane()->SelectAll();
    window.Form().Action("UploadAction")->trigger();
    ASSERT_TRUE(WaitForEmptyQueue());
    EXPECT_EQ(ReadWholeFile(files.Root() + "/one.txt"), "one\n");
    EXPECT_EQ(ReadWholeFile(files.Root() + "/two.txt"), "two two\n");
    ASSERT_TRUE(WaitUntil([&] {
        const auto rows = Form().RemoteList()->SelectedRows();
        return !Form().IsBusy() && rows.size() == 1 &&
               (Form().RemoteList()->Model().Caption(rows[0]) == "one.txt" ||
                Form().RemoteList()->Model().Caption(rows[0]) == "two.txt");
    }));
}

TEST_F(QueueView, PowerOffFollowsOnlyACompletedLastItem)
{
    Form().Action("TurnOffComputerAction")->setChecked(false);
    Trigger("TurnOffComputerAction");  // checks it
    ASSERT_TRUE(Form().Action("TurnOffComputerAction")->isChecked());
    // A download whose remote file is missing fails: no power-off.
    Form().Queue().AddDownload(Form().CurrentHost(), "/", true, 0, 5, false, local + "/", "/missing.txt");
    Form().Queue().StartTransfers();
    ASSERT_TRUE(WaitUntil([&] {
        return RowCount() == 1 && Form().Queue().Items().front()->Status == qsFailed;
    }));
    EXPECT_EQ(*powerOffs, 0);
    SelectRows({0});
    Trigger("DeleteQueueItemAction");
    window.SelectRemote({"hello.txt"});
    Trigger("DownloadAction");
    ASSERT_TRUE(WaitForEmptyQueue());
    EXPECT_EQ(*powerOffs, 1);
}

TEST_F(QueueView, SizeTextAndBarFollowTheRunningTransfer)
{
    TQueueItem& item =
        Form().Queue().AddDownload(Form().CurrentHost(), "/", false, 0, 100 * 1024, false, local + "/", "/x.bin");
    StillTransfer still(12 * 1024);
    item.Transfer = &still;
    item.Progress = 12;
    item.SetStatus(qsTransferring, "Transfering");
    Page().RefreshVisibleRows();
    const QString separator = QLocale().decimalPoint();
    EXPECT_EQ(Cell(0, TQueueListModel::qcSize), "12" + separator + "00 KB / 100" + separator + "00 KB");
    EXPECT_EQ(Rows().index(0, TQueueListModel::qcProgress).data(TQueueListModel::BarRole).toInt(), 12);
    item.Transfer = nullptr;
    item.SetStatus(qsFailed, "Connection to remote host refused.");
    EXPECT_EQ(Rows().index(0, TQueueListModel::qcProgress).data(TQueueListModel::BarRole).toInt(), 0);
    EXPECT_TRUE(Rows().index(0, TQueueListModel::qcStatus).data(Qt::FontRole).value<QFont>().bold());
}

TEST_F(QueueView, DropsOnTheQueueAddUnscheduledItemsAndAreRefusedWhenDisconnected)
{
    WriteWholeFile(local + "/drop.txt", "drop\n");
    QMimeData files_;
    files_.setUrls({QUrl::fromLocalFile(QString::fromStdString(local + "/drop.txt"))});
    TQueueListView* view = Page().View();
    EXPECT_EQ(view->GrantedAction(files_, Qt::MoveAction), Qt::CopyAction);
    ASSERT_TRUE(Form().DropOnQueue(files_));
    ASSERT_EQ(RowCount(), 1);
    EXPECT_EQ(Cell(0, TQueueListModel::qcFilename), "drop.txt");
    EXPECT_FALSE(Form().Queue().Items().front()->Scheduled);

    window.SelectRemote({"hello.txt"});
    std::unique_ptr<QMimeData> remote(TDragDrop::RemoteDragData({QStringLiteral("hello.txt")}));
    EXPECT_EQ(TDragDrop::RemoteNames(*remote), QStringList{"hello.txt"});
    ASSERT_TRUE(Form().DropOnQueue(*remote));
    ASSERT_EQ(RowCount(), 2);
    EXPECT_EQ(Cell(1, TQueueListModel::qcFilename), "hello.txt");
    EXPECT_EQ(Form().Queue().ThreadCount(), 0u);

    Trigger("DisconnectAction");
    ASSERT_TRUE(WaitUntil([&] { return !Form().IsConnected(); }));
    EXPECT_EQ(view->GrantedAction(files_, Qt::CopyAction), Qt::IgnoreAction);
    EXPECT_FALSE(Form().DropOnQueue(files_));
    EXPECT_EQ(RowCount(), 2);
}

TEST(DragDropBlock, NamesRoundTripInTheWideBlockLayout)
{
    const QStringList names{QStringLiteral("a.txt"), QStringLiteral("Ünïcode ✓.bin"), QStringLiteral("dir")};
    const QByteArray block = TDragDrop::EncodeNameBlock(names);
    ASSERT_GE(block.size(), 20);
    EXPECT_EQ(static_cast<unsigned char>(block[0]), 20);   // list offset
    EXPECT_EQ(static_cast<unsigned char>(block[16]), 1);   // wide characters
    EXPECT_EQ(TDragDrop::DecodeNameBlock(block), names);
    EXPECT_TRUE(TDragDrop::DecodeNameBlock(block.left(10)).isEmpty());
    EXPECT_TRUE(TDragDrop::DecodeNameBlock(TDragDrop::EncodeNameBlock({})).isEmpty());
}

// --- the "File already exists" question -------------------------------------------

TEST_F(QueueView, ExistingLocalFileAsksAndOverwriteForTheQueueAppliesToTheOthers)
{
    // Same sizes, other contents: only an overwrite brings the server's bytes.
    WriteWholeFile(local + "/hello.txt", "HELLO, WORLD\n");
    fs::create_directories(local + "/sub");
    WriteWholeFile(local + "/sub/inner.txt", "INNER\n");
    // Every question that shows is answered (the folder's file may meet its
    // conflict before or after the first answer).
    QString headline;
    bool resumeEnabled = true;
    int questions = 0;
    QTimer answerer;
    answerer.setInterval(20);
    QObject::connect(&answerer, &QTimer::timeout, [&] {
        TFileAlreadyExistsForm* form = Page().OpenQuestion();
        if (!form || !form->isVisible())
            return;
        ++questions;
        headline = form->findChild<QLabel*>(QStringLiteral("Headline"))->text();
        resumeEnabled = form->ResumeButton()->isEnabled();
        form->ScopeBox()->setCurrentIndex(efsAllInQueue);
        form->OverwriteButton()->click();
    });
    answerer.start();
    window.SelectRemote({"hello.txt", "sub"});
    Trigger("DownloadAction");
    ASSERT_TRUE(WaitForEmptyQueue());
    EXPECT_GE(questions, 1);
    EXPECT_EQ(headline, "The local file already exists.");
    EXPECT_FALSE(resumeEnabled);
    EXPECT_EQ(ReadWholeFile(local + "/hello.txt"), "Hello, world\n");
    EXPECT_EQ(ReadWholeFile(local + "/sub/inner.txt"), "inner\n");
    EXPECT_EQ(Form().Queue().DownloadSameSizeDefault(), faeOverwrite);
}

struct ButtonCase {
    const char* Button;
    int Scope;
    TFileAlreadyExistsAction Expected;
};

TEST(FileAlreadyExistsForm, EachButtonAnswersWithEachScopeAndTheCountdownSkips)
{
    EnsureTestApplication();
    THost host;
    auto item = TQueueItem::NewDownload(host, "/", true, 0, 10, false, "/tmp/", "/f.txt");
    const EFTLocalFileSmallerAlreadyExists smaller(5, 10, "local time", "remote time");
    const ButtonCase cases[] = {
        {"Overwrite", efsOnlyThisFile, faeOverwrite}, {"Overwrite", efsAllInQueue, faeOverwrite},
        {"Resume", efsAllInQueue, faeResume},         {"Resume", efsAlways, faeResume},
        {"Skip", efsAlways, faeSkip},                 {"Cancel", efsOnlyThisFile, faeSkip},
    };
    for (const ButtonCase& c : cases) {
        TFileAlreadyExistsForm form(*item, smaller);
        form.ScopeBox()->setCurrentIndex(c.Scope);
        QPushButton* button = c.Button == std::string("Overwrite") ? form.OverwriteButton()
                              : c.Button == std::string("Resume")  ? form.ResumeButton()
                              : c.Button == std::string("Skip")    ? form.SkipButton()
                                                                   : form.CancelButton();
        EXPECT_TRUE(button->isEnabled()) << c.Button;
        button->click();
        EXPECT_EQ(form.result(), QDialog::Accepted) << c.Button;
        EXPECT_EQ(form.Answer().Action, c.Expected) << c.Button;
        EXPECT_EQ(form.Answer().Scope, c.Scope) << c.Button;
    }

    TFileAlreadyExistsForm escape(*item, smaller);
    QTest::keyClick(&escape, Qt::Key_Escape);
    EXPECT_EQ(escape.result(), QDialog::Accepted);
    EXPECT_EQ(escape.ChosenAction(), faeSkip);

    const EFTLocalFileAlreadyExists same(10, 10, "l", "r");
    TFileAlreadyExistsForm countdown(*item, same);
    EXPECT_FALSE(countdown.ResumeButton()->isEnabled());
    EXPECT_EQ(countdown.SkipButton()->text(), "&Skip [30]");
    EXPECT_EQ(countdown.FilenameLabel()->toolTip(), "/tmp/f.txt");
    for (int second = 0; second < 29; ++second)
        countdown.Tick();
    EXPECT_EQ(countdown.SkipButton()->text(), "&Skip [1]");
    EXPECT_EQ(countdown.ChosenAction(), faeAsk);
    countdown.Tick();
    EXPECT_EQ(countdown.result(), QDialog::Accepted);
    EXPECT_EQ(countdown.ChosenAction(), faeSkip);
    EXPECT_EQ(countdown.ChoiceScope(), efsOnlyThisFile);
}

TEST(DestinationDirectoryForm, OffersTheInitialFolderAndBookmarksSortedAndEmptyMeansInitial)
{
    EnsureTestApplication();
    THost host(THostDefaults{});
    host.InitialRemoteDirectory = "/pub";
    host.AddBookmark("/incoming");
    host.AddBookmark("/www/site");
    TDestinationDirectoryForm form(host);
    QComboBox* box = form.DirectoryBox();
    ASSERT_EQ(box->count(), 3);
    EXPECT_EQ(box->itemText(0), "/incoming");
    EXPECT_EQ(box->itemText(2), "/www/site");
    EXPECT_EQ(form.Destination(), "/incoming");  // the first entry is preselected
    box->setEditText(QStringLiteral("/other/"));
    EXPECT_EQ(form.Destination(), "/other/");
    box->setEditText(QString());
    EXPECT_EQ(form.Destination(), "/pub");
}

} // namespace
