// The main window's "Open" on remote files: the copies in the private
// temporary folder, the program that edits them and the upload back.

#include "ui/MainForm.h"

#include "platform/RemoteEditing.h"
#include "queue/QueueItem.h"
#include "session/FTPWorker.h"
#include "ui/LogWriter.h"
#include "ui/QueuePage.h"
#include "ui/RemoteListModel.h"
#include "ui/RemoteListView.h"
#include "ui/SuppressibleDialog.h"

void TMainForm::CreateRemoteEditing()
{
    Guarded([this] {
        remoteEditing_ = std::make_unique<TRemoteEditing>(*queue_);
        remoteEditing_->AskUpload = [this](const std::string& localCopy) {
            // Checking "Don't show again" means: never upload without asking.
            return ShowSuppressibleDialog("IDS_56", {localCopy}, mtConfirmation, mbYes | mbNo, mrNo) == mrYes;
        };
        remoteEditing_->OnError = [this](std::exception_ptr error) { HandleException(error); };
        hooks_.OpenForEditing = [this](TQueueItem& item) {
            if (remoteEditing_)
                remoteEditing_->OpenForEditing(item);
        };
    });
}

void TMainForm::OpenRemoteSelection()
{
    if (!remoteEditing_ || !authenticated_)
        return;
    const TRemoteListModel& model = remoteList_->Model();
    std::vector<TOpenRow> rows;
    for (int row : remoteList_->SelectedRows()) {
        const TIdFTPListItem* entry = model.Entry(row);
        // Folders have no program to open them in.
        if (model.IsParent(row) || !entry || model.IsDirectory(row))
            continue;
        rows.push_back({model.RawName(row), entry->Size(), entry->ModifiedDate(), false});
    }
    if (rows.empty())
        return;
    queueView_->Bulk([&] { remoteEditing_->Open(currentHost_, worker_->CurrentDir(), rows); });
}
