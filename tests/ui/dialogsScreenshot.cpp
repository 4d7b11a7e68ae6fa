// tovrel-ftp-dialogs-screenshot: pictures of the dialogs with sample data,
// written to the folder given as <name>.png in English and <name>-de.png in
// German: host-manager, quick-connect, new-host, file-exists, destination,
// worker-error and message. The stores live in a private temporary data
// directory. Run it through scripts/screenshot.

#include "hosts/HostTreeNode.h"
#include "hosts/Hosts.h"
#include "hosts/QuickHosts.h"
#include "ScreenshotSupport.h"
#include "i18n/LanguageManager.h"
#include "queue/QueueItem.h"
#include "session/TransferExceptions.h"
#include "store/MainConfig.h"
#include "ui/AddHostWizard.h"
#include "ui/AppIcons.h"
#include "ui/DestinationDirectoryForm.h"
#include "ui/FTPWorkerErrorForm.h"
#include "ui/FileAlreadyExistsForm.h"
#include "ui/HostEditorPages.h"
#include "ui/HostManagerForm.h"
#include "ui/QuickConnectForm.h"
#include "ui/SuppressibleDialog.h"

#include <QApplication>
#include <QLineEdit>
#include <QPixmap>
#include <QTemporaryDir>
#include <QTreeWidget>

#include <cstdio>
#include <filesystem>

namespace {

using shots::Shoot;

THost Sample(const std::string& name, const std::string& hostname, const std::string& user)
{
    THost host;
    host.CommonName = name;
    host.Hostname = hostname;
    host.Username = user;
    host.Password = "secret";
    host.InitialRemoteDirectory = "/pub/";
    return host;
}

void FillStores(THosts& hosts, TQuickHosts& quick, TMainConfig& config)
{
    THostTreeNode tree;
    THostTreeNode& root = tree.AddGroup("Hosts");
    THostTreeNode& work = root.AddGroup("Work");
    work.AddHost(Sample("Build server", "build.example.com", "deploy"));
    work.AddHost(Sample("Web site", "www.example.com", "webmaster"));
    root.AddGroup("Mirrors");
    root.AddHost(Sample("Home NAS", "nas.local", "admin"));
    hosts.ReplaceFromTree(tree);
    hosts.Save();
    THost last = Sample("files.example.org", "files.example.org", "anonymous");
    last.IsAnonymous = true;
    quick.AddOrUpdate(last);
    config.SetLastQuickConnectedHostID(last.HostID);
    config.SetAnonymousEmail("guest@example.net");
}

QTreeWidgetItem* FindItem(QTreeWidget* tree, const QString& caption)
{
    const auto found = tree->findItems(caption, Qt::MatchExactly | Qt::MatchRecursive);
    return found.isEmpty() ? nullptr : found.front();
}

bool ShootHostWindows(const QString& out, const QString& suffix, TMainConfig& config, THosts& hosts,
                      TQuickHosts& quick)
{
    bool ok = true;
    THostManagerForm manager(config, hosts);
    manager.Tree()->expandAll();
    if (QTreeWidgetItem* item = FindItem(manager.Tree(), QStringLiteral("Web site")))
        manager.Tree()->setCurrentItem(item);
    ok &= Shoot(manager, out + "/host-manager" + suffix + ".png");

    TQuickConnectForm quickForm(config, quick);
    ok &= Shoot(quickForm, out + "/quick-connect" + suffix + ".png");

    TAddHostWizard wizard(config, hosts);
    wizard.CommonNameEdit()->setText(QStringLiteral("Backup"));
    wizard.Next();
    wizard.HostnameEdit()->setText(QStringLiteral("backup.example.com"));
    wizard.Next();
    ok &= Shoot(wizard, out + "/new-host" + suffix + ".png");
    return ok;
}

bool ShootQuestions(const QString& out, const QString& suffix)
{
    bool ok = true;
    THost host = Sample("Web site", "www.example.com", "webmaster");
    host.AddBookmark("/var/www/");
    host.AddBookmark("/var/www/images/");
    auto item = TQueueItem::NewDownload(host, "/pub/", true, 0, 48213, false, "/home/user/Downloads/",
                                        "/pub/releases/report-2026.pdf");
    const EFTLocalFileSmallerAlreadyExists smaller(20480, 48213, "12/09/2026 18:04", "12/10/2026 09:15");
    TFileAlreadyExistsForm exists(*item, smaller);
    ok &= Shoot(exists, out + "/file-exists" + suffix + ".png");

    TDestinationDirectoryForm destination(host);
    ok &= Shoot(destination, out + "/destination" + suffix + ".png");

    const EFTRemoteAuthenticationFailed failed;
    TFTPWorkerErrorForm error(failed);
    ok &= Shoot(error, out + "/worker-error" + suffix + ".png");

    TSuppressibleDialog message(QStringLiteral("Do you want to disconnect from www.example.com?"), mtConfirmation,
                                mbYes | mbNo);
    ok &= Shoot(message, out + "/message" + suffix + ".png");
    return ok;
}

bool ShootAll(const QString& out, const std::string& dataDir, const QString& suffix)
{
    std::filesystem::create_directories(dataDir);
    TMainConfig config(dataDir);
    TMainConfig::SetInstance(&config);
    THosts hosts(dataDir);
    TQuickHosts quick(dataDir);
    FillStores(hosts, quick, config);
    bool ok = ShootHostWindows(out, suffix, config, hosts, quick);
    ok &= ShootQuestions(out, suffix);
    TMainConfig::SetInstance(nullptr);
    return ok;
}

} // namespace

int main(int argc, char** argv)
{
    return shots::ShootInBothLanguages(argc, argv, ShootAll);
}
