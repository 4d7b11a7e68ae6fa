#include "ui/TransferTypeTable.h"

#include "i18n/Format.h"
#include "i18n/LanguageManager.h"
#include "ui/WindowTexts.h"

#include <QCollator>
#include <QComboBox>
#include <QGridLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QTreeWidget>

namespace {

constexpr int kAsciiRole = Qt::UserRole;
constexpr const char* kAscii = "ASCII";
constexpr const char* kBinary = "Binary";

QString Constant(const char* name)
{
    return QString::fromStdString(LoadStr(name));
}

/// Rows compare by the sorted column's text, as the user's locale orders
/// words, ignoring letter case.
class TTypeRow : public QTreeWidgetItem {
public:
    using QTreeWidgetItem::QTreeWidgetItem;

    bool operator<(const QTreeWidgetItem& other) const override
    {
        static thread_local QCollator collator = [] {
            QCollator c;
            c.setCaseSensitivity(Qt::CaseInsensitive);
            c.setNumericMode(true);
            return c;
        }();
        const int column = treeWidget() ? treeWidget()->sortColumn() : 0;
        const int order = collator.compare(text(column), other.text(column));
        if (order != 0)
            return order < 0;
        // Equal ignoring case: keep a stable, case-aware order.
        return text(column) < other.text(column);
    }
};

} // namespace

TTransferTypeTable::TTransferTypeTable(QWidget* parent)
    : QWidget(parent)
{
    list_ = new QTreeWidget(this);
    list_->setColumnCount(2);
    list_->setRootIsDecorated(false);
    list_->setUniformRowHeights(true);
    list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list_->setAllColumnsShowFocus(true);
    list_->header()->setSectionResizeMode(ExtensionColumn, QHeaderView::Stretch);
    list_->header()->setSectionResizeMode(TypeColumn, QHeaderView::ResizeToContents);
    list_->header()->setStretchLastSection(false);
    list_->setSortingEnabled(true);
    list_->sortByColumn(ExtensionColumn, Qt::AscendingOrder);

    extension_ = new QLineEdit(this);
    // "=" separates an extension from its type in the stored entries.
    extension_->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[^=]*")), extension_));
    extensionLabel_ = new QLabel(this);
    extensionLabel_->setBuddy(extension_);
    type_ = new QComboBox(this);
    type_->addItems({QString(), QString()});
    typeLabel_ = new QLabel(this);
    typeLabel_->setBuddy(type_);
    add_ = new QPushButton(this);
    delete_ = new QPushButton(this);

    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->addWidget(list_, 0, 0, 1, 4);
    grid->addWidget(extensionLabel_, 1, 0);
    grid->addWidget(extension_, 1, 1);
    grid->addWidget(typeLabel_, 1, 2);
    grid->addWidget(type_, 1, 3);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(add_);
    buttons->addWidget(delete_);
    grid->addLayout(buttons, 2, 0, 1, 4);
    grid->setColumnStretch(1, 1);

    connect(add_, &QPushButton::clicked, this, &TTransferTypeTable::Add);
    // Enter in the field adds the row instead of closing the window.
    extension_->installEventFilter(this);
    connect(delete_, &QPushButton::clicked, this, &TTransferTypeTable::DeleteSelected);
    connect(list_, &QTreeWidget::itemSelectionChanged, this, &TTransferTypeTable::SelectionChanged);
    Retranslate();
}

bool TTransferTypeTable::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == extension_ && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            Add();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void TTransferTypeTable::AddTexts(TWindowTexts& texts, int firstEntry)
{
    QTreeWidgetItem* header = list_->headerItem();
    texts.Add(firstEntry, QStringLiteral("Extension"), [header](const QString& t) { header->setText(ExtensionColumn, t); });
    texts.Add(firstEntry + 1, QStringLiteral("Transfer type"), [header](const QString& t) { header->setText(TypeColumn, t); });
    texts.AddText(firstEntry + 2, extensionLabel_, QStringLiteral("E&xtension:"));
    texts.AddText(firstEntry + 3, typeLabel_, QStringLiteral("&Type:"));
    texts.AddText(firstEntry + 4, add_, QStringLiteral("&Add"));
    texts.AddText(firstEntry + 5, delete_, QStringLiteral("&Delete"));
}

void TTransferTypeTable::Retranslate()
{
    type_->setItemText(0, Constant("SettingsForm_strBinary"));
    type_->setItemText(1, Constant("SettingsForm_IDS_18"));
    for (int i = 0; i < list_->topLevelItemCount(); ++i) {
        QTreeWidgetItem* row = list_->topLevelItem(i);
        ShowType(row, row->data(TypeColumn, kAsciiRole).toBool());
    }
}

void TTransferTypeTable::ShowType(QTreeWidgetItem* row, bool ascii)
{
    row->setData(TypeColumn, kAsciiRole, ascii);
    row->setText(TypeColumn, ascii ? Constant("SettingsForm_IDS_18") : Constant("SettingsForm_strBinary"));
}

QTreeWidgetItem* TTransferTypeTable::NewRow(const QString& extension, bool ascii)
{
    auto* row = new TTypeRow;
    row->setText(ExtensionColumn, extension);
    ShowType(row, ascii);
    list_->addTopLevelItem(row);
    return row;
}

void TTransferTypeTable::SetEntries(const std::vector<std::string>& entries)
{
    list_->clear();
    for (const std::string& entry : entries) {
        const std::size_t eq = entry.find('=');
        const std::string extension = entry.substr(0, eq);
        const std::string type = eq == std::string::npos ? std::string() : entry.substr(eq + 1);
        NewRow(QString::fromStdString(extension), type == kAscii);
    }
    list_->sortByColumn(ExtensionColumn, Qt::AscendingOrder);
}

std::vector<std::string> TTransferTypeTable::Entries() const
{
    std::vector<std::string> entries;
    for (int i = 0; i < list_->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* row = list_->topLevelItem(i);
        const bool ascii = row->data(TypeColumn, kAsciiRole).toBool();
        entries.push_back(Format("%s=%s", row->text(ExtensionColumn).toStdString(), ascii ? kAscii : kBinary));
    }
    return entries;
}

void TTransferTypeTable::Add()
{
    QString extension = extension_->text().trimmed();
    if (extension.isEmpty())
        return;
    if (!extension.startsWith(QLatin1Char('.')))
        extension.prepend(QLatin1Char('.'));
    const bool ascii = type_->currentIndex() == 1;
    QTreeWidgetItem* row = nullptr;
    for (int i = 0; i < list_->topLevelItemCount() && !row; ++i)
        if (list_->topLevelItem(i)->text(ExtensionColumn).compare(extension, Qt::CaseInsensitive) == 0)
            row = list_->topLevelItem(i);
    if (row)
        ShowType(row, ascii);
    else
        row = NewRow(extension, ascii);
    list_->clearSelection();
    list_->setCurrentItem(row);
    row->setSelected(true);
    list_->scrollToItem(row);
}

bool TTransferTypeTable::DeleteSelected()
{
    const QList<QTreeWidgetItem*> rows = list_->selectedItems();
    if (rows.isEmpty())
        return false;
    QMessageBox box(QMessageBox::Question, Constant("MainForm_strConfirm"),
                    QString::fromStdString(Format(LoadStr("SettingsForm_IDS_16"), static_cast<int>(rows.size()))),
                    QMessageBox::Yes | QMessageBox::No, this);
    box.setDefaultButton(QMessageBox::No);
    box.button(QMessageBox::Yes)->setText(Constant("MainForm_strYes"));
    box.button(QMessageBox::No)->setText(Constant("MainForm_strNo"));
    if (box.exec() != QMessageBox::Yes)
        return false;
    qDeleteAll(rows);
    return true;
}

void TTransferTypeTable::SelectionChanged()
{
    const QList<QTreeWidgetItem*> rows = list_->selectedItems();
    if (rows.size() != 1)
        return;
    extension_->setText(rows.front()->text(ExtensionColumn));
    type_->setCurrentIndex(rows.front()->data(TypeColumn, kAsciiRole).toBool() ? 1 : 0);
}
