#include "ui/FTPWorkerErrorForm.h"

#include "i18n/LanguageManager.h"
#include "session/PendingError.h"
#include "session/TransferExceptions.h"
#include "ui/WindowTexts.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

namespace {

QString Multiline(const std::string& text)
{
    return QString::fromStdString(text).replace(QLatin1String("\r\n"), QLatin1String("\n"));
}

}  // namespace

TFTPWorkerErrorForm::TFTPWorkerErrorForm(const std::exception& error, QWidget* parent)
    : QDialog(parent),
      headline_(new QLabel(this)),
      explanation_(new QPlainTextEdit(this)),
      ok_(new QPushButton(this))
{
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);
    setWindowTitle(QString::fromStdString(LoadStr("MainForm_strError")));
    const QIcon warning = style()->standardIcon(QStyle::SP_MessageBoxWarning, nullptr, this);
    setWindowIcon(warning);

    auto* picture = new QLabel(this);
    const int size = style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, this);
    picture->setPixmap(warning.pixmap(size, size));
    picture->setAlignment(Qt::AlignTop);

    const auto* transfer = dynamic_cast<const EFTPTransferException*>(&error);
    headline_->setText(Multiline(transfer ? transfer->ShortDescription() : std::string(error.what())));
    headline_->setWordWrap(true);
    headline_->setTextFormat(Qt::PlainText);
    QFont bold = headline_->font();
    bold.setBold(true);
    headline_->setFont(bold);

    explanation_->setReadOnly(true);
    explanation_->setPlainText(transfer ? Multiline(transfer->LongDescription()) : QString());
    explanation_->setMinimumSize(360, 90);

    ok_->setDefault(true);
    ok_->setAutoDefault(true);
    connect(ok_, &QPushButton::clicked, this, &QDialog::accept);
    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(ok_, QDialogButtonBox::AcceptRole);

    auto* text = new QVBoxLayout;
    text->addWidget(headline_);
    text->addWidget(explanation_, 1);
    auto* top = new QHBoxLayout;
    top->addWidget(picture);
    top->addLayout(text, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top, 1);
    layout->addWidget(buttons);
    ok_->setFocus();

    auto* texts = new TWindowTexts(this, QStringLiteral("FTPWorkerErrorForm"));
    texts->AddText(1, ok_, QStringLiteral("&OK"));
    texts->SetOnApplied([this] { setWindowTitle(QString::fromStdString(LoadStr("MainForm_strError"))); });
}

QString TFTPWorkerErrorForm::Headline() const
{
    return headline_->text();
}

QString TFTPWorkerErrorForm::Explanation() const
{
    return explanation_->toPlainText();
}

bool ShowWorkerError(QWidget* parent, TPendingError& slot)
{
    // Taken before showing: an error that arrives while the dialog is open
    // waits in the slot for its own notification instead of being lost.
    const std::unique_ptr<std::exception> error = slot.Take();
    if (!error)
        return false;
    TFTPWorkerErrorForm form(*error, parent);
    form.exec();
    return true;
}
