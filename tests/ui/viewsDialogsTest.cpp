// The suppressible question, the worker error dialog, the log line of an
// exception nobody caught, the window helpers and the event pump that brings
// worker events to the Qt thread.

#include "viewsGuiApp.h"

#include "session/PendingError.h"
#include "session/TransferExceptions.h"
#include "store/MainConfig.h"
#include "ui/FTPWorkerErrorForm.h"
#include "ui/QtEventPump.h"
#include "ui/SuppressibleDialog.h"
#include "ui/UnhandledExceptionLog.h"
#include "ui/WindowHelpers.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <thread>

namespace {

using guitest::WhenModal;

QPushButton* ButtonNamed(QWidget* dialog, const QString& caption)
{
    for (QPushButton* button : dialog->findChildren<QPushButton*>())
        if (button->text() == caption)
            return button;
    return nullptr;
}

class SuppressibleDialogTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    TMainConfig config{dir.path().toStdString()};
    int shown = 0;

    /// Asks IDS_53; when the dialog shows, checks the box if `check` and
    /// clicks `caption` (empty: presses Escape).
    int Ask(int answerWhenSuppressed, const QString& caption, bool check)
    {
        WhenModal([this, caption, check](QWidget* modal) {
            ++shown;
            modal->findChild<QCheckBox*>()->setChecked(check);
            if (caption.isEmpty())
                QTest::keyClick(modal, Qt::Key_Escape);
            else
                ButtonNamed(modal, caption)->click();
        });
        const int answer = ShowSuppressibleDialog(nullptr, "IDS_53", {}, mtConfirmation, mbYes | mbNo,
                                                  answerWhenSuppressed, &config);
        // A dialog that was not shown leaves the watcher waiting: end it.
        for (QTimer* timer : QCoreApplication::instance()->findChildren<QTimer*>())
            delete timer;
        return answer;
    }
};

}  // namespace

TEST_F(SuppressibleDialogTest, ShowsTheQuestionWithItsTitleButtonsAndBox)
{
    TSuppressibleDialog dialog("Are you sure you want to close?", mtConfirmation, mbYes | mbNo);
    EXPECT_EQ(dialog.windowTitle(), "Confirmation");
    EXPECT_EQ(dialog.DontShowAgainBox()->text(), "Don't show this confirmation again");
    EXPECT_EQ(dialog.DontShowAgainBox()->toolTip(), dialog.DontShowAgainBox()->text());
    ASSERT_NE(ButtonNamed(&dialog, "&Yes"), nullptr);
    ASSERT_NE(ButtonNamed(&dialog, "&No"), nullptr);
    EXPECT_TRUE(ButtonNamed(&dialog, "&Yes")->isDefault());
    EXPECT_EQ(ButtonNamed(&dialog, "&Cancel"), nullptr);
    EXPECT_EQ(TSuppressibleDialog::KindTitle(mtWarning), "Warning");
    EXPECT_EQ(TSuppressibleDialog::KindTitle(mtError), "Error");
    EXPECT_EQ(TSuppressibleDialog::KindTitle(mtInformation), "Information");
    EXPECT_EQ(TSuppressibleDialog::KindTitle(7), "");
    TSuppressibleDialog warning("x", mtWarning, mbOK);
    EXPECT_EQ(warning.DontShowAgainBox()->text(), "Don't show this warning again");
}

TEST_F(SuppressibleDialogTest, AnswersWithoutTheBoxAreNotRemembered)
{
    EXPECT_EQ(Ask(mrYes, "&Yes", false), mrYes);
    EXPECT_EQ(Ask(mrYes, "", false), mrNo);  // Escape answers No
    EXPECT_EQ(shown, 2);
    EXPECT_EQ(config.DialogDefault("IDS_53"), 0);
}

TEST_F(SuppressibleDialogTest, ACheckedBoxStoresTheAnswerAndSuppressesTheQuestion)
{
    // No this time, with the box checked: stored; then never asked again and
    // the answer when suppressed decides.
    EXPECT_EQ(Ask(mrYes, "&No", true), mrNo);
    EXPECT_EQ(config.DialogDefault("IDS_53"), mrNo);
    EXPECT_EQ(config.ReadInteger("IDS_53DialogDefault", 0), 7);
    EXPECT_EQ(Ask(mrYes, "&Yes", false), mrYes);
    EXPECT_EQ(Ask(0, "&Yes", false), mrNo);  // 0: the stored answer
    EXPECT_EQ(shown, 1);

    // A value set back to 0 (edited by hand) asks again; so does one that
    // is not a number.
    config.WriteInteger("IDS_53DialogDefault", 0);
    EXPECT_EQ(Ask(mrYes, "&Yes", false), mrYes);
    config.WriteValue("IDS_53DialogDefault", "rubbish");
    EXPECT_EQ(Ask(mrYes, "&No", false), mrNo);
    EXPECT_EQ(shown, 3);
}

TEST_F(SuppressibleDialogTest, FillsTheTextsPlaceholders)
{
    QString text;
    WhenModal([&](QWidget* modal) {
        for (QLabel* label : modal->findChildren<QLabel*>())
            if (label->objectName() == "message")
                text = label->text();
        ButtonNamed(modal, "&No")->click();
    });
    EXPECT_EQ(ShowSuppressibleDialog(nullptr, "IDS_56", {"notes.txt"}, mtConfirmation, mbYes | mbNo, mrNo, &config),
              mrNo);
    EXPECT_EQ(text, "The file notes.txt was modified on your computer.\n\nWould you like to upload the modified file?");
}

TEST(FTPWorkerErrorForm, ShowsShortAndLongTextsOfTheProgramsErrors)
{
    TFTPWorkerErrorForm notFound{EFTRemoteFileNotFound()};
    EXPECT_EQ(notFound.windowTitle(), "Error");
    EXPECT_EQ(notFound.Headline(), "The remote file was not found.");
    EXPECT_EQ(notFound.Explanation(), "The remote file was not found.");
    EXPECT_EQ(notFound.OkButton()->text(), "&OK");
    EXPECT_TRUE(notFound.OkButton()->isDefault());
    EXPECT_FALSE(notFound.windowFlags().testFlag(Qt::WindowMinimizeButtonHint));
    EXPECT_FALSE(notFound.windowFlags().testFlag(Qt::WindowMaximizeButtonHint));

    TFTPWorkerErrorForm refused{EFTRemoteConnectionFailed()};
    EXPECT_EQ(refused.Headline(), "Connection to remote host refused.");
    EXPECT_TRUE(refused.Explanation().startsWith("Connection to remote host was refused. Possible causes"));

    TFTPWorkerErrorForm foreign{std::runtime_error("disk full")};
    EXPECT_EQ(foreign.Headline(), "disk full");
    EXPECT_TRUE(foreign.Explanation().isEmpty());
}

TEST(FTPWorkerErrorForm, ShowsTheErrorInTheSlotOnceAndEmptiesIt)
{
    TPendingError slot;
    EXPECT_FALSE(ShowWorkerError(nullptr, slot));  // nothing pending: no dialog
    // Two errors before the user interface runs: one dialog, with the second.
    slot.Set(std::make_unique<EFTRemoteDirectoryCantChange>());
    slot.Set(std::make_unique<EFTRemoteDirectoryCantRead>());
    QString headline;
    WhenModal([&](QWidget* modal) {
        headline = static_cast<TFTPWorkerErrorForm*>(modal)->Headline();
        QTest::keyClick(modal, Qt::Key_Escape);
    });
    EXPECT_TRUE(ShowWorkerError(nullptr, slot));
    EXPECT_EQ(headline, "Could not read the contents of choosen directory.");
    EXPECT_TRUE(slot.Empty());
    EXPECT_FALSE(ShowWorkerError(nullptr, slot));
}

TEST(UnhandledExceptionLog, OneStatusLinePerKindOfError)
{
    struct Case {
        std::exception_ptr Error;
        std::string Line;
    };
    const Case cases[] = {
        {std::make_exception_ptr(EFTRemoteCantRename()), "TransferException: Could not rename the remote file or directory."},
        {std::make_exception_ptr(EFDRemoteConnectionFailed()), "DirectException: Connection to remote host refused."},
        {std::make_exception_ptr(std::out_of_range("index 7")), "Other exception: std::out_of_range/index 7"},
        {std::make_exception_ptr(42), "Other exception: int/"},
    };
    TUnhandledExceptionLog handler;
    std::vector<std::string> logged;
    handler.Attach([&](const std::string& line) { logged.push_back(line); });
    for (const Case& c : cases) {
        EXPECT_EQ(TUnhandledExceptionLog::LineFor(c.Error), c.Line);
        EXPECT_TRUE(handler.Handle(c.Error));
    }
    EXPECT_EQ(logged.size(), std::size(cases));
    handler.Detach();  // shutdown: dropped silently
    EXPECT_FALSE(handler.Handle(cases[0].Error));
    EXPECT_EQ(logged.size(), std::size(cases));
}

TEST(WindowHelpers, FocusGoesToTheHighestControlThatTakesIt)
{
    QWidget page;
    page.resize(400, 1200);
    const auto place = [&](QWidget* widget, int top) {
        widget->setParent(&page);
        widget->move(10, top);
        return widget;
    };
    place(new QLabel("label"), 5);  // takes no focus
    QWidget* disabled = place(new QLineEdit, 8);
    disabled->setEnabled(false);
    QWidget* first = place(new QLineEdit, 20);
    place(new QCheckBox("same top, later"), 20);
    QWidget* nested = place(new QWidget, 15);
    auto* inner = new QLineEdit(nested);
    inner->move(0, 30);  // 45 from the page's top
    place(new QLineEdit, 1000);
    page.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&page));
    EXPECT_EQ(FocusFirstControl(&page), first);
    EXPECT_TRUE(WaitUntil([&] { return first->hasFocus(); }));

    first->hide();
    EXPECT_EQ(FocusFirstControl(&page)->metaObject()->className(), std::string("QCheckBox"));
    QWidget empty;
    EXPECT_EQ(FocusFirstControl(&empty), nullptr);
}

TEST(WindowHelpers, PasswordFieldsAreMaskedUnlessShownInTheClear)
{
    QLineEdit field;
    StylePasswordField(&field, false);
    EXPECT_EQ(field.echoMode(), QLineEdit::Password);
    StylePasswordField(&field, true);
    EXPECT_EQ(field.echoMode(), QLineEdit::Normal);
}

TEST(QtEventPump, RunsPostedClosuresOnTheQtThreadInOrder)
{
    TEventDispatcher dispatcher;
    TQtEventPump pump(dispatcher);
    std::vector<int> order;
    std::vector<bool> onMain;
    std::thread poster([&] {
        for (int i = 0; i < 200; ++i)
            dispatcher.Post([&, i] {
                order.push_back(i);
                onMain.push_back(QThread::currentThread() == qApp->thread());
            });
    });
    poster.join();
    ASSERT_TRUE(WaitUntil([&] { return order.size() == 200; }));
    for (int i = 0; i < 200; ++i)
        EXPECT_EQ(order[static_cast<std::size_t>(i)], i);
    EXPECT_EQ(std::count(onMain.begin(), onMain.end(), false), 0);
}

TEST(QtEventPump, ASendFromAWorkerIsServedWhileAModalDialogIsOpen)
{
    TEventDispatcher dispatcher;
    TQtEventPump pump(dispatcher);
    QDialog dialog;
    std::atomic<bool> sent{false};
    std::thread worker;
    QTimer::singleShot(0, [&] {
        worker = std::thread([&] {
            // Blocks until the Qt thread ran it: inside the dialog's loop.
            dispatcher.Send([&] { dialog.accept(); });
            sent = true;
        });
    });
    EXPECT_EQ(dialog.exec(), QDialog::Accepted);
    worker.join();
    EXPECT_TRUE(sent);
}

TEST(QtEventPump, AClosureThatThrowsIsReportedAndTheRestStillRun)
{
    TEventDispatcher dispatcher;
    TQtEventPump pump(dispatcher);
    std::vector<std::string> reported;
    pump.SetExceptionHandler([&](std::exception_ptr error) { reported.push_back(TUnhandledExceptionLog::LineFor(error)); });
    bool after = false;
    std::thread poster([&] {
        dispatcher.Post([] { throw EFDRemoteConnectionFailed(); });
        dispatcher.Post([&] { after = true; });
    });
    poster.join();
    ASSERT_TRUE(WaitUntil([&] { return after; }));
    EXPECT_EQ(reported, std::vector<std::string>{"DirectException: Connection to remote host refused."});
}
