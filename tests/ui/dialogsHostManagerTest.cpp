// The host manager: the tree's order, new hosts and groups, renaming and
// deleting, the editor stored into the host, apply, OK and the question
// on closing with changes, and drag and drop inside the tree.

#include "viewsGuiApp.h"

#include "hosts/HostTreeNode.h"
#include "hosts/Hosts.h"
#include "store/MainConfig.h"
#include "ui/AddHostWizard.h"
#include "ui/HostEditorPages.h"
#include "ui/HostManagerForm.h"
#include "ui/PortEdit.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDropEvent>
#include <QFileDialog>
#include <QMimeData>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>
#include <QUrl>

#include <functional>
#include <set>

namespace {

using guitest::AnswerNextQuestion;

class HostManagerTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    std::string dataDir = dir.path().toStdString();
    std::unique_ptr<TMainConfig> config;
    std::unique_ptr<THosts> hosts;

    void SetUp() override
    {
        qputenv("XDG_CONFIG_HOME", dir.path().toUtf8());
        config = std::make_unique<TMainConfig>(dataDir);
        TMainConfig::SetInstance(config.get());
        hosts = std::make_unique<THosts>(dataDir);
        // Top level: host "beta", group "work" with host "Alpha", host "alpha2", group "Archive".
        THostTreeNode tree;
        THostTreeNode& root = tree.AddGroup("Hosts");
        root.AddHost(Host("beta"));
        THostTreeNode& work = root.AddGroup("work");
        work.AddHost(Host("Alpha"));
        root.AddHost(Host("alpha2"));
        root.AddGroup("Archive");
        hosts->ReplaceFromTree(tree);
        hosts->Save();
    }
    void TearDown() override
    {
        hosts.reset();
        TMainConfig::SetInstance(nullptr);
    }

    static THost Host(const std::string& name)
    {
        THost host;
        host.CommonName = name;
        host.Hostname = name + ".example";
        return host;
    }

    static QStringList Captions(QTreeWidgetItem* item)
    {
        QStringList captions;
        for (int i = 0; i < item->childCount(); ++i)
            captions << item->child(i)->text(0);
        return captions;
    }

    static QTreeWidgetItem* Find(QTreeWidgetItem* item, const QString& caption)
    {
        for (int i = 0; i < item->childCount(); ++i)
            if (item->child(i)->text(0) == caption)
                return item->child(i);
        return nullptr;
    }

    /// Sends enter, move and drop over `target` (empty space when null);
    /// answers whether the drop was taken.
    static bool DropOn(THostManagerForm& form, QTreeWidgetItem* target, QMimeData* data,
                       Qt::KeyboardModifiers keys = Qt::NoModifier)
    {
        QTreeWidget* tree = form.Tree();
        const QPoint at = target ? tree->visualItemRect(target).center()
                                 : QPoint(5, tree->viewport()->height() - 3);
        const Qt::DropActions offered = Qt::CopyAction | Qt::MoveAction;
        QDragEnterEvent enter(at, offered, data, Qt::LeftButton, keys);
        QApplication::sendEvent(tree->viewport(), &enter);
        QDragMoveEvent move(at, offered, data, Qt::LeftButton, keys);
        QApplication::sendEvent(tree->viewport(), &move);
        if (!move.isAccepted()) {
            delete data;
            return false;
        }
        QDropEvent drop(at, offered, data, Qt::LeftButton, keys);
        QApplication::sendEvent(tree->viewport(), &drop);
        delete data;
        return drop.isAccepted();
    }

    /// The stored file, read again.
    THostTreeNode Stored() const
    {
        THosts reread(dataDir);
        THostTreeNode tree;
        reread.FillTree(tree);
        return tree;
    }
};

TEST_F(HostManagerTest, TreeShowsGroupsBeforeHostsInLocaleOrder)
{
    THostManagerForm form(*config, *hosts);
    QTreeWidgetItem* root = form.Tree()->topLevelItem(0);
    EXPECT_EQ(root->text(0), "Hosts");
    EXPECT_EQ(Captions(root), (QStringList{"Archive", "work", "alpha2", "beta"}));
    EXPECT_FALSE(form.ApplyButton()->isEnabled());
    EXPECT_EQ(form.Pages().HostIDLabel()->text(), "Host-ID: N/A");
    EXPECT_FALSE(form.Pages().GeneralPage()->isEnabled());
    EXPECT_TRUE(form.Pages().TLSPage()->isEnabled());
    EXPECT_FALSE(form.ActionNamed("Delete")->isEnabled());
    EXPECT_FALSE(form.ActionNamed("Connect")->isEnabled());
}

TEST_F(HostManagerTest, EditsAreStoredIntoTheHostAndWrittenByApply)
{
    THostManagerForm form(*config, *hosts);
    QTreeWidgetItem* root = form.Tree()->topLevelItem(0);
    QTreeWidgetItem* beta = Find(root, "beta");
    form.Tree()->setCurrentItem(beta);
    EXPECT_TRUE(form.Pages().GeneralPage()->isEnabled());
    EXPECT_FALSE(form.ApplyButton()->isEnabled()); // showing a host is no change
    const std::string id = form.HostOf(beta)->HostID;
    EXPECT_EQ(form.Pages().HostIDLabel()->text(), QString::fromStdString("Host-ID: " + id));
    QTest::keyClicks(form.Pages().HostnameEdit(), "x");
    EXPECT_TRUE(form.ApplyButton()->isEnabled());
    form.Pages().PortEdit()->setText("");
    form.Tree()->setCurrentItem(root); // moving away stores the editor
    EXPECT_EQ(form.HostOf(beta)->Hostname, "beta.examplex");
    EXPECT_EQ(form.HostOf(beta)->Port, 21);
    EXPECT_TRUE(Stored().Children.front()->Children.size() == 4); // nothing written yet
    EXPECT_EQ(hosts->FindByHostID(id)->Hostname, "beta.example");

    form.Apply();
    EXPECT_FALSE(form.ApplyButton()->isEnabled());
    THosts reread(dataDir);
    ASSERT_NE(reread.FindByHostID(id), nullptr);
    EXPECT_EQ(reread.FindByHostID(id)->Hostname, "beta.examplex");
}

TEST_F(HostManagerTest, NewHostAndGroupGoBesideASelectedHostAndRenamingKeepsAName)
{
    THostManagerForm form(*config, *hosts);
    QTreeWidgetItem* root = form.Tree()->topLevelItem(0);
    QTreeWidgetItem* work = Find(root, "work");
    form.Tree()->setCurrentItem(Find(work, "Alpha"));
    form.NewGroup();
    EXPECT_EQ(Captions(work), (QStringList{"New group", "Alpha"}));
    form.Tree()->setCurrentItem(Find(work, "Alpha"));
    form.NewHost();
    QTreeWidgetItem* added = form.Tree()->currentItem();
    ASSERT_NE(form.HostOf(added), nullptr);
    EXPECT_EQ(added->parent(), work);
    EXPECT_EQ(form.HostOf(added)->Port, 21);
    EXPECT_TRUE(form.HostOf(added)->Passive);
    EXPECT_TRUE(form.ApplyButton()->isEnabled());

    // An empty caption keeps the old name; another one renames the host.
    form.RenameSelected();
    added->setText(0, "");
    EXPECT_EQ(added->text(0), "New host");
    form.RenameSelected();
    added->setText(0, "aaa");
    EXPECT_EQ(form.HostOf(added)->CommonName, "aaa");
    EXPECT_EQ(Captions(work), (QStringList{"New group", "aaa", "Alpha"}));

    form.Tree()->setCurrentItem(Find(root, "Archive"));
    form.DeleteSelected();
    EXPECT_EQ(form.Tree()->currentItem(), root);
    form.Apply();
    const THostTreeNode stored = Stored();
    const THostTreeNode& storedRoot = *stored.Children.front();
    ASSERT_EQ(storedRoot.Children.size(), 3u); // work, alpha2, beta
    EXPECT_EQ(storedRoot.Children[0]->Caption, "work");
    EXPECT_EQ(storedRoot.Children[0]->Children.size(), 3u);
}

TEST_F(HostManagerTest, ClosingWithChangesAsksYesNoOrCancel)
{
    struct Case {
        QMessageBox::StandardButton answer;
        bool stillOpen;
        bool saved;
    };
    for (const Case& c : {Case{QMessageBox::Cancel, true, false}, Case{QMessageBox::No, false, false},
                          Case{QMessageBox::Yes, false, true}}) {
        SCOPED_TRACE(c.answer);
        THostManagerForm form(*config, *hosts);
        form.show();
        form.Tree()->setCurrentItem(form.Tree()->topLevelItem(0));
        form.NewGroup();
        QString question;
        AnswerNextQuestion(c.answer, &question);
        form.reject();
        EXPECT_EQ(question,
                  "You've made changes to one or more hosts. Do you want the changes to be saved before you exit?");
        EXPECT_EQ(form.isVisible(), c.stillOpen);
        if (c.stillOpen) {
            EXPECT_TRUE(form.Changed());
            EXPECT_NE(Find(form.Tree()->topLevelItem(0), "New group"), nullptr);
        }
        const THostTreeNode stored = Stored();
        EXPECT_EQ(stored.Children.front()->Children.size(), c.saved ? 5u : 4u);
        if (c.stillOpen) {
            AnswerNextQuestion(QMessageBox::No, &question);
            form.reject();
        }
    }
}

TEST_F(HostManagerTest, OkStoresTheSelectedHostAndTheStartupSwitch)
{
    config->SetShowQuickConnectOnStartup(true);
    THostManagerForm form(*config, *hosts);
    QTreeWidgetItem* beta = Find(form.Tree()->topLevelItem(0), "beta");
    form.Tree()->setCurrentItem(beta);
    form.ShowOnStartupBox()->setChecked(true);
    form.accept();
    EXPECT_EQ(config->LastConnectedHostID(), form.HostOf(beta)->HostID);
    EXPECT_TRUE(config->ShowHostManagerOnStartup());
    EXPECT_FALSE(config->ShowQuickConnectOnStartup());
}

TEST_F(HostManagerTest, ConnectHandsOverTheEditedHostAndCloses)
{
    THostManagerForm form(*config, *hosts);
    std::optional<THost> chosen;
    form.OnConnect = [&chosen](const THost& host) { chosen = host; };
    form.Tree()->setCurrentItem(Find(form.Tree()->topLevelItem(0), "alpha2"));
    form.Pages().UsernameEdit()->setText("carol");
    form.ConnectSelected();
    ASSERT_TRUE(chosen.has_value());
    EXPECT_EQ(chosen->Hostname, "alpha2.example");
    EXPECT_EQ(chosen->Username, "carol");
    EXPECT_EQ(form.result(), QDialog::Accepted);
}

TEST_F(HostManagerTest, ClipboardCarriesHostAddressesAndOnlyFtpOnesArePasted)
{
    THostManagerForm form(*config, *hosts);
    QTreeWidgetItem* root = form.Tree()->topLevelItem(0);
    QTreeWidgetItem* work = Find(root, "work");
    QApplication::clipboard()->setText("http://www.example.org/");
    form.Tree()->setCurrentItem(Find(work, "Alpha"));
    EXPECT_FALSE(form.ActionNamed("Paste")->isEnabled());

    form.HostOf(Find(work, "Alpha"))->Password = "secret";
    form.CopySelected();
    EXPECT_EQ(QApplication::clipboard()->text(), "ftp://:@Alpha.example:21/");
    EXPECT_TRUE(form.ActionNamed("Paste")->isEnabled());

    QApplication::clipboard()->setText("FTP://dave:pw@files.example:2121/pub/x");
    form.PasteAddress();
    QTreeWidgetItem* pasted = form.Tree()->currentItem();
    ASSERT_NE(form.HostOf(pasted), nullptr);
    EXPECT_EQ(pasted->parent(), work);
    EXPECT_EQ(pasted->text(0), "files.example");
    const THost& host = *form.HostOf(pasted);
    EXPECT_EQ(host.Username, "dave");
    EXPECT_EQ(host.Password, "pw");
    EXPECT_EQ(host.Port, 2121);
    EXPECT_EQ(host.InitialRemoteDirectory, "/pub/");
    EXPECT_TRUE(host.Passive);

    form.CutSelected();
    EXPECT_EQ(Find(work, "files.example"), nullptr);
    EXPECT_TRUE(QApplication::clipboard()->text().contains("files.example:2121"));
}

TEST_F(HostManagerTest, DraggedNodesMoveOnlyIntoGroupsAndNeverBelowThemselves)
{
    THostManagerForm form(*config, *hosts);
    form.show();
    QTreeWidgetItem* root = form.Tree()->topLevelItem(0);
    QTreeWidgetItem* work = Find(root, "work");
    work->setExpanded(true);
    QTreeWidgetItem* alpha = Find(work, "Alpha");
    const std::string alphaID = form.HostOf(alpha)->HostID;

    // Refused: onto a host, onto empty space, a group into itself or below
    // it, and the root, which cannot be dragged at all.
    EXPECT_EQ(form.DragData(root), nullptr);
    EXPECT_FALSE(DropOn(form, Find(root, "beta"), form.DragData(alpha)));
    EXPECT_FALSE(form.CanDrop(*std::unique_ptr<QMimeData>(form.DragData(alpha)), nullptr));
    EXPECT_FALSE(DropOn(form, work, form.DragData(work)));
    form.Tree()->setCurrentItem(alpha);
    form.NewGroup();
    QTreeWidgetItem* inner = Find(work, "New group");
    EXPECT_FALSE(form.CanDrop(*std::unique_ptr<QMimeData>(form.DragData(work)), inner));
    EXPECT_TRUE(form.CanDrop(*std::unique_ptr<QMimeData>(form.DragData(inner)), root));

    // Only a group under the pointer is highlighted, and only while the drag
    // is over it.
    form.Apply();
    {
        std::unique_ptr<QMimeData> data(form.DragData(alpha));
        QTreeWidget* tree = form.Tree();
        auto moveOver = [&](QTreeWidgetItem* item) {
            QDragMoveEvent move(tree->visualItemRect(item).center(), Qt::CopyAction | Qt::MoveAction, data.get(),
                                Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(tree->viewport(), &move);
            return move.isAccepted();
        };
        QTreeWidgetItem* archive = Find(root, "Archive");
        QDragEnterEvent enter(tree->visualItemRect(root).center(), Qt::CopyAction | Qt::MoveAction, data.get(),
                              Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(tree->viewport(), &enter);
        EXPECT_TRUE(moveOver(archive));
        EXPECT_TRUE(archive->data(0, Qt::BackgroundRole).isValid());
        EXPECT_FALSE(moveOver(Find(root, "beta")));
        EXPECT_FALSE(archive->data(0, Qt::BackgroundRole).isValid());
        EXPECT_TRUE(moveOver(archive));
        QDragLeaveEvent leave;
        QApplication::sendEvent(tree->viewport(), &leave);
        EXPECT_FALSE(archive->data(0, Qt::BackgroundRole).isValid());
        EXPECT_FALSE(form.Changed()); // a highlight is no change of the hosts
    }

    // A host dropped on the root moves to the top level with its record.
    form.Tree()->setCurrentItem(alpha);
    form.Pages().UsernameEdit()->setText("erin"); // an edit not yet stored
    form.Tree()->setCurrentItem(root);
    EXPECT_TRUE(DropOn(form, root, form.DragData(alpha)));
    EXPECT_EQ(alpha->parent(), root);
    EXPECT_EQ(form.HostOf(alpha)->HostID, alphaID);
    EXPECT_EQ(Captions(root), (QStringList{"Archive", "work", "Alpha", "alpha2", "beta"}));
    // The group moves with everything below it.
    EXPECT_TRUE(DropOn(form, Find(root, "Archive"), form.DragData(work)));
    EXPECT_EQ(Captions(Find(root, "Archive")), (QStringList{"work"}));
    EXPECT_TRUE(form.ApplyButton()->isEnabled());
    for (QTreeWidgetItemIterator it(form.Tree()); *it; ++it) // no drop highlight is left behind
        EXPECT_FALSE((*it)->data(0, Qt::BackgroundRole).isValid()) << (*it)->text(0).toStdString();

    form.Apply();
    THosts reread(dataDir);
    ASSERT_NE(reread.FindByHostID(alphaID), nullptr);
    EXPECT_EQ(reread.FindByHostID(alphaID)->Username, "erin");
    const THostTreeNode stored = Stored();
    const THostTreeNode& storedRoot = *stored.Children.front();
    ASSERT_EQ(storedRoot.Children.size(), 4u); // Archive, Alpha, alpha2, beta
    EXPECT_EQ(storedRoot.Children[0]->Children.front()->Caption, "work");
    EXPECT_EQ(storedRoot.Children[0]->Children.front()->Children.front()->Caption, "New group");
}

TEST_F(HostManagerTest, CtrlDropCopiesAGroupWithNewHostIDs)
{
    THostManagerForm form(*config, *hosts);
    form.show();
    QTreeWidgetItem* root = form.Tree()->topLevelItem(0);
    QTreeWidgetItem* work = Find(root, "work");
    form.Tree()->setCurrentItem(work);
    form.NewHost(); // work now holds "Alpha" and "New host"
    const std::string alphaID = form.HostOf(Find(work, "Alpha"))->HostID;
    const std::string newID = form.HostOf(Find(work, "New host"))->HostID;

    EXPECT_TRUE(DropOn(form, Find(root, "Archive"), form.DragData(work), Qt::ControlModifier));
    QTreeWidgetItem* copy = Find(Find(root, "Archive"), "work");
    ASSERT_NE(copy, nullptr);
    EXPECT_NE(Find(root, "work"), nullptr); // the original stays
    EXPECT_EQ(Captions(copy), (QStringList{"Alpha", "New host"}));
    const std::string copiedAlpha = form.HostOf(Find(copy, "Alpha"))->HostID;
    const std::string copiedNew = form.HostOf(Find(copy, "New host"))->HostID;
    for (const std::string& id : {copiedAlpha, copiedNew}) {
        EXPECT_FALSE(id.empty());
        EXPECT_NE(id, alphaID);
        EXPECT_NE(id, newID);
    }
    EXPECT_NE(copiedAlpha, copiedNew);
    EXPECT_EQ(form.HostOf(Find(copy, "Alpha"))->Hostname, "Alpha.example");

    form.Apply();
    THosts reread(dataDir);
    EXPECT_NE(reread.FindByHostID(alphaID), nullptr);
    EXPECT_NE(reread.FindByHostID(copiedAlpha), nullptr);
    EXPECT_NE(reread.FindByHostID(copiedNew), nullptr);
}

TEST_F(HostManagerTest, AddressesDroppedFromElsewhereBecomeHosts)
{
    THostManagerForm form(*config, *hosts);
    form.show();
    QTreeWidgetItem* root = form.Tree()->topLevelItem(0);
    QTreeWidgetItem* work = Find(root, "work");
    work->setExpanded(true);

    auto text = [](const QString& t) {
        auto* data = new QMimeData;
        data->setText(t);
        return data;
    };
    // Over a host the host's group takes it.
    EXPECT_TRUE(DropOn(form, Find(work, "Alpha"), text("ftp://gina:pw@drop.example:2121/pub/")));
    QTreeWidgetItem* dropped = Find(work, "drop.example");
    ASSERT_NE(dropped, nullptr);
    EXPECT_EQ(form.HostOf(dropped)->Port, 2121);
    EXPECT_EQ(form.HostOf(dropped)->Username, "gina");
    EXPECT_EQ(form.Tree()->currentItem(), dropped);

    auto* link = new QMimeData;
    link->setUrls({QUrl("ftp://files.example/")});
    EXPECT_TRUE(DropOn(form, Find(root, "Archive"), link));
    EXPECT_NE(Find(Find(root, "Archive"), "files.example"), nullptr);

    EXPECT_FALSE(DropOn(form, root, text("http://www.example.org/")));
    EXPECT_FALSE(DropOn(form, root, text("just words")));
    // A host index from another window is no index here.
    THostManagerForm other(*config, *hosts);
    QMimeData* foreign = other.DragData(Find(other.Tree()->topLevelItem(0), "work"));
    EXPECT_FALSE(DropOn(form, root, foreign));
}

TEST_F(HostManagerTest, WizardStepsThroughItsPagesAndAddsAnAnonymousHost)
{
    config->SetAnonymousEmail("guest@example.net");
    TAddHostWizard wizard(*config, *hosts);
    wizard.show();
    EXPECT_EQ(wizard.StepLabel()->text(), "Step 1 of 3");
    EXPECT_FALSE(wizard.BackButton()->isEnabled());
    wizard.CommonNameEdit()->setText("Mirror");
    wizard.Next();
    EXPECT_EQ(wizard.StepLabel()->text(), "Step 2 of 3");
    EXPECT_TRUE(wizard.BackButton()->isEnabled());
    wizard.HostnameEdit()->setText("mirror.example");
    wizard.Next();
    EXPECT_EQ(wizard.NextButton()->text(), "Finish");

    // After Next, leaving asks first; No keeps the wizard open.
    QString question;
    AnswerNextQuestion(QMessageBox::No, &question);
    wizard.reject();
    EXPECT_EQ(question, "Are you sure you want to exit the wizard without completing it?");
    EXPECT_TRUE(wizard.isVisible());

    wizard.AnonymousBox()->setChecked(true);
    EXPECT_FALSE(wizard.UsernameEdit()->isEnabled());
    wizard.Next();
    EXPECT_EQ(wizard.result(), QDialog::Accepted);
    THosts reread(dataDir);
    const THost* added = reread.Items().back().get();
    EXPECT_EQ(added->CommonName, "Mirror");
    EXPECT_EQ(added->Hostname, "mirror.example");
    EXPECT_EQ(added->Username, "anonymous");
    EXPECT_EQ(added->Password, "guest@example.net");
    EXPECT_TRUE(added->IsAnonymous);
    EXPECT_EQ(added->Port, 21);
}

// "Import sites…" on the toolbar: the chosen file's sites come in under a
// new group (its folders as groups), the message tells what came in and
// what was skipped, and nothing existing changes until Apply.
TEST_F(HostManagerTest, ImportSitesAddsANewGroupAndSaysWhatCameIn)
{
    const QString file = QString::fromLatin1(TOVREL_FIXTURES_DIR) + "/hosts/import/sitemanager.xml";
    THostManagerForm form(*config, *hosts);
    form.show();
    QAction* import = form.ActionNamed("Import");
    ASSERT_NE(import, nullptr);
    EXPECT_EQ(import->text(), QString::fromUtf8("Import sites\u2026"));
    QString message;
    guitest::WhenModal([file](QWidget* modal) {
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        ASSERT_NE(dialog, nullptr);
        dialog->selectFile(file);
        static_cast<QDialog*>(dialog)->accept();
    });
    AnswerNextQuestion(QMessageBox::Ok, &message);
    import->trigger();
    EXPECT_EQ(message, "4 site(s) imported into the group \"Imported sites\".\n\n"
                       "3 site(s) skipped: they use SFTP or another protocol that Tovrel FTP does not speak.\n\n"
                       "1 password(s) are protected by a master password and were not imported.");
    QTreeWidgetItem* root = form.Tree()->topLevelItem(0);
    QTreeWidgetItem* group = Find(root, "Imported sites");
    ASSERT_NE(group, nullptr);
    EXPECT_EQ(form.Tree()->currentItem(), group);
    EXPECT_EQ(Captions(group), QStringList({"Work", "Example & Co", "Mirror"}));
    EXPECT_EQ(Captions(Find(group, "Work")), QStringList({"Deep", "Work files"}));
    EXPECT_EQ(Captions(root), QStringList({"Archive", "Imported sites", "work", "alpha2", "beta"}));
    EXPECT_TRUE(form.ApplyButton()->isEnabled());
    EXPECT_EQ(hosts->Count(), 3) << "nothing is stored before Apply";

    // A second import of the same file makes a group of its own.
    AnswerNextQuestion(QMessageBox::Ok, &message);
    EXPECT_TRUE(form.ImportSitesFrom(file));
    EXPECT_TRUE(message.startsWith("4 site(s) imported into the group \"Imported sites (2)\".")) << message.toStdString();
    form.Apply();
    THosts reread(dataDir);
    EXPECT_EQ(reread.Count(), 3 + 4 + 4);
    std::set<std::string> ids;
    for (const auto& host : reread.Items())
        ids.insert(host->HostID);
    EXPECT_EQ(ids.size(), 11u);
}

TEST_F(HostManagerTest, DamagedImportChangesNothingAndSaysWhy)
{
    THostManagerForm form(*config, *hosts);
    form.show();
    const QString file = QString::fromLatin1(TOVREL_FIXTURES_DIR) + "/hosts/import/badport.xml";
    QString message;
    AnswerNextQuestion(QMessageBox::Ok, &message);
    EXPECT_FALSE(form.ImportSitesFrom(file));
    EXPECT_EQ(message, "No sites were imported from " + file
                           + ".\r\n\r\nThe site \"Mirror\" is damaged: Port \"21x\" is not a number");
    EXPECT_EQ(Captions(form.Tree()->topLevelItem(0)), QStringList({"Archive", "work", "alpha2", "beta"}));
    EXPECT_FALSE(form.ApplyButton()->isEnabled());
}

} // namespace
