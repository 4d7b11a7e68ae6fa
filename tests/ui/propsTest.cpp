// The properties window against vsftpd: what it shows for one entry and
// for a mixed selection, the mode, owner and rename commands it sends, the
// questions on closing, the progress window's Cancel, and the size of
// folders added up through the worker's walk.

#include "propsSession.h"
#include "viewsGuiApp.h"

#include "i18n/LanguageManager.h"
#include "store/Helpers.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressDialog>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QTimer>

#include <sys/stat.h>
#include <unistd.h>

namespace {

using Box = TFilePropertiesForm;

/// /p (the test user's): a.txt 644, b.txt 640, r.txt of root, folders d1
/// (with d1/sub) and d2 with files of known sizes, and dir/.
class PropsTree {
public:
    PropsTree() : root_(MakeTempDir("props"))
    {
        WriteFiles(root_, {{"p/a.txt", "aaaa"},
                           {"p/b.txt", "bb"},
                           {"p/r.txt", "r"},
                           {"p/d1/x.bin", std::string(100000, 'x')},
                           {"p/d1/sub/y.bin", std::string(200000, 'y')},
                           {"p/d2/z.bin", std::string(300000, 'z')},
                           {"p/dir/keep.txt", "k"},
                           {"p/d3/locked/secret.bin", "s"}});
        ::chmod(root_.c_str(), 0755);  // the server's user reads it
        GiveToTestUser(root_ + "/p");
        ::chmod(Path("a.txt").c_str(), 0644);
        ::chmod(Path("b.txt").c_str(), 0640);
        (void)::lchown(Path("r.txt").c_str(), 0, 0);
        // A folder the server's user may not enter.
        (void)::lchown(Path("d3/locked").c_str(), 0, 0);
        ::chmod(Path("d3/locked").c_str(), 0700);
    }
    ~PropsTree() { RemoveTree(root_); }
    const std::string& Root() const { return root_; }
    std::string Path(const std::string& name) const { return root_ + "/p/" + name; }
    unsigned Mode(const std::string& name) const
    {
        struct stat info {};
        return ::stat(Path(name).c_str(), &info) == 0 ? info.st_mode & 07777 : 0;
    }

private:
    std::string root_;
};

using guitest::AnswerNextQuestion;

class PropertiesTest : public ::testing::Test {
protected:
    PropsTree tree;
    VsftpdServer server{tree.Root()};
    TPropsSession session{server};

    void SetUp() override
    {
        ASSERT_TRUE(session.Open()) << server.Log();
        ASSERT_TRUE(session.ChangeTo("/p"));
        session.TakeCommands();
    }

    std::unique_ptr<TFilePropertiesForm> Open(const std::vector<std::string>& names)
    {
        auto form = std::make_unique<TFilePropertiesForm>(session.Worker, session.Entries(names));
        EXPECT_EQ(form->Entries().size(), names.size());
        form->show();
        return form;
    }
    /// Runs `close` on the form and waits for the listing that follows.
    void ApplyAndWait(const std::function<void()>& close)
    {
        const int before = session.Listings;
        close();
        ASSERT_TRUE(session.WaitForListing(before));
    }
};

TEST_F(PropertiesTest, OneFileShowsItsNameDateModeAndOwner)
{
    auto form = Open({"a.txt"});
    EXPECT_TRUE(form->NameField()->isVisible());
    EXPECT_EQ(form->NameField()->text(), "a.txt");
    EXPECT_FALSE(form->CountLabel()->isVisible());
    EXPECT_TRUE(form->DateLabel()->text().startsWith("Date modified: "));
    EXPECT_GT(form->DateLabel()->text().size(), QString("Date modified: ").size());
    EXPECT_EQ(form->LocationLabel()->text(), "Location: /p");
    EXPECT_TRUE(form->TypeLabel()->text().startsWith("Type of file: "));
    EXPECT_EQ(form->SizeLabel()->text(), "1 KB");
    EXPECT_FALSE(form->CalculateButton()->isVisible());
    EXPECT_EQ(form->ModeField()->text(), "644");
    EXPECT_EQ(form->UserField()->text().toStdString(), session.Entries({"a.txt"})[0].Owner);
    EXPECT_NE(form->UserField()->text(), "0");  // the test user's, not root's
    EXPECT_FALSE(form->ApplyButton()->isEnabled());
    for (int cls = 0; cls < 3; ++cls)
        for (int bit = 0; bit < 3; ++bit)
            EXPECT_FALSE(form->PermissionBox(Box::TClass(cls), Box::TBit(bit))->isTristate());
}

TEST_F(PropertiesTest, MixedSelectionGraysTheDifferencesAndSendsOnlyTheOwner)
{
    auto form = Open({"a.txt", "b.txt", "r.txt"});
    EXPECT_FALSE(form->NameField()->isVisible());
    EXPECT_FALSE(form->DateLabel()->isVisible());
    EXPECT_EQ(form->CountLabel()->text(), "3 Files, 0 Folders");
    EXPECT_TRUE(form->TypeLabel()->text().startsWith("Type of file: All of type ")) << form->TypeLabel()->text().toStdString();
    EXPECT_EQ(form->PermissionBox(Box::pcOther, Box::pbRead)->checkState(), Qt::PartiallyChecked);
    EXPECT_EQ(form->PermissionBox(Box::pcOwner, Box::pbRead)->checkState(), Qt::Checked);
    EXPECT_EQ(form->PermissionBox(Box::pcOwner, Box::pbExecute)->checkState(), Qt::Unchecked);
    EXPECT_EQ(form->ModeField()->text(), "N/A");
    EXPECT_EQ(form->UserField()->text(), "<<different users>>");

    // Only the owner changes: one owner command per entry, no mode command.
    form->UserField()->selectAll();
    QTest::keyClicks(form->UserField(), "0");
    EXPECT_TRUE(form->ApplyButton()->isEnabled());
    ApplyAndWait([&] { form->accept(); });
    EXPECT_FALSE(form->isVisible());
    const auto commands = session.TakeCommands();
    EXPECT_EQ(TPropsSession::CountStarting(commands, "SITE CHOWN 0 "), 3);
    EXPECT_EQ(TPropsSession::CountStarting(commands, "SITE CHMOD"), 0);
    EXPECT_EQ(tree.Mode("a.txt"), 0644U);
}

TEST_F(PropertiesTest, TypeTextsOfSelections)
{
    struct Case {
        std::vector<std::string> Names;
        QString Starts;
    } cases[] = {
        {{"d1", "d2"}, "Type of file: All of type "},
        {{"a.txt", "b.txt"}, "Type of file: All of type "},
        {{"a.txt", "d1"}, "Type of file: Multiple Types"},
    };
    for (const Case& c : cases) {
        auto form = Open(c.Names);
        EXPECT_TRUE(form->TypeLabel()->text().startsWith(c.Starts)) << form->TypeLabel()->text().toStdString();
    }
}

TEST_F(PropertiesTest, ChangedModeReachesTheServer)
{
    auto form = Open({"a.txt"});
    QTest::mouseClick(form->PermissionBox(Box::pcOther, Box::pbWrite), Qt::LeftButton);
    EXPECT_EQ(form->ModeField()->text(), "646");
    ASSERT_TRUE(form->ApplyButton()->isEnabled());
    ApplyAndWait([&] { form->ApplyButton()->click(); });
    EXPECT_EQ(tree.Mode("a.txt"), 0646U);
    EXPECT_FALSE(form->ApplyButton()->isEnabled());
    EXPECT_TRUE(form->isVisible());
}

TEST_F(PropertiesTest, InconsistentPermissionsAreNotSentAndCancelKeepsTheWindow)
{
    auto form = Open({"a.txt", "b.txt"});
    QTest::mouseClick(form->PermissionBox(Box::pcOwner, Box::pbExecute), Qt::LeftButton);
    EXPECT_EQ(form->ModeField()->text(), "N/A");

    QString text;
    AnswerNextQuestion(QMessageBox::Cancel, &text);
    form->accept();
    EXPECT_TRUE(text.startsWith("Because of inconsistent permissions")) << text.toStdString();
    EXPECT_TRUE(form->isVisible());

    AnswerNextQuestion(QMessageBox::Ok, &text);
    ApplyAndWait([&] { form->accept(); });
    EXPECT_FALSE(form->isVisible());
    EXPECT_EQ(TPropsSession::CountStarting(session.TakeCommands(), "SITE CHMOD"), 0);
    EXPECT_EQ(tree.Mode("a.txt"), 0644U);
}

TEST_F(PropertiesTest, ClosingWithChangesAsks)
{
    const QString question =
        "You've made changes to one or more files. Do you want to save these changes before closing the window?";
    struct Case {
        QMessageBox::StandardButton Answer;
        bool StaysOpen;
        unsigned Mode;
    } cases[] = {{QMessageBox::Cancel, true, 0644}, {QMessageBox::No, false, 0644}, {QMessageBox::Yes, false, 0646}};
    for (const Case& c : cases) {
        auto form = Open({"a.txt"});
        QTest::mouseClick(form->PermissionBox(Box::pcOther, Box::pbWrite), Qt::LeftButton);
        QString text;
        AnswerNextQuestion(c.Answer, &text);
        const int before = session.Listings;
        QTest::keyClick(form.get(), Qt::Key_Escape);
        EXPECT_EQ(text, question);
        EXPECT_EQ(form->isVisible(), c.StaysOpen);
        if (c.Answer == QMessageBox::Yes) {
            ASSERT_TRUE(session.WaitForListing(before));
        }
        EXPECT_EQ(tree.Mode("a.txt"), c.Mode) << c.Answer;
    }
    // Unchanged, Escape just closes.
    auto form = Open({"a.txt"});
    QTest::keyClick(form.get(), Qt::Key_Escape);
    EXPECT_FALSE(form->isVisible());
}

TEST_F(PropertiesTest, CancelInTheProgressWindowStopsBeforeTheNextEntry)
{
    auto form = Open({"a.txt", "b.txt", "r.txt"});
    QTest::mouseClick(form->PermissionBox(Box::pcOther, Box::pbExecute), Qt::LeftButton);
    QTest::mouseClick(form->PermissionBox(Box::pcOther, Box::pbRead), Qt::LeftButton);  // grayed -> checked
    ASSERT_EQ(form->ModeField()->text().size(), 3);
    auto* timer = new QTimer(form.get());
    timer->setInterval(0);
    QObject::connect(timer, &QTimer::timeout, [timer] {
        for (QWidget* window : QApplication::topLevelWidgets()) {
            auto* progress = qobject_cast<QProgressDialog*>(window);
            if (!progress || !progress->isVisible())
                continue;
            EXPECT_EQ(progress->windowTitle(), "Progress");
            progress->cancel();
            timer->stop();
        }
    });
    timer->start();
    ApplyAndWait([&] { form->ApplyButton()->click(); });
    EXPECT_LT(TPropsSession::CountStarting(session.TakeCommands(), "SITE CHMOD"), 3);
}

TEST_F(PropertiesTest, RenamingAFolder)
{
    auto form = Open({"dir"});
    EXPECT_TRUE(form->NameField()->isVisible());
    EXPECT_TRUE(form->DateLabel()->isVisible());
    EXPECT_TRUE(form->CalculateButton()->isVisible());
    form->NameField()->selectAll();
    QTest::keyClicks(form->NameField(), "renamed");
    ApplyAndWait([&] { form->accept(); });
    const auto commands = session.TakeCommands();
    EXPECT_EQ(TPropsSession::CountStarting(commands, "RNFR dir"), 1);
    EXPECT_EQ(TPropsSession::CountStarting(commands, "RNTO renamed"), 1);
    EXPECT_EQ(::access(tree.Path("renamed/keep.txt").c_str(), F_OK), 0);
}

TEST_F(PropertiesTest, SizeOfFoldersIncludesEverythingBelowThem)
{
    auto form = Open({"d1", "d2", "a.txt"});
    EXPECT_EQ(form->CountLabel()->text(), "1 Files, 2 Folders");
    EXPECT_EQ(form->SizeLabel()->text(), "1 KB");
    form->CalculateButton()->click();
    EXPECT_TRUE(form->Calculating());
    EXPECT_FALSE(form->CalculateButton()->isEnabled());
    ASSERT_TRUE(WaitUntil([&] { return !form->Calculating() && !session.Worker.Busy(); }));
    EXPECT_EQ(form->SizeLabel()->text().toStdString(), FormatSizeKB(4 + 100000 + 200000 + 300000));
    EXPECT_TRUE(form->CalculateButton()->isEnabled());
    EXPECT_EQ(session.Worker.CurrentDir(), "/p");
}

TEST(PropertiesWindow, EntriesOfOtherListingsHaveNoPermissions)
{
    TFTPWorker worker;
    TPropertyEntry entry;
    entry.Name = "report.doc";
    entry.Size = 5000;
    TFilePropertiesForm form(worker, {entry});
    for (int cls = 0; cls < 3; ++cls)
        for (int bit = 0; bit < 3; ++bit)
            EXPECT_FALSE(form.PermissionBox(Box::TClass(cls), Box::TBit(bit))->isEnabled());
    EXPECT_FALSE(form.UserField()->isEnabled());
    EXPECT_FALSE(form.GroupField()->isEnabled());
    EXPECT_TRUE(form.UserField()->text().isEmpty());
    EXPECT_EQ(form.SizeLabel()->text(), "5 KB");
}

TEST(PropertiesWindow, FollowsTheLanguage)
{
    RegisterGerman();
    TFTPWorker worker;
    TPropertyEntry entry;
    entry.Name = "a.txt";
    TFilePropertiesForm form(worker, {entry});
    LangManager().SetActiveLanguage(1031);
    EXPECT_EQ(form.windowTitle(), "Eigenschaften");
    EXPECT_EQ(form.Pages()->tabText(1), "Sicherheit");
    EXPECT_TRUE(form.LocationLabel()->text().startsWith("Ort: "));
    LangManager().SetActiveLanguage(TLanguageManager::BuiltInLanguageId);
    EXPECT_EQ(form.windowTitle(), "Properties");
}

TEST_F(PropertiesTest, AFolderTheServerRefusesDoesNotStopTheOthers)
{
    auto form = Open({"d3", "d2"});
    form->CalculateButton()->click();
    ASSERT_TRUE(WaitUntil([&] { return !form->Calculating() && !session.Worker.Busy(); }));
    EXPECT_EQ(form->SizeLabel()->text().toStdString(), FormatSizeKB(300000));
    EXPECT_TRUE(form->CalculateButton()->isEnabled());
    EXPECT_EQ(session.Worker.CurrentDir(), "/p");
}

}  // namespace
