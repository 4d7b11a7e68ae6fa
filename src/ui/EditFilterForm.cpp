#include "ui/EditFilterForm.h"

#include "hosts/Filters.h"
#include "ui/WindowTexts.h"

#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

TListEditorTexts FilterTexts()
{
    return {QStringLiteral("EditFilterForm"),
            QStringLiteral("Edit filters"),
            {QStringLiteral("Name"), QStringLiteral("File masks")},
            QStringLiteral("New filter"),
            QStringLiteral("Delete filter"),
            "EditFilterForm_IDS_0",
            "EditFilterForm_IDS_1",
            "EditFilterForm_IDS_2",
            "filter"};
}

} // namespace

TEditFilterForm::TEditFilterForm(TFilters& filters, QWidget* parent)
    : TListEditorForm(FilterTexts(), parent), filters_(filters)
{
    BuildLayout();
    connect(List(), &QTreeWidget::itemSelectionChanged, this, &TEditFilterForm::ShowSelectedMasks);
    // A file that does not load shows what loaded before the fault and
    // why; the file is rewritten only when the user changes something.
    try {
        filters_.Reload();
    } catch (const std::exception& e) {
        loadError_->setText(QString::fromStdString(e.what()));
        loadError_->show();
    }
    FillRows();
    List()->header()->resizeSection(0, 160);
    resize(520, 380);
}

void TEditFilterForm::BuildExtraControls(QVBoxLayout* layout)
{
    loadError_ = new QLabel(this);
    loadError_->setObjectName(QStringLiteral("LoadError"));
    loadError_->setWordWrap(true);
    loadError_->setStyleSheet(QStringLiteral("color: #b00000"));
    loadError_->hide();
    layout->addWidget(loadError_);
    auto* grid = new QGridLayout;
    auto* label = new QLabel(this);
    masks_ = new QLineEdit(this);
    masks_->setObjectName(QStringLiteral("MaskField"));
    label->setBuddy(masks_);
    update_ = new QPushButton(this);
    update_->setAutoDefault(false);
    grid->addWidget(label, 0, 0, 1, 2);
    grid->addWidget(masks_, 1, 0);
    grid->addWidget(update_, 1, 1);
    layout->addLayout(grid);
    connect(update_, &QPushButton::clicked, this, &TEditFilterForm::UpdateSelected);

    Texts().AddText(20, label, QStringLiteral("File &mask(s) seperated by semicolon"));
    Texts().AddText(21, update_, QStringLiteral("&Update"));
    Texts().AddToolTip(22, update_, QStringLiteral("Updates the selected filter(s) with the filemasks to the left"));
}

void TEditFilterForm::FillRows()
{
    ClearRows();
    for (const TFilter& filter : filters_.Items())
        AddRow({QString::fromStdString(filter.Name), QString::fromStdString(filter.MaskText())});
}

void TEditFilterForm::ShowSelectedMasks()
{
    const QList<QTreeWidgetItem*> selected = List()->selectedItems();
    if (selected.isEmpty()) {
        masks_->clear();
        return;
    }
    QTreeWidgetItem* shown = selected.contains(List()->currentItem()) ? List()->currentItem() : selected.first();
    masks_->setText(shown->text(1));
}

void TEditFilterForm::UpdateSelected()
{
    const QList<QTreeWidgetItem*> selected = List()->selectedItems();
    if (selected.isEmpty())
        return;
    for (QTreeWidgetItem* row : selected)
        row->setText(1, masks_->text());
    SetChanged(true);
}

void TEditFilterForm::ApplyChanges()
{
    if (!loadError_->isHidden() && !Changed())
        return;
    UpdateSelected();
    filters_.Clear();
    for (const QTreeWidgetItem* row : Rows())
        filters_.Add(TFilter(row->text(0).toStdString(), row->text(1).toStdString()));
    filters_.Save();
}
