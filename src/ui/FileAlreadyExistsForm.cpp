#include "ui/FileAlreadyExistsForm.h"

#include "i18n/Format.h"
#include "i18n/LanguageManager.h"
#include "store/Helpers.h"
#include "ui/IconCache.h"
#include "ui/WindowTexts.h"

#include <QApplication>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTextDocument>
#include <QPushButton>
#include <QStyle>
#include <QTimer>
#include <QVBoxLayout>

namespace {

QString Utf8(const std::string& text)
{
    return QString::fromStdString(text);
}

QLabel* BoldLabel(const QString& text, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    QFont font = label->font();
    font.setBold(true);
    label->setFont(font);
    return label;
}

QString SkipCaption(int seconds)
{
    std::string format = "&Skip [%d]";
    try {
        format = LoadStr("FileAlreadyExistsForm_RSSkip");
    } catch (const std::exception&) {
        // no language loaded (tests of the bare dialog): the English text
    }
    return Utf8(Format(format, seconds));
}

/// Registers the window's texts; the labels are found by their names.
void RegisterTexts(QDialog* form)
{
    auto* texts = new TWindowTexts(form, QStringLiteral("FileAlreadyExistsForm"));
    texts->AddTitle(1, QStringLiteral("File already exists"));
    auto label = [form](const char* name) { return form->findChild<QLabel*>(QLatin1String(name)); };
    texts->AddText(2, label("ScopeCaption"), QStringLiteral("Apply my choice to:"));
    auto* scope = form->findChild<QComboBox*>(QStringLiteral("Scope"));
    const char* const scopes[] = {"Only for this file", "For all files currently in queue", "For all files always"};
    for (int i = 0; i < 3; ++i)
        texts->Add(3 + i, QString::fromLatin1(scopes[i]), [scope, i](const QString& text) { scope->setItemText(i, text); });
    texts->AddText(6, label("FilenameCaption"), QStringLiteral("Filename:"));
    texts->AddText(7, label("LocalCaption"), QStringLiteral("Local file"));
    texts->AddText(8, label("RemoteCaption"), QStringLiteral("Remote file"));
    // "%1" stands for the size or the time.
    const std::pair<int, const char*> values[] = {{9, "LocalSize"}, {9, "RemoteSize"}, {10, "LocalModified"},
                                                  {10, "RemoteModified"}};
    for (const auto& [entry, name] : values) {
        QLabel* value = label(name);
        texts->Add(entry, entry == 9 ? QStringLiteral("Size: %1") : QStringLiteral("Modified: %1"),
                   [value](const QString& text) { value->setText(text.arg(value->property("value").toString())); });
    }
    const std::pair<const char*, const char*> buttons[] = {
        {"Overwrite", "&Overwrite"}, {"Resume", "&Resume"}, {"Cancel", "&Cancel"}};
    int entry = 11;
    for (const auto& [name, caption] : buttons)
        texts->AddText(entry++, form->findChild<QPushButton*>(QLatin1String(name)), QLatin1String(caption));
}

} // namespace

TFileAlreadyExistsForm::TFileAlreadyExistsForm(TQueueItem& item, const EFTPFileAlreadyExistsException& error,
                                               QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
{
    setObjectName(QStringLiteral("FileAlreadyExistsForm"));
    setWindowIcon(style()->standardIcon(QStyle::SP_MessageBoxQuestion));
    const auto situation = ExistingFileSituation(error);
    const bool remoteName = situation == efsUploadSameSize || situation == efsUploadSmaller;
    const bool resumeOffered = situation && ResumeOffered(*situation);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(BuildHead(error));
    layout->addWidget(BuildFileBox(item, error, remoteName));
    auto* scopeRow = new QHBoxLayout;
    auto* scopeLabel = new QLabel(this);
    scopeLabel->setObjectName(QStringLiteral("ScopeCaption"));
    scopeRow->addWidget(scopeLabel);
    scopeBox_ = new QComboBox(this);
    scopeBox_->setObjectName(QStringLiteral("Scope"));
    scopeBox_->addItems({QString(), QString(), QString()});
    scopeLabel->setBuddy(scopeBox_);
    connect(scopeBox_, &QComboBox::currentIndexChanged, this, [this](int index) { scope_ = index; });
    scopeRow->addWidget(scopeBox_, 1);
    layout->addLayout(scopeRow);
    layout->addWidget(BuildButtons(resumeOffered));
    layout->setSizeConstraint(QLayout::SetFixedSize);
    RegisterTexts(this);

    timer_ = new QTimer(this);
    timer_->setInterval(1000);
    connect(timer_, &QTimer::timeout, this, &TFileAlreadyExistsForm::Tick);

    // The file name: the remote path in full; a local path shortened to the
    // label's width (less 8 pixels), the full name always in the tool tip.
    const QString full = Utf8(remoteName ? item.RemoteFilename : item.GetLocalFilename());
    filename_->setToolTip(full);
    adjustSize();
    filename_->setText(remoteName ? full
                                  : filename_->fontMetrics().elidedText(full, Qt::ElideMiddle,
                                                                        std::max(filename_->width() - 8, 40)));
}

QWidget* TFileAlreadyExistsForm::BuildHead(const EFTPFileAlreadyExistsException& error)
{
    auto* head = new QWidget(this);
    auto* layout = new QGridLayout(head);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* icon = new QLabel(head);
    icon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxQuestion).pixmap(32, 32));
    layout->addWidget(icon, 0, 0, 2, 1, Qt::AlignTop);
    QLabel* headline = BoldLabel(Utf8(error.ShortDescription()), head);
    headline->setObjectName(QStringLiteral("Headline"));
    layout->addWidget(headline, 0, 1);
    auto* text = new QPlainTextEdit(Utf8(error.LongDescription()), head);
    text->setObjectName(QStringLiteral("Explanation"));
    text->setReadOnly(true);
    // Room for the usual four lines of explanation without a scroll bar.
    text->setFixedSize(400, text->fontMetrics().lineSpacing() * 4 + 2 * text->frameWidth() +
                                static_cast<int>(2 * text->document()->documentMargin()) + 2);
    layout->addWidget(text, 1, 1);
    return head;
}

QWidget* TFileAlreadyExistsForm::BuildFileBox(TQueueItem& item, const EFTPFileAlreadyExistsException& error,
                                              bool remoteName)
{
    auto* box = new QWidget(this);
    auto* layout = new QGridLayout(box);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* typeIcon = new QLabel(box);
    TIconCache icons;
    const std::string name = remoteName ? RemoteFileName(item.RemoteFilename) : item.GetLocalFilename();
    typeIcon->setPixmap(icons.Icon(item.IsDirectory ? QString::fromLatin1(TIconCache::DirectoryKey)
                                                    : TIconCache::KeyOfName(name))
                            .pixmap(32, 32));
    layout->addWidget(typeIcon, 0, 0, 4, 1, Qt::AlignTop);
    auto* filenameCaption = new QLabel(box);
    filenameCaption->setObjectName(QStringLiteral("FilenameCaption"));
    layout->addWidget(filenameCaption, 0, 1);
    filename_ = new QLabel(box);
    filename_->setObjectName(QStringLiteral("Filename"));
    filename_->setMinimumWidth(300);
    filename_->setMaximumWidth(300);
    layout->addWidget(filename_, 0, 2, 1, 2);
    QLabel* localCaption = BoldLabel(QString(), box);
    localCaption->setObjectName(QStringLiteral("LocalCaption"));
    layout->addWidget(localCaption, 1, 2);
    QLabel* remoteCaption = BoldLabel(QString(), box);
    remoteCaption->setObjectName(QStringLiteral("RemoteCaption"));
    layout->addWidget(remoteCaption, 1, 3);
    // The captions around the values come with the window's texts.
    const auto sizeText = [](std::int64_t size) { return Utf8(FormatSize(size)); };
    const auto timeText = [](const std::string& time) { return Utf8(time); };
    auto add = [&](const QString& value, const char* objectName, int row, int column) {
        auto* label = new QLabel(box);
        label->setObjectName(QLatin1String(objectName));
        label->setProperty("value", value);
        layout->addWidget(label, row, column);
    };
    add(sizeText(error.LocalSize()), "LocalSize", 2, 2);
    add(sizeText(error.RemoteSize()), "RemoteSize", 2, 3);
    add(timeText(error.LocalTime()), "LocalModified", 3, 2);
    add(timeText(error.RemoteTime()), "RemoteModified", 3, 3);
    return box;
}

QWidget* TFileAlreadyExistsForm::BuildButtons(bool resumeOffered)
{
    auto* row = new QWidget(this);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addStretch(1);
    overwrite_ = new QPushButton(row);
    overwrite_->setObjectName(QStringLiteral("Overwrite"));
    resume_ = new QPushButton(row);
    resume_->setObjectName(QStringLiteral("Resume"));
    resume_->setEnabled(resumeOffered);
    skip_ = new QPushButton(row);
    skip_->setDefault(true);
    cancel_ = new QPushButton(row);
    cancel_->setObjectName(QStringLiteral("Cancel"));
    for (QPushButton* button : {overwrite_, resume_, skip_, cancel_}) {
        button->setAutoDefault(button == skip_);
        layout->addWidget(button);
    }
    connect(overwrite_, &QPushButton::clicked, this, [this] { Choose(faeOverwrite); });
    connect(resume_, &QPushButton::clicked, this, [this] { Choose(faeResume); });
    connect(skip_, &QPushButton::clicked, this, [this] { Choose(faeSkip); });
    connect(cancel_, &QPushButton::clicked, this, [this] { Choose(faeSkip); });
    UpdateSkipCaption();
    return row;
}

TExistingFileAnswer TFileAlreadyExistsForm::Answer() const
{
    return {chosen_, static_cast<TExistingFileScope>(scope_)};
}

void TFileAlreadyExistsForm::Choose(TFileAlreadyExistsAction action)
{
    chosen_ = action;
    accept();
}

void TFileAlreadyExistsForm::reject()
{
    Choose(faeSkip);  // Escape skips, like Cancel
}

void TFileAlreadyExistsForm::Tick()
{
    if (secondsLeft_ <= 0)
        return;
    --secondsLeft_;
    UpdateSkipCaption();
    if (secondsLeft_ == 0)
        Choose(faeSkip);
}

void TFileAlreadyExistsForm::UpdateSkipCaption()
{
    skip_->setText(SkipCaption(secondsLeft_));
}

void TFileAlreadyExistsForm::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (parentWidget()) {
        const QRect owner = parentWidget()->window()->frameGeometry();
        move(owner.center() - rect().center());
    }
    timer_->start();
}

void TFileAlreadyExistsForm::hideEvent(QHideEvent* event)
{
    timer_->stop();
    QDialog::hideEvent(event);
}
