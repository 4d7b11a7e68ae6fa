#include "ui/RemoteFileDialogs.h"

#include "session/FTPWorker.h"
#include "ui/AdvancedSearchForm.h"
#include "ui/FilePropertiesForm.h"
#include "ui/MainForm.h"
#include "ui/RemoteListView.h"

void ShowFileProperties(TMainForm& window, QWidget* owner)
{
    TRemoteListView* list = window.RemoteList();
    const TRemoteListModel& model = list->Model();
    std::vector<TPropertyEntry> entries;
    for (int row : list->SelectedRows()) {
        if (model.IsParent(row))
            continue;
        if (const TIdFTPListItem* item = model.Entry(row))
            entries.push_back(TPropertyEntry::From(*item, model.RawName(row)));
    }
    if (entries.empty())
        return;
    list->RememberSelection();
    TFTPWorker& worker = window.Worker();
    TFilePropertiesForm form(worker, std::move(entries), nullptr, owner);
    if (form.exec() == QDialog::Accepted)
        worker.InvalidateListing(worker.CurrentDir());
    worker.RequestListing();
}

void ShowAdvancedSearch(TMainForm& window, QWidget* owner)
{
    TAdvancedSearchForm form(window.Worker(), nullptr, owner);
    form.exec();
}
