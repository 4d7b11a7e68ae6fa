#include "ui/EditBookmarksForm.h"

#include "hosts/HostStores.h"

#include <QTreeWidget>

namespace {

TListEditorTexts BookmarkTexts()
{
    return {QStringLiteral("EditBookmarksForm"),
            QStringLiteral("Edit bookmarks"),
            {QStringLiteral("Path")},
            QStringLiteral("New bookmark"),
            QStringLiteral("Delete bookmark"),
            "EditBookmarksForm_IDS_0",
            "EditBookmarksForm_IDS_1",
            "EditBookmarksForm_IDS_2",
            "bookmark"};
}

} // namespace

TEditBookmarksForm::TEditBookmarksForm(THost& host, THosts& hosts, TQuickHosts& quickHosts, QWidget* parent)
    : TListEditorForm(BookmarkTexts(), parent), host_(host), hosts_(hosts), quickHosts_(quickHosts)
{
    BuildLayout();
    FillRows();
    resize(420, 340);
}

void TEditBookmarksForm::FillRows()
{
    ClearRows();
    for (const std::string& path : host_.Bookmarks())
        AddRow({QString::fromStdString(path)});
    if (List()->topLevelItemCount() > 0)
        List()->setCurrentItem(List()->topLevelItem(0));
}

void TEditBookmarksForm::ApplyChanges()
{
    // Stored through a copy: a failed save leaves the host as it was.
    THost changed(host_);
    changed.ClearBookmarks();
    for (const QTreeWidgetItem* row : Rows())
        changed.AddBookmark(row->text(0).toStdString());
    if (hosts_.FindByHostID(changed.HostID))
        hosts_.AddOrUpdate(changed);
    else
        quickHosts_.AddOrUpdate(changed);
    SaveHostStores(hosts_, quickHosts_);
    host_.Assign(changed);
    // Rows that differed only in letter case are now one.
    FillRows();
}
