#include "ui/DestinationDirectoryForm.h"

#include "ui/WindowTexts.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

TDestinationDirectoryForm::TDestinationDirectoryForm(const THost& host, QWidget* parent)
    : QDialog(parent), initial_(host.InitialRemoteDirectory)
{
    setObjectName(QStringLiteral("DestinationDirectoryForm"));
    auto* layout = new QVBoxLayout(this);
    auto* prompt = new QLabel(this);
    layout->addWidget(prompt);
    box_ = new QComboBox(this);
    prompt->setBuddy(box_);
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
    QPushButton* ok = buttons->addButton(QString(), QDialogButtonBox::AcceptRole);
    QPushButton* cancel = buttons->addButton(QString(), QDialogButtonBox::RejectRole);
    ok->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    auto* texts = new TWindowTexts(this, QStringLiteral("DestinationDirectoryForm"));
    texts->AddTitle(1, QStringLiteral("Destination directory"));
    // Language files write a line break as CR LF; the label breaks at LF.
    texts->Add(2, QStringLiteral("Select destination directory for uploads \n(leave empty for login directory)"),
               [prompt](const QString& text) { prompt->setText(QString(text).replace(QLatin1String("\r\n"), QLatin1String("\n"))); });
    texts->AddText(3, ok, QStringLiteral("&OK"));
    texts->AddText(4, cancel, QStringLiteral("&Cancel"));
}

std::string TDestinationDirectoryForm::Destination() const
{
    const std::string text = box_->currentText().trimmed().toStdString();
    return text.empty() ? initial_ : text;
}
