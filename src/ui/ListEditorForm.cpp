#include "ui/ListEditorForm.h"

#include "i18n/Format.h"
#include "i18n/LanguageManager.h"
#include "ui/AppIcons.h"
#include "ui/WindowTexts.h"

#include <QAction>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QMessageBox>
#include <QPushButton>
#include <QShortcut>
#include <QStyledItemDelegate>
#include <QToolBar>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <exception>
#include <set>

namespace {

QString Str(const char* constant)
{
    return QString::fromStdString(LoadStr(constant));
}

/// The caption an emptied edit falls back to.
constexpr int AcceptedCaptionRole = Qt::UserRole + 1;

/// Only the caption is edited in place; the other columns have their own
/// controls (the filters' mask field).
class TCaptionOnlyDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        return index.column() == 0 ? QStyledItemDelegate::createEditor(parent, option, index) : nullptr;
    }
};

} // namespace

TListEditorForm::TListEditorForm(const TListEditorTexts& texts, QWidget* parent)
    : QDialog(parent), names_(texts)
{
    setObjectName(names_.WindowName);
}

TListEditorForm::~TListEditorForm() = default;

void TListEditorForm::BuildLayout()
{
    texts_ = new TWindowTexts(this, names_.WindowName);
    auto* layout = new QVBoxLayout(this);

    new_ = new QAction(TAppIcons::Icon(names_.Icon), QString(), this);
    new_->setShortcut(QKeySequence(Qt::Key_Insert));
    new_->setShortcutContext(Qt::WidgetShortcut);
    delete_ = new QAction(TAppIcons::Icon("delete"), QString(), this);
    delete_->setShortcut(QKeySequence::Delete);
    delete_->setShortcutContext(Qt::WidgetShortcut);
    connect(new_, &QAction::triggered, this, [this] { NewEntry(); });
    connect(delete_, &QAction::triggered, this, &TListEditorForm::DeleteSelected);

    toolbar_ = new QToolBar(this);
    toolbar_->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    toolbar_->setIconSize(QSize(16, 16));
    toolbar_->addAction(new_);
    toolbar_->addAction(delete_);
    layout->addWidget(toolbar_);

    list_ = new QTreeWidget(this);
    list_->setRootIsDecorated(false);
    list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list_->setEditTriggers(QAbstractItemView::SelectedClicked);
    list_->setItemDelegate(new TCaptionOnlyDelegate(list_));
    // F2 renames the current row whichever column was clicked last.
    auto* rename = new QShortcut(QKeySequence(Qt::Key_F2), list_, nullptr, nullptr, Qt::WidgetShortcut);
    connect(rename, &QShortcut::activated, this, [this] {
        if (QTreeWidgetItem* item = list_->currentItem())
            list_->editItem(item, 0);
    });
    list_->setColumnCount(static_cast<int>(names_.Columns.size()));
    list_->setSortingEnabled(true);
    list_->sortByColumn(0, Qt::AscendingOrder);
    list_->header()->setSectionsClickable(false);
    list_->header()->setStretchLastSection(true);
    list_->setContextMenuPolicy(Qt::ActionsContextMenu);
    list_->addAction(new_);
    list_->addAction(delete_);
    layout->addWidget(list_, 1);
    connect(list_, &QTreeWidget::itemChanged, this, &TListEditorForm::CaptionChanged);
    connect(list_, &QTreeWidget::itemSelectionChanged, this, &TListEditorForm::UpdateCommands);

    BuildExtraControls(layout);

    buttons_ = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::Apply, this);
    layout->addWidget(buttons_);
    connect(buttons_, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons_, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(ApplyButton(), &QPushButton::clicked, this, [this] { Apply(); });

    texts_->AddTitle(1, names_.Title);
    texts_->AddText(2, new_, names_.NewCommand);
    texts_->AddText(3, delete_, names_.DeleteCommand);
    for (int i = 0; i < names_.Columns.size(); ++i)
        texts_->Add(4 + i, names_.Columns[i], [this, i](const QString& text) { list_->headerItem()->setText(i, text); });
    texts_->AddText(10, buttons_->button(QDialogButtonBox::Ok), QStringLiteral("&OK"));
    texts_->AddText(11, buttons_->button(QDialogButtonBox::Cancel), QStringLiteral("&Cancel"));
    texts_->AddText(12, ApplyButton(), QStringLiteral("&Apply"));
    UpdateCommands();
    list_->setFocus();
}

QPushButton* TListEditorForm::ApplyButton() const
{
    return buttons_->button(QDialogButtonBox::Apply);
}

QString TListEditorForm::UniqueCaption(const QStringList& captions, const QString& plain, const QString& numbered)
{
    const std::set<QString> taken(captions.begin(), captions.end());
    if (!taken.contains(plain))
        return plain;
    for (int n = 1;; ++n) {
        const QString caption = QString::fromStdString(Format(numbered.toStdString(), n));
        if (!taken.contains(caption))
            return caption;
    }
}

QTreeWidgetItem* TListEditorForm::AddRow(const QStringList& columns)
{
    filling_ = true;
    auto* item = new QTreeWidgetItem(columns);
    item->setFlags(item->flags() | Qt::ItemIsEditable);
    item->setData(0, AcceptedCaptionRole, columns.value(0));
    list_->addTopLevelItem(item);
    filling_ = false;
    return item;
}

void TListEditorForm::ClearRows()
{
    filling_ = true;
    list_->clear();
    filling_ = false;
    UpdateCommands();
}

QList<QTreeWidgetItem*> TListEditorForm::Rows() const
{
    QList<QTreeWidgetItem*> rows;
    for (int i = 0; i < list_->topLevelItemCount(); ++i)
        rows.append(list_->topLevelItem(i));
    return rows;
}

QTreeWidgetItem* TListEditorForm::NewEntry()
{
    QStringList captions;
    for (const QTreeWidgetItem* row : Rows())
        captions.append(row->text(0));
    const QString caption = UniqueCaption(captions, Str(names_.NewName), Str(names_.NewNameN));
    QStringList columns(caption);
    while (columns.size() < names_.Columns.size())
        columns.append(QString());
    QTreeWidgetItem* item = AddRow(columns);
    SetChanged(true);
    list_->clearSelection();
    list_->setCurrentItem(item);
    list_->scrollToItem(item);
    list_->setFocus();
    list_->editItem(item, 0);
    return item;
}

void TListEditorForm::DeleteSelected()
{
    const QList<QTreeWidgetItem*> selected = list_->selectedItems();
    if (selected.isEmpty())
        return;
    filling_ = true;
    qDeleteAll(selected);
    filling_ = false;
    SetChanged(true);
    UpdateCommands();
}

void TListEditorForm::CaptionChanged(QTreeWidgetItem* item, int column)
{
    if (filling_ || column != 0)
        return;
    const QString accepted = item->data(0, AcceptedCaptionRole).toString();
    const QString text = item->text(0);
    filling_ = true;
    if (text.trimmed().isEmpty())
        item->setText(0, accepted);
    else
        item->setData(0, AcceptedCaptionRole, text);
    filling_ = false;
    if (!text.trimmed().isEmpty() && text != accepted)
        SetChanged(true);
}

void TListEditorForm::SetChanged(bool changed)
{
    changed_ = changed;
    UpdateCommands();
}

void TListEditorForm::UpdateCommands()
{
    if (!list_ || !buttons_)
        return;
    delete_->setEnabled(!list_->selectedItems().isEmpty());
    ApplyButton()->setEnabled(changed_);
}

bool TListEditorForm::Apply()
{
    try {
        ApplyChanges();
    } catch (const std::exception& e) {
        // The rows stay as the user left them, still marked as changed.
        QMessageBox::critical(this, Str("MainForm_strError"), QString::fromStdString(e.what()));
        return false;
    }
    SetChanged(false);
    return true;
}

bool TListEditorForm::AskSaveChanges()
{
    QMessageBox box(QMessageBox::Question, Str("MainForm_strConfirm"),
                    Str(names_.Question).replace(QStringLiteral("\r\n"), QStringLiteral("\n")),
                    QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, this);
    box.setDefaultButton(QMessageBox::Yes);
    box.button(QMessageBox::Yes)->setText(Str("MainForm_strYes"));
    box.button(QMessageBox::No)->setText(Str("MainForm_strNo"));
    box.button(QMessageBox::Cancel)->setText(Str("MainForm_strCancel"));
    const int answer = box.exec();
    if (answer == QMessageBox::Yes)
        return Apply();
    return answer == QMessageBox::No;
}

void TListEditorForm::done(int result)
{
    if (result == Accepted) {
        if (!Apply())
            return;
    } else if (changed_ && !AskSaveChanges()) {
        return;
    }
    QDialog::done(result);
}
