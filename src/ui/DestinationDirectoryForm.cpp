#include "ui/DestinationDirectoryForm.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

TDestinationDirectoryForm::TDestinationDirectoryForm(const THost& host, QWidget* parent)
    : QDialog(parent), initial_(host.InitialRemoteDirectory)
{
    setObjectName(QStringLiteral("DestinationDirectoryForm"));
    setWindowTitle(QStringLiteral("Destination directory"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(
        QStringLiteral("Select destination directory for uploads \n(leave empty for login directory)"), this));
    box_ = new QComboBox(this);
    box_->setEditable(true);
    box_->setInsertPolicy(QComboBox::InsertAlphabetically);
    box_->setMinimumWidth(300);
    QStringList folders;
    if (!host.InitialRemoteDirectory.empty())
        folders.append(QString::fromStdString(host.InitialRemoteDirectory));
    for (const std::string& bookmark : host.Bookmarks())
        if (!folders.contains(QString::fromStdString(bookmark)))
            folders.append(QString::fromStdString(bookmark));
    folders.sort();
    box_->addItems(folders);
    box_->setCurrentIndex(folders.isEmpty() ? -1 : 0);
    layout->addWidget(box_);
    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton(QStringLiteral("&OK"), QDialogButtonBox::AcceptRole);
    buttons->addButton(QStringLiteral("&Cancel"), QDialogButtonBox::RejectRole);
    ok->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

std::string TDestinationDirectoryForm::Destination() const
{
    const std::string text = box_->currentText().trimmed().toStdString();
    return text.empty() ? initial_ : text;
}
