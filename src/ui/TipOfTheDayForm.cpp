#include "ui/TipOfTheDayForm.h"

#include "i18n/Format.h"
#include "i18n/LanguageManager.h"
#include "i18n/RichText.h"
#include "i18n/Tips.h"
#include "store/MainConfig.h"
#include "ui/AppIcons.h"
#include "ui/WindowTexts.h"

#include <QCheckBox>
#include <QDesktopServices>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

#include <exception>

TTipOfTheDayForm::TTipOfTheDayForm(TMainConfig& config, QWidget* parent)
    : TTipOfTheDayForm(config, TLanguageManager::DefaultDataDirectories(), parent)
{
}

TTipOfTheDayForm::TTipOfTheDayForm(TMainConfig& config, std::vector<std::filesystem::path> shippedDirectories,
                                   QWidget* parent)
    : QDialog(parent), config_(config), shipped_(std::move(shippedDirectories))
{
    setObjectName(QStringLiteral("TipOfTheDayForm"));
    BuildLayout();
    showOnStartup_->setChecked(config_.ShowTipOnStartup());
    resize(500, 300);
}

TTipOfTheDayForm::~TTipOfTheDayForm() = default;

void TTipOfTheDayForm::BuildLayout()
{
    texts_ = new TWindowTexts(this, QStringLiteral("TipOfTheDayForm"));
    auto* layout = new QVBoxLayout(this);
    auto* top = new QHBoxLayout;
    auto* icon = new QLabel(this);
    icon->setPixmap(TAppIcons::Icon("help").pixmap(48, 48));
    icon->setAlignment(Qt::AlignTop);
    top->addWidget(icon);

    auto* column = new QVBoxLayout;
    auto* heading = new QLabel(this);
    QFont bigger = heading->font();
    bigger.setBold(true);
    bigger.setPointSizeF(bigger.pointSizeF() * 1.3);
    heading->setFont(bigger);
    column->addWidget(heading);
    view_ = new QTextBrowser(this);
    view_->setObjectName(QStringLiteral("TipView"));
    view_->setOpenLinks(false);
    view_->setFocusPolicy(Qt::NoFocus);
    column->addWidget(view_, 1);
    link_ = new QLabel(this);
    link_->setObjectName(QStringLiteral("HelpLink"));
    link_->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    link_->hide();
    connect(link_, &QLabel::linkActivated, this, [this] { OpenHelpTopic(); });
    column->addWidget(link_);
    top->addLayout(column, 1);
    layout->addLayout(top, 1);

    auto* bottom = new QHBoxLayout;
    showOnStartup_ = new QCheckBox(this);
    bottom->addWidget(showOnStartup_);
    bottom->addStretch(1);
    previous_ = new QPushButton(this);
    next_ = new QPushButton(this);
    auto* ok = new QPushButton(this);
    for (QPushButton* button : {previous_, next_})
        button->setAutoDefault(false);
    ok->setDefault(true);
    bottom->addWidget(previous_);
    bottom->addWidget(next_);
    bottom->addSpacing(12);
    bottom->addWidget(ok);
    layout->addLayout(bottom);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(next_, &QPushButton::clicked, this, &TTipOfTheDayForm::NextTip);
    connect(previous_, &QPushButton::clicked, this, &TTipOfTheDayForm::PreviousTip);
    ok->setFocus();

    texts_->AddTitle(1, QStringLiteral("Tip of the day"));
    texts_->AddText(2, heading, QStringLiteral("Did you know..."));
    texts_->Add(3, QStringLiteral("Read more about this topic..."), [this](const QString& text) {
        link_->setText(QStringLiteral("<a href=\"#help\">%1</a>").arg(text.toHtmlEscaped()));
    });
    texts_->AddToolTip(4, link_, QStringLiteral("Click here to read more in the help file"));
    texts_->AddText(5, showOnStartup_, QStringLiteral("&Show tip on startup"));
    texts_->AddText(6, previous_, QStringLiteral("&Previous tip"));
    texts_->AddText(7, next_, QStringLiteral("&Next tip"));
    texts_->AddText(8, ok, QStringLiteral("&OK"));
}

void TTipOfTheDayForm::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (shown_)
        return;
    shown_ = true;
    Step(true);
}

void TTipOfTheDayForm::NextTip()
{
    Step(true);
}

void TTipOfTheDayForm::PreviousTip()
{
    Step(false);
}

void TTipOfTheDayForm::Step(bool forward)
{
    try {
        // Read again for every step: the file may have been edited.
        TTips tips(config_, config_.DataDirectory(), LangManager().ActiveLanguageId(), shipped_);
        const std::string text = forward ? tips.NextTip() : tips.PreviousTip();
        ShowText(text);
        // With nothing selected the link keeps its visibility.
        if (const TTipOfTheDay* tip = tips.Selected()) {
            helpTopic_ = tip->HelpID;
            link_->setVisible(helpTopic_ >= 0);
        }
    } catch (const std::exception& e) {
        view_->setPlainText(QString::fromStdString(e.what()));
    }
}

void TTipOfTheDayForm::ShowText(const std::string& text)
{
    if (IsRtfText(text))
        view_->setHtml(QString::fromStdString(RtfToHtml(text)));
    else
        view_->setPlainText(QString::fromStdString(text));
}

void TTipOfTheDayForm::OpenHelpTopic()
{
    const std::filesystem::path help = LangManager().HelpFileName();
    const QString file = QString::fromStdString(help.string());
    if (!QFileInfo::exists(file)) {
        QMessageBox::critical(this, QString::fromStdString(LoadStr("MainForm_strError")),
                              QString::fromStdString(Format(LoadStr("MainForm_HelpFileNotFound"), help.string())));
        return;
    }
    QUrl url = QUrl::fromLocalFile(file);
    url.setFragment(QStringLiteral("topic-%1").arg(helpTopic_));
    QDesktopServices::openUrl(url);
}

void TTipOfTheDayForm::done(int result)
{
    config_.SetShowTipOnStartup(showOnStartup_->isChecked());
    QDialog::done(result);
}
