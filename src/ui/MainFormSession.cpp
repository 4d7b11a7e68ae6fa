// The browsing session seen from the window: the worker's events, the busy
// state of the remote pane, and the menus built from hosts, filters and
// bookmarks.

#include "ui/MainForm.h"

#include "hosts/Filters.h"
#include "hosts/Hosts.h"
#include "hosts/QuickHosts.h"
#include "i18n/Format.h"
#include "i18n/LanguageManager.h"
#include "session/FTPWorker.h"
#include "store/MainConfig.h"
#include "ui/LocalPane.h"
#include "ui/LogPane.h"
#include "ui/RemoteListView.h"
#include "ui/RemotePathBox.h"
#include "ui/StatusBar.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QToolButton>

// --- worker events ------------------------------------------------------------------

void TMainForm::OnWorkerBusy()
{
    busy_ = true;
    statusBar_->WorkerBusy(QString::fromStdString(worker_->StatusText()));
    remoteList_->SetWorkerBusy(true);
    SetWorkerCursor(BusyCursor);
    UpdateActions();
}

void TMainForm::OnWorkerIdle()
{
    busy_ = false;
    statusBar_->WorkerIdle();
    remoteList_->SetWorkerBusy(false);
    SetWorkerCursor(NormalCursor);
    UpdateActions();
}

void TMainForm::OnWorkerConnected()
{
    WriteLog(lkStatus, Format(LoadStr("MainForm_IDS_47"), currentHost_.Hostname));
    connected_ = true;
    remoteList_->ResetSelectionMemory();
    UpdateActions();
}

void TMainForm::OnWorkerLoggedIn()
{
    WriteLog(lkStatus, LoadStr("MainForm_IDS_46"));
    RebuildBookmarkMenus();
    authenticated_ = true;
    homeDirectory_.clear();
    const bool encrypted = worker_->IsEncrypted();
    const QString tip = encrypted ? QString::fromStdString(Format(LoadStr("MainForm_strEncryptedTip"),
                                                                  worker_->TLSProtocol(), worker_->TLSCipher()))
                                  : QString();
    statusBar_->SetConnectionIcons(encrypted, worker_->ResumeSupported(), tip);
    remoteList_->setEnabled(true);
    remotePathBox_->setEnabled(true);
    if (!currentHost_.InitialRemoteDirectory.empty())
        worker_->ChangeDir(currentHost_.InitialRemoteDirectory);
    homeDirectory_ = worker_->CurrentDir();
    worker_->RequestListing();
    UpdateActions();
}

void TMainForm::OnWorkerListingReady()
{
    if (!connected_)
        return;
    remoteList_->setEnabled(true);
    const std::string directory = worker_->CurrentDir();
    remotePathBox_->AddPath(directory);
    remoteList_->Fill(worker_->Listing(), directory);
    setWindowTitle(QString::fromStdString(currentHost_.CommonName + " - ") + QString::fromLatin1(Caption));
}

void TMainForm::OnWorkerDisconnected()
{
    const bool wasConnected = connected_;
    connected_ = authenticated_ = false;
    remoteList_->ClearRows();
    remoteList_->ResetSelectionMemory();
    remotePathBox_->ClearPaths();
    remoteSummary_->clear();
    statusBar_->ClearConnectionIcons();
    setWindowTitle(QString::fromLatin1(Caption));
    if (wasConnected)
        WriteLog(lkStatus, Format(LoadStr("MainForm_IDS_48"), currentHost_.Hostname));
    SetWorkerCursor(busy_ ? BusyCursor : NormalCursor);
    UpdateActions();
}

void TMainForm::OnWorkerDeleteDone()
{
    if (!worker_->DeletionList().empty())
        return;
    worker_->InvalidateListing(worker_->CurrentDir());
    worker_->RequestListing();
}

void TMainForm::SetWorkerCursor(int cursor)
{
    const bool busyCursor = cursor == BusyCursor;
    // One override at most, whatever order the events come in.
    if (busyCursor && !QApplication::overrideCursor())
        QApplication::setOverrideCursor(Qt::BusyCursor);
    else if (!busyCursor)
        while (QApplication::overrideCursor())
            QApplication::restoreOverrideCursor();
    const bool enabled = !busyCursor && authenticated_;
    const bool wasEnabled = remoteList_->isEnabled();
    remoteList_->setEnabled(enabled);
    remotePathBox_->setEnabled(enabled);
    // Give the list the focus when it comes back, unless the user works
    // somewhere else meanwhile.
    QWidget* focus = QApplication::focusWidget();
    if (enabled && !wasEnabled && (!focus || !localPane_->isAncestorOf(focus)))
        remoteList_->setFocus();
}

// --- menus built at run time --------------------------------------------------------

void TMainForm::RebuildHostMenus()
{
    hostSelectorMenu_->clear();
    connectToMenu_->clear();
    hostSelectorIndex_ = -1;
    hostSelector_->setToolTip(QString());
    hosts_->Reload();
    const std::string last = config_.LastConnectedHostID();
    for (int index = 0; index < hosts_->Count(); ++index) {
        const THost& host = *hosts_->Items()[static_cast<std::size_t>(index)];
        const QString name = QString::fromStdString(host.CommonName);
        const QString hint = QString::fromStdString(Format(LoadStr("MainForm_strConnectTo"), host.CommonName));
        if (!last.empty() && host.HostID == last) {
            hostSelector_->setText(name);
            hostSelector_->setToolTip(hint);
            hostSelectorIndex_ = index;
        }
        for (QMenu* menu : {hostSelectorMenu_, connectToMenu_}) {
            QAction* entry = menu->addAction(Action("ConnectAction")->icon(), name);
            entry->setStatusTip(hint);
            entry->setToolTip(hint);
            entry->setData(index);
            connect(entry, &QAction::triggered, this, [this, index] {
                Action("ConnectAction")->setData(index);
                Action("ConnectAction")->trigger();
            });
        }
    }
    if (hostSelectorIndex_ < 0) {
        const auto text = LangManager().WindowText("MainForm", 228);
        hostSelector_->setText(text ? QString::fromStdString(*text) : QStringLiteral("Select a host"));
    }
}

void TMainForm::RebuildFilterMenus()
{
    for (QMenu* menu : {remoteFilterMenu_, localFilterMenu_}) {
        const bool remote = menu == remoteFilterMenu_;
        QList<QAction*> entries = menu->actions();
        // Keep the separator and "Edit filters..." at the end.
        for (qsizetype i = 0; i + 2 < entries.size(); ++i) {
            menu->removeAction(entries[i]);
            entries[i]->deleteLater();
        }
        for (const TFilter& filter : filters_.Items()) {
            QAction* entry = new QAction(QString::fromStdString(filter.Name), menu);
            const std::string name = filter.Name;
            // Inserted at the top: the list shows in reverse order.
            menu->insertAction(menu->actions().value(0), entry);
            connect(entry, &QAction::triggered, this, [this, remote, name] {
                Guarded([&] {
                    for (const TFilter& f : filters_.Items())
                        if (f.Name == name) {
                            if (remote)
                                SelectRemoteFilter(f);
                            else
                                localPane_->SelectMatching(f);
                            return;
                        }
                });
            });
        }
    }
}

void TMainForm::RebuildBookmarkMenus()
{
    for (QMenu* menu : {bookmarkMenu_, toolbarBookmarkMenu_}) {
        QList<QAction*> entries = menu->actions();
        for (qsizetype i = 0; i + 3 < entries.size(); ++i) {
            menu->removeAction(entries[i]);
            entries[i]->deleteLater();
        }
        QAction* before = menu->actions().value(0);
        for (const std::string& path : currentHost_.Bookmarks()) {
            QAction* entry = new QAction(QString::fromStdString(path), menu);
            menu->insertAction(before, entry);
            connect(entry, &QAction::triggered, this, [this, path] { Guarded([&] { RemoteChangeDir(path); }); });
        }
    }
}

void TMainForm::AddCurrentDirBookmark()
{
    currentHost_.AddBookmark(worker_->CurrentDir());
    if (hosts_->FindByHostID(currentHost_.HostID))
        hosts_->AddOrUpdate(currentHost_);
    else
        quickHosts_->AddOrUpdate(currentHost_);
    RebuildBookmarkMenus();
}

void TMainForm::EditBookmarks()
{
    // Without a server there is no host whose bookmarks could be stored.
    if (!hooks_.EditBookmarks || !connected_)
        return;
    hooks_.EditBookmarks(this, currentHost_);
    RebuildBookmarkMenus();
}
