// What the main window's actions do, and when they are enabled.

#include "ui/MainForm.h"

#include "hosts/Filters.h"
#include "i18n/Format.h"
#include "i18n/LanguageManager.h"
#include "queue/QueueManager.h"
#include "session/FTPWorker.h"
#include "session/RemoteOperations.h"
#include "store/Helpers.h"
#include "store/MainConfig.h"
#include "ui/FTPWorkerErrorForm.h"
#include "ui/LocalPane.h"
#include "ui/LogPane.h"
#include "ui/RemoteListView.h"
#include "ui/RemotePathBox.h"
#include "ui/StatusBar.h"
#include "ui/SuppressibleDialog.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCursor>
#include <QDesktopServices>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QSystemTrayIcon>
#include <QToolBar>
#include <QToolButton>
#include <QUrl>

#include <filesystem>

namespace {

// The find box: a text field and Find next, nothing else.
class TSimpleFindDialog : public QDialog {
public:
    TSimpleFindDialog(QWidget* parent, const QString& text, std::function<void(const QString&)> findNext)
        : QDialog(parent)
    {
        setObjectName(QStringLiteral("SimpleFindDialog"));
        setWindowTitle(QStringLiteral("Find"));
        auto* field = new QLineEdit(text, this);
        field->setObjectName(QStringLiteral("FindText"));
        auto* next = new QPushButton(QStringLiteral("&Find Next"), this);
        next->setDefault(true);
        auto* layout = new QHBoxLayout(this);
        layout->addWidget(new QLabel(QStringLiteral("Find what:"), this));
        layout->addWidget(field, 1);
        layout->addWidget(next);
        connect(next, &QPushButton::clicked, this, [field, findNext] { findNext(field->text()); });
        setAttribute(Qt::WA_DeleteOnClose);
    }
};

} // namespace

void TMainForm::WireActions()
{
    auto on = [this](const char* name, std::function<void()> run) {
        connect(Action(name), &QAction::triggered, this, [this, run = std::move(run)] { Guarded(run); });
    };
    connect(statusBar_, &TStatusBar::EncryptedIconClicked, this, [this] { Guarded([this] { ShowConnectionCertificate(); }); });
    auto hook = [this](const std::function<void(QWidget*)>& window) {
        if (window)
            window(this);
    };
    on("EditHostsAction", [this] {
        if (hooks_.HostManager && hooks_.HostManager(this))
            RebuildHostMenus();
    });
    on("ConnectAction", [this] {
        const QVariant index = Action("ConnectAction")->data();
        Action("ConnectAction")->setData(QVariant());
        ConnectFromMenu(index.isValid() ? index.toInt() : -1);
    });
    on("DisconnectAction", [this] { worker_->Disconnect(); });
    on("QuickConnectAction", [this] {
        if (!hooks_.QuickConnect)
            return;
        if (const auto host = hooks_.QuickConnect(this))
            ConnectToHost(*host);
    });
    on("AddHostAction", [this, hook] {
        hook(hooks_.AddHostWizard);
        RebuildHostMenus();
    });
    on("StopAction", [this] { worker_->Abort(); });
    on("RemoteRefreshAction", [this] { RemoteRefresh(); });
    on("RemoteCDUPAction", [this] { RemoteUp(); });
    on("RemoteCDHomeAction", [this] { RemoteHome(); });
    on("RemoteMakeDirAction", [this] { RemoteMakeDirectory(); });
    on("RemoteDeleteFileAction", [this] { RemoteDeleteSelected(); });
    on("RemoteAddCurrentDirBookmarkAction", [this] { AddCurrentDirBookmark(); });
    on("RemoteEditBookmarksAction", [this] { EditBookmarks(); });
    on("RemoteInvertSelectionAction", [this] { RemoteInvertSelection(); });
    on("RemoteFileAdvancedSearchAction", [this, hook] { hook(hooks_.AdvancedSearch); });
    on("RemoteFileCopyURLAction", [this] { CopyURL(); });
    on("RemoteFilePropertiesAction", [this, hook] { hook(hooks_.Properties); });
    on("RemoteFileDownloadAction", [this] { Action("DownloadAction")->trigger(); });
    on("RemoteFileOpenAction", [this] { OpenRemoteSelection(); });
    on("LocalRefreshAction", [this] { localPane_->Refresh(); });
    on("LocalCDUPAction", [this] { localPane_->Up(); });
    on("LocalCDHomeAction", [this] {
        const QString home = QString::fromStdString(currentHost_.InitialLocalDirectory);
        if (!localPane_->SetDirectory(home))
            localPane_->SetDirectory(QDir::homePath());
    });
    on("LocalMakeDirAction", [this] { localPane_->MakeNewDirectory(); });
    on("ClearLogAction", [this] { logPane_->ClearLog(); });
    on("RefreshProxyAction", [this] { RefreshFocused(); });
    on("SimpleFileFindProxyAction", [this] { OpenSimpleFind(); });
    on("ShowFiltersAction", [this] { ShowFiltersMenu(); });
    on("RemoteSelectAllAction", [this] { SelectAllFocused(); });
    on("EditFiltersAction", [this, hook] {
        hook(hooks_.EditFilters);
        RebuildFilterMenus();
    });
    on("SettingsAction", [this, hook] {
        if (!hooks_.Settings)
            return;
        hook(hooks_.Settings);
        LangManager().SetActiveLanguage(config_.Language());
        ApplySettings();
    });
    on("HelpAction", [this] { ShowHelp(); });
    on("CheckForUpdatesAction", [this, hook] { hook(hooks_.CheckForUpdates); });
    on("AboutAction", [this] {
        if (hooks_.About)
            hooks_.About(this);
        else
            QMessageBox::about(this, QStringLiteral("About Tovrel FTP"),
                               QStringLiteral("<b>Tovrel FTP</b><br>A desktop FTP client."));
    });
    on("ExitAction", [this] { close(); });
    on("MinimizeToTrayAction", [this] { MinimizeToTray(); });
    on("CustomizeToolbarAction", [this, hook] { hook(hooks_.CustomizeToolbar); });

    const std::pair<const char*, QWidget*> toggles[] = {{"ShowMainToolbarAction", mainToolbar_},
                                                        {"ShowLocalToolbarAction", localPane_->ToolBar()},
                                                        {"ShowRemoteToolbarAction", remoteToolbar_},
                                                        {"ShowQueueLogToolbarAction", queueLogToolbar_}};
    for (const auto& [name, bar] : toggles)
        connect(Action(name), &QAction::toggled, bar, &QWidget::setVisible);
    for (QToolBar* bar : {mainToolbar_, localPane_->ToolBar(), remoteToolbar_, queueLogToolbar_}) {
        bar->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(bar, &QWidget::customContextMenuRequested, this,
                [this, bar](const QPoint& at) { toolbarPopup_->popup(bar->mapToGlobal(at)); });
    }
    connect(localPane_, &TLocalPane::DirectoryChanged, this, [this] { UpdateActions(); });
}

void TMainForm::WireRemoteList()
{
    remoteList_->Model().SetRenameHandler(
        [this](const std::string& oldName, const std::string& newName) { return RemoteRename(oldName, newName); });
    connect(remoteList_, &TRemoteListView::EnterDirectoryRequested, this,
            [this](const std::string& name) { Guarded([&] { RemoteEnter(name); }); });
    connect(remoteList_, &TRemoteListView::ParentDirectoryRequested, this, [this] {
        Guarded([this] {
            worker_->ChangeDirUp();
            if (worker_->PendingError().Empty())
                worker_->RequestListing();
        });
    });
    connect(remoteList_, &TRemoteListView::DownloadRequested, Action("DownloadAction"), &QAction::trigger);
    connect(remoteList_, &TRemoteListView::DeleteRequested, Action("RemoteDeleteFileAction"), &QAction::trigger);
    connect(remoteList_, &TRemoteListView::SelectionSummaryChanged, remoteSummary_, &QLabel::setText);
    connect(remoteList_, &QWidget::customContextMenuRequested, this, &TMainForm::ShowRemotePopup);
    connect(remotePathBox_, &TRemotePathBox::PathChosen, this, [this](const std::string& path) {
        Guarded([&] {
            RemoteChangeDir(path);
            remoteList_->setFocus();
        });
    });
}

TActionState TMainForm::ActionState() const
{
    TActionState state;
    state.Connected = connected_;
    state.Authenticated = authenticated_;
    state.Busy = busy_;
    state.QueueHasItems = queue_ && queue_->Count() > 0;
    state.LocalFolderIsReal = localPane_->DirectoryIsReal();
    return state;
}

void TMainForm::UpdateActions()
{
    const TActionState state = ActionState();
    for (const TActionDef& def : MainFormActionDefs())
        if (def.Rule != TEnableRule::erRemotePopup && def.Rule != TEnableRule::erQueuePopup)
            Action(def.Name)->setEnabled(RuleAllows(def.Rule, state));
}

// --- remote pane ------------------------------------------------------------------

void TMainForm::RemoteRefresh()
{
    worker_->InvalidateListing(worker_->CurrentDir());
    worker_->RequestListing();
}

void TMainForm::RemoteUp()
{
    remoteList_->RememberSelection();
    worker_->ChangeDirUp();
    if (worker_->PendingError().Empty())
        worker_->RequestListing();
}

void TMainForm::RemoteHome()
{
    RemoteChangeDir(homeDirectory_);
}

void TMainForm::RemoteEnter(const std::string& name)
{
    if (busy_)
        return;
    RemoteChangeDir(name);
}

void TMainForm::RemoteChangeDir(const std::string& path)
{
    worker_->ChangeDir(path);
    // A refused folder shows its error; the old listing stays.
    if (worker_->PendingError().Empty())
        worker_->RequestListing();
}

void TMainForm::RemoteDeleteSelected()
{
    const std::vector<int> rows = remoteList_->SelectedRows();
    if (rows.empty())
        return;
    const auto answer = QMessageBox::question(this, QString::fromStdString(LoadStr("MainForm_strConfirm")),
                                              QString::fromStdString(LoadStr("MainForm_IDS_50")),
                                              QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes);
    if (answer != QMessageBox::Yes)
        return;
    std::vector<std::string> folders;
    std::vector<std::string> files;
    const TRemoteListModel& model = remoteList_->Model();
    for (int row : rows) {
        if (model.IsParent(row))
            continue;  // never the folder above
        (model.IsDirectory(row) ? folders : files).push_back(model.RawName(row));
    }
    for (const std::string& name : files) {
        worker_->DeleteEntry(name);
        // Each failure is shown before the next file is tried.
        if (!worker_->PendingError().Empty())
            ShowWorkerError(this, worker_->PendingError());
    }
    if (!files.empty()) {
        worker_->InvalidateListing(worker_->CurrentDir());
        worker_->RequestListing();
    }
    deletionList_ = folders;
    if (!folders.empty())
        worker_->RequestRecursiveDelete(std::move(folders));
}

void TMainForm::RemoteMakeDirectory()
{
    std::vector<std::string> captions;
    const TRemoteListModel& model = remoteList_->Model();
    for (int row = 0; row < model.rowCount(); ++row)
        captions.push_back(model.Caption(row).toStdString());
    const std::string name = NewFolderName(captions);
    worker_->MakeDir(name);
    worker_->InvalidateListing(worker_->CurrentDir());
    remoteList_->SetNameToEdit(QString::fromStdString(name));
    worker_->RequestListing();
}

bool TMainForm::RemoteRename(const std::string& oldName, const std::string& newName)
{
    if (newName.empty() || newName == oldName)
        return false;
    worker_->RenameEntry(oldName, newName);
    if (!worker_->PendingError().Empty())
        return false;  // the caption goes back; the error dialog follows
    worker_->InvalidateListing(worker_->CurrentDir());
    return true;
}

void TMainForm::RemoteInvertSelection()
{
    auto* selection = remoteList_->selectionModel();
    const TRemoteListModel& model = remoteList_->Model();
    QItemSelection toggled;
    for (int row = 0; row < model.rowCount(); ++row)
        if (!model.IsParent(row))
            toggled.select(model.index(row, 0), model.index(row, model.columnCount() - 1));
    selection->select(toggled, QItemSelectionModel::Toggle);
}

void TMainForm::SelectRemoteFilter(const TFilter& filter)
{
    auto* selection = remoteList_->selectionModel();
    const TRemoteListModel& model = remoteList_->Model();
    int first = -1;
    for (int row = 0; row < model.rowCount(); ++row) {
        if (model.IsParent(row) || !filter.Matches(model.Caption(row).toStdString()))
            continue;
        selection->select(model.index(row, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
        if (first < 0)
            first = row;
    }
    if (first >= 0)
        remoteList_->scrollTo(model.index(first, 0));
}

void TMainForm::ShowRemotePopup(const QPoint& position)
{
    const std::vector<int> rows = remoteList_->SelectedRows();
    bool anyDirectory = false;
    for (int row : rows)
        anyDirectory = anyDirectory || remoteList_->Model().IsDirectory(row);
    for (QAction* entry : remotePopup_->actions()) {
        const bool open = entry == Action("RemoteFileOpenAction");
        entry->setEnabled(!rows.empty() && !(open && anyDirectory));
    }
    remotePopup_->popup(remoteList_->viewport()->mapToGlobal(position));
}

// --- both panes -----------------------------------------------------------------------

void TMainForm::RefreshFocused()
{
    if (remoteList_->hasFocus())
        Action("RemoteRefreshAction")->trigger();
    else if (localPane_->ListHasFocus())
        Action("LocalRefreshAction")->trigger();
}

void TMainForm::SelectAllFocused()
{
    if (remoteList_->hasFocus())
        remoteList_->selectAll();
    else if (localPane_->ListHasFocus())
        localPane_->SelectAll();
}

bool TMainForm::FindNext(const QString& text)
{
    if (localPane_->ListHasFocus())
        return localPane_->FindNext(text);
    const TRemoteListModel& model = remoteList_->Model();
    const int rows = model.rowCount();
    if (rows == 0 || text.isEmpty())
        return false;
    const std::vector<int> selected = remoteList_->SelectedRows();
    const int start = selected.empty() ? 0 : selected.front();
    remoteList_->clearSelection();
    for (int step = 1; step <= rows; ++step) {
        const int row = (start + step) % rows;
        if (model.Caption(row).toUpper().contains(text.toUpper())) {
            remoteList_->selectionModel()->select(model.index(row, 0),
                                                  QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
            remoteList_->scrollTo(model.index(row, 0));
            return true;
        }
    }
    return false;
}

void TMainForm::OpenSimpleFind()
{
    const bool local = localPane_->ListHasFocus();
    if (!local && !remoteList_->hasFocus())
        return;
    auto* dialog = new TSimpleFindDialog(this, findText_, [this, local](const QString& text) {
        findText_ = text;
        if (local)
            localPane_->CurrentView()->setFocus();
        else
            remoteList_->setFocus();
        FindNext(text);
    });
    dialog->show();
}

void TMainForm::ShowFiltersMenu()
{
    if (remoteList_->hasFocus())
        remoteFilterMenu_->popup(QCursor::pos());
    else if (localPane_->ListHasFocus())
        localFilterMenu_->popup(QCursor::pos());
}

QString TMainForm::SelectedRowURL() const
{
    const std::vector<int> rows = remoteList_->SelectedRows();
    std::string url = currentHost_.ToURL();
    // The host's address ends in "/"; the folder brings its own.
    if (!url.empty() && url.back() == '/')
        url.pop_back();
    url += IncludeTrailingSlash(worker_->CurrentDir());
    if (!rows.empty())
        url += remoteList_->Model().RawName(rows.front());
    return QString::fromStdString(url);
}

void TMainForm::CopyURL()
{
    QApplication::clipboard()->setText(SelectedRowURL());
}

void TMainForm::ShowHelp(int topic)
{
    const std::filesystem::path help = LangManager().HelpFileName();
    const QString file = QString::fromStdString(help.string());
    if (QFileInfo::exists(file)) {
        QUrl url = QUrl::fromLocalFile(file);
        if (topic > 0)
            url.setFragment(QStringLiteral("topic-%1").arg(topic));
        QDesktopServices::openUrl(url);
        return;
    }
    QMessageBox::critical(this, QString::fromStdString(LoadStr("MainForm_strError")),
                          QString::fromStdString(Format(LoadStr("MainForm_HelpFileNotFound"), help.string())));
}

void TMainForm::MinimizeToTray()
{
    tray_->show();
    hide();
}
