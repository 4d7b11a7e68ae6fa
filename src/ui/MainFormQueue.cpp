// The main window's side of the queue: the queue page, the commands that
// fill and drive the queue, the completion steps and the queue drops.

#include "ui/MainForm.h"

#include "i18n/LanguageManager.h"
#include "platform/PowerOff.h"
#include "platform/RemoteEditing.h"
#include "queue/QueueManager.h"
#include "session/CertificateTrust.h"
#include "session/FTPWorker.h"
#include "store/Helpers.h"
#include "store/MainConfig.h"
#include "ui/FTPWorkerErrorForm.h"
#include "ui/LocalPane.h"
#include "ui/LogWriter.h"
#include "ui/PaneDropHandler.h"
#include "ui/QueueListModel.h"
#include "ui/QueueListView.h"
#include "ui/QueuePage.h"
#include "ui/RemoteListModel.h"
#include "ui/RemoteListView.h"

#include <QAction>
#include <QFileDialog>
#include <QFileInfo>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QTimer>
#include <QVBoxLayout>

void TMainForm::CreateQueueView()
{
    queueView_ = new TQueuePage(*queue_, &config_, nullptr, queuePage_);
    queuePage_->layout()->addWidget(queueView_);
    queueView_->OnItemLeft = [this](TQueueItem& item) { QueueItemLeft(item); };
    // A leaving item is still counted while its row goes: decide afterwards.
    queueView_->OnRowsChanged = [this] {
        UpdateActions();
        QTimer::singleShot(0, this, [this] { UpdateActions(); });
    };
    queueView_->OnLog = [this](const std::string& line, bool debug) { WriteLog(debug ? lkDebug : lkStatus, line); };
    TQueueListView* view = queueView_->View();
    connect(view, &QWidget::customContextMenuRequested, this, &TMainForm::ShowQueuePopup);
    view->AcceptsDrops = [this] { return connected_; };
    view->OnDrop = [this](const QMimeData& dropped) {
        bool taken = false;
        Guarded([&] { taken = DropOnQueue(dropped); });
        return taken;
    };
    queueView_->StartTimers();
    CreateDropHandler();
}

void TMainForm::CreateDropHandler()
{
    TPaneDropContext context;
    context.LocalPane = localPane_;
    context.RemoteList = remoteList_;
    context.QueuePage = queueView_;
    context.Queue = queue_.get();
    context.Worker = worker_.get();
    context.CurrentHost = [this] { return currentHost_; };
    context.SessionOpen = [this] { return connected_ && authenticated_; };
    context.Busy = [this] { return busy_; };
    context.QueueRemoteRows = [this](const std::vector<int>& rows, const std::string& folder, bool scheduled) {
        QueueRemoteRows(rows, folder, scheduled);
    };
    context.Guarded = [this](const std::function<void()>& f) { Guarded(f); };
    context.ShowPendingError = [this] { ShowWorkerError(this, worker_->PendingError()); };
    dropHandler_ = new TPaneDropHandler(std::move(context), this);
}

void TMainForm::ReleaseQueue()
{
    remoteEditing_.reset();  // it queues into the queue
    if (queueView_) {
        queueView_->StopTimers();
        delete queueView_;
        queueView_ = nullptr;
    }
    queue_.reset();
}

void TMainForm::WireQueueActions()
{
    const auto on = [this](const char* name, auto&& f) {
        connect(Action(name), &QAction::triggered, this, [this, f] { Guarded(f); });
    };
    on("PlayQueueAction", [this] {
        // Playing again is the user's request: refused certificates are asked about anew.
        if (certificateTrust_)
            certificateTrust_->ForgetRefusals();
        queue_->PlayAll();
    });
    on("PauseQueueAction", [this] { queue_->PauseAll(); });
    on("StopQueueAction", [this] { queue_->StopAll(); });
    on("ClearQueueAction", [this] { queueView_->ClearWithQuestion(); });
    on("SaveQueueAction", [this] { queue_->SaveDefault(); });
    on("LoadQueueAction", [this] { queueView_->Bulk([this] { queue_->LoadDefault(); }); });
    on("SaveQueueToFileAction", [this] { SaveQueueToFile(); });
    on("LoadQueueFromFileAction", [this] { LoadQueueFromFile(); });
    on("TurnOffComputerAction", [this] { turnOffAfterQueue_ = Action("TurnOffComputerAction")->isChecked(); });
    on("BeginQueueItemTransferAction", [this] { queueView_->TransferNowSelected(); });
    on("StopQueueItemAction", [this] { queueView_->StopSelected(); });
    on("PauseQueueItemAction", [this] { queueView_->PauseSelected(); });
    on("DeleteQueueItemAction", [this] { queueView_->DeleteSelected(); });
    on("UploadAction", [this] { QueueLocalSelection(true); });
    on("AddLocalFilesToQueueAction", [this] { QueueLocalSelection(false); });
    on("DownloadAction", [this] { QueueRemoteSelection(true); });
    on("AddRemoteFilesToQueueAction", [this] { QueueRemoteSelection(false); });
    on("RemoteFileAddToQueueAction", [this] { Action("AddRemoteFilesToQueueAction")->trigger(); });
}

void TMainForm::ShowQueuePopup(const QPoint& position)
{
    const bool selected = !queueView_->SelectedItems().empty();
    for (const char* name : {"BeginQueueItemTransferAction", "StopQueueItemAction", "PauseQueueItemAction",
                             "DeleteQueueItemAction"})
        Action(name)->setEnabled(selected);
    queuePopup_->popup(queueView_->View()->viewport()->mapToGlobal(position));
}

void TMainForm::QueueLocalSelection(bool scheduled)
{
    const std::string folder = IncludeTrailingBackslash(localPane_->Directory().toStdString());
    const std::string remoteDir = worker_->CurrentDir();
    // A file that cannot be read stops the command there; the rows before it stay.
    queueView_->Bulk([&] {
        for (const std::string& path : localPane_->SelectedPaths())
            queue_->AddUpload(currentHost_, folder, scheduled, remoteDir, path);
    });
    if (scheduled)
        queue_->StartTransfers();
}

void TMainForm::QueueRemoteSelection(bool scheduled)
{
    std::vector<int> rows = remoteList_->SelectedRows();
    if (rows.empty() && scheduled) {
        const auto answer = QMessageBox::question(this, QString::fromStdString(LoadStr("MainForm_strConfirm")),
                                                  QString::fromStdString(LoadStr("MainForm_IDS_51")),
                                                  QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes);
        if (answer == QMessageBox::Yes)
            for (int row = 0; row < remoteList_->Model().rowCount(); ++row)
                rows.push_back(row);
    }
    QueueRemoteRows(rows, localPane_->Directory().toStdString(), scheduled);
    if (scheduled)
        queue_->StartTransfers();
}

void TMainForm::QueueRemoteRows(const std::vector<int>& rows, const std::string& localFolder, bool scheduled)
{
    const TRemoteListModel& model = remoteList_->Model();
    const std::string remoteDir = worker_->CurrentDir();
    const std::string prefix = IncludeTrailingSlash(remoteDir);
    const std::string localRoot = IncludeTrailingBackslash(localFolder);
    queueView_->Bulk([&] {
        for (int row : rows) {
            const TIdFTPListItem* entry = model.Entry(row);
            if (model.IsParent(row) || !entry)
                continue;
            // Sizes stay 64-bit: files of 4 GiB and more keep their true size.
            queue_->AddDownload(currentHost_, remoteDir, scheduled, entry->ModifiedDate(), entry->Size(),
                                model.IsDirectory(row), localRoot, prefix + model.RawName(row));
        }
    });
}

void TMainForm::QueueItemLeft(TQueueItem& item)
{
    if (item.Status != qsComplete)
        return;
    const bool emptied = queue_->Count() <= 1;  // the item is still counted while it leaves
    if (authenticated_ && item.TransferDirection == tdUpload && emptied &&
        item.Host.HostID == currentHost_.HostID &&
        IncludeTrailingSlash(RemoteParentPath(item.GetRemoteFilename())) ==
            IncludeTrailingSlash(worker_->CurrentDir())) {
        remoteList_->SetNameToReselect(QString::fromStdString(RemoteFileName(item.GetRemoteFilename())));
        Action("RemoteRefreshAction")->trigger();
    }
    if (item.OpenWhenDone && hooks_.OpenForEditing)
        hooks_.OpenForEditing(item);
    if (emptied && turnOffAfterQueue_ && powerOff_)
        powerOff_->PowerOff();  // a refusal changes nothing here
}

void TMainForm::SaveQueueToFile()
{
    const QString path = QueueFileDialog(true);
    if (!path.isEmpty())
        queue_->SaveToFile(path.toStdString());
}

void TMainForm::LoadQueueFromFile()
{
    const QString path = QueueFileDialog(false);
    if (!path.isEmpty())
        queueView_->Bulk([&] { queue_->LoadFromFile(path.toStdString()); });
}

QString TMainForm::QueueFileDialog(bool save)
{
    // "All files (*.*)|*.*|XML Files (*.xml)|*.xml": pairs of caption and pattern.
    const QStringList parts = QString::fromStdString(LoadStr("MainForm_IDS_29")).split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2)
        filters.append(parts[i].contains(QLatin1Char('(')) ? parts[i] : parts[i] + " (" + parts[i + 1] + ")");
    QFileDialog dialog(this);
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setDirectory(QString::fromStdString(config_.LastQueueDirectory()));
    dialog.setNameFilters(filters);
    if (filters.size() > 1)
        dialog.selectNameFilter(filters[1]);
    dialog.setDefaultSuffix(QStringLiteral("xml"));
    dialog.selectFile(QStringLiteral("Queue.xml"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().front();
}

bool TMainForm::DropOnQueue(const QMimeData& dropped)
{
    return connected_ && dropHandler_ && dropHandler_->DropOnQueue(dropped);
}
