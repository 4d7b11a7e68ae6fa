#include "ui/FirstRunWizardForm.h"

#include "i18n/Format.h"
#include "i18n/LanguageManager.h"
#include "store/MainConfig.h"
#include "ui/WindowHelpers.h"
#include "ui/WindowTexts.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace {

constexpr const char* kIntroduction =
    "Since this is the first time you run Tovrel FTP we have prepared\n"
    "a little guide for you. Please complete the guide and then you\n"
    "are ready to go.\n\n"
    "You can easily change the settings made in this guide by\n"
    "clicking on Tools and then Settings in the main menu at a later\n"
    "occasion.";

} // namespace

TFirstRunWizardForm::TFirstRunWizardForm(const TMainConfig& config, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
{
    setObjectName(QStringLiteral("FirstRunWizardForm"));
    texts_ = new TWindowTexts(this, QStringLiteral("FirstRunWizardForm"));
    texts_->AddTitle(1, QStringLiteral("First run"));
    const char* const captions[PageCount] = {"Introduction", "Language", "Startup"};
    for (int i = 0; i < PageCount; ++i)
        texts_->Add(2 + i, QString::fromLatin1(captions[i]), [this, i](const QString& t) { captions_[i] = t; });

    auto* layout = new QVBoxLayout(this);
    caption_ = new QLabel(this);
    QFont bold = caption_->font();
    bold.setBold(true);
    caption_->setFont(bold);
    step_ = new QLabel(this);
    auto* line = new QFrame(this);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    layout->addWidget(caption_);
    layout->addWidget(step_);
    layout->addWidget(line);

    pages_ = new QStackedWidget(this);
    pages_->addWidget(BuildIntroduction());
    pages_->addWidget(BuildLanguage(config.Language()));
    pages_->addWidget(BuildStartup());
    layout->addWidget(pages_, 1);

    auto* buttons = new QHBoxLayout;
    back_ = new QPushButton(this);
    next_ = new QPushButton(this);
    cancel_ = new QPushButton(this);
    cancel_->setEnabled(false);
    next_->setDefault(true);
    buttons->addStretch();
    buttons->addWidget(back_);
    buttons->addWidget(next_);
    buttons->addWidget(cancel_);
    layout->addLayout(buttons);
    texts_->AddText(9, back_, QStringLiteral("< &Back"));
    texts_->AddText(10, cancel_, QStringLiteral("&Cancel"));
    connect(back_, &QPushButton::clicked, this, &TFirstRunWizardForm::Back);
    connect(next_, &QPushButton::clicked, this, &TFirstRunWizardForm::Next);
    texts_->SetOnApplied([this] { ShowHeader(); });

    resize(480, 320);
    ShowPage(0);
}

QWidget* TFirstRunWizardForm::BuildIntroduction()
{
    auto* page = new QWidget(this);
    auto* layout = new QVBoxLayout(page);
    introduction_ = new QLabel(page);
    introduction_->setWordWrap(false);
    layout->addWidget(introduction_);
    layout->addStretch();
    texts_->AddText(5, introduction_, QString::fromLatin1(kIntroduction));
    return page;
}

QWidget* TFirstRunWizardForm::BuildLanguage(int activeLanguage)
{
    auto* page = new QWidget(this);
    auto* layout = new QVBoxLayout(page);
    languages_ = new QListWidget(page);
    auto* prompt = new QLabel(page);
    prompt->setBuddy(languages_);
    prompt->setWordWrap(true);
    layout->addWidget(prompt);
    layout->addWidget(languages_, 1);
    texts_->AddText(6, prompt, QStringLiteral("Please choose what &language you want Tovrel FTP to work in."));

    TLanguageManager& manager = LangManager();
    for (int i = 0; i < manager.LanguageCount(); ++i) {
        auto* item = new QListWidgetItem(QString::fromStdString(manager.LanguageNameAt(i)), languages_);
        item->setData(Qt::UserRole, static_cast<int>(manager.LanguageIdAt(i)));
        if (manager.LanguageIdAt(i) == activeLanguage)
            languages_->setCurrentItem(item);
    }
    connect(languages_, &QListWidget::currentItemChanged, this, &TFirstRunWizardForm::LanguageChosen);
    return page;
}

QWidget* TFirstRunWizardForm::BuildStartup()
{
    auto* page = new QWidget(this);
    auto* layout = new QVBoxLayout(page);
    sampleHosts_ = new QCheckBox(page);
    addHostWizard_ = new QCheckBox(page);
    sampleHosts_->setChecked(true);
    addHostWizard_->setChecked(true);
    layout->addWidget(sampleHosts_);
    layout->addWidget(addHostWizard_);
    layout->addStretch();
    texts_->AddText(7, sampleHosts_, QStringLiteral("Yes, please add some &sample ftp-hosts"));
    texts_->AddText(8, addHostWizard_, QStringLiteral("Yes, please bring up the &add new host wizard"));
    return page;
}

TFirstRunChoice TFirstRunWizardForm::Choice() const
{
    TFirstRunChoice choice;
    choice.AddSampleHosts = sampleHosts_->isChecked();
    choice.ShowAddHostWizard = addHostWizard_->isChecked();
    const QListWidgetItem* item = languages_->currentItem();
    choice.Language = item ? item->data(Qt::UserRole).toInt() : LangManager().ActiveLanguageId();
    return choice;
}

int TFirstRunWizardForm::Page() const
{
    return pages_->currentIndex();
}

void TFirstRunWizardForm::ShowPage(int index)
{
    pages_->setCurrentIndex(index);
    ShowHeader();
    back_->setEnabled(index > 0);
    FocusFirstControl(pages_->currentWidget());
    if (index == 0)
        next_->setFocus();
}

void TFirstRunWizardForm::ShowHeader()
{
    const int index = Page();
    caption_->setText(captions_[index]);
    step_->setText(QString::fromStdString(Format(LoadStr("FirstRunWizardForm_IDS_1"), index + 1, PageCount)));
    next_->setText(QString::fromStdString(
        LoadStr(index == PageCount - 1 ? "FirstRunWizardForm_IDS_3" : "FirstRunWizardForm_IDS_2")));
}

void TFirstRunWizardForm::Next()
{
    if (Page() < PageCount - 1) {
        ShowPage(Page() + 1);
        return;
    }
    finished_ = true;
    accept();
}

void TFirstRunWizardForm::Back()
{
    if (Page() > 0)
        ShowPage(Page() - 1);
}

void TFirstRunWizardForm::LanguageChosen()
{
    const QListWidgetItem* item = languages_->currentItem();
    if (!item || item->data(Qt::UserRole).toInt() == LangManager().ActiveLanguageId())
        return;
    try {
        LangManager().SetActiveLanguage(item->data(Qt::UserRole).toInt());
    } catch (const std::exception& e) {
        QMessageBox::critical(this, QString::fromStdString(LoadStr("MainForm_strError")), QString::fromUtf8(e.what()));
    }
}

void TFirstRunWizardForm::reject()
{
    // Only "Finish" ends the wizard.
    if (finished_)
        QDialog::reject();
}

void TFirstRunWizardForm::closeEvent(QCloseEvent* event)
{
    // The desktop's close (Alt+F4) is refused; a close from the program
    // itself (it is being terminated) ends the wizard unfinished.
    if (!finished_ && event->spontaneous()) {
        event->ignore();
        return;
    }
    finished_ = true;
    QDialog::closeEvent(event);
}
