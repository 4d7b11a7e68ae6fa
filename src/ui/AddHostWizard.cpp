#include "ui/AddHostWizard.h"

#include "hosts/Hosts.h"
#include "i18n/Format.h"
#include "i18n/LanguageManager.h"
#include "store/MainConfig.h"
#include "ui/WindowHelpers.h"
#include "ui/WindowTexts.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QStackedWidget>
#include <QVBoxLayout>

TAddHostWizard::TAddHostWizard(TMainConfig& config, THosts& hosts, QWidget* parent)
    : QDialog(parent)
    , config_(config)
    , hosts_(hosts)
{
    auto* layout = new QVBoxLayout(this);
    title_ = new QLabel(this);
    QFont bold = title_->font();
    bold.setBold(true);
    title_->setFont(bold);
    step_ = new QLabel(this);
    layout->addWidget(title_);
    layout->addWidget(step_);
    auto* line = new QFrame(this);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    layout->addWidget(line);
    pages_ = new QStackedWidget(this);
    commonName_ = new QLineEdit(this);
    hostname_ = new QLineEdit(this);
    username_ = new QLineEdit(this);
    password_ = new QLineEdit(this);
    StylePasswordField(password_, false);
    anonymous_ = new QCheckBox(this);
    QLabel* namePrompt = NewPage(commonName_);
    QLabel* hostPrompt = NewPage(hostname_);
    auto* login = new QWidget(this);
    auto* form = new QFormLayout(login);
    auto* userLabel = new QLabel(login);
    userLabel->setBuddy(username_);
    auto* passwordLabel = new QLabel(login);
    passwordLabel->setBuddy(password_);
    form->addRow(userLabel, username_);
    form->addRow(passwordLabel, password_);
    form->addRow(QString(), anonymous_);
    pages_->addWidget(login);
    layout->addWidget(pages_, 1);

    auto* buttons = new QHBoxLayout;
    back_ = new QPushButton(this);
    next_ = new QPushButton(this);
    auto* cancel = new QPushButton(this);
    next_->setDefault(true);
    buttons->addStretch();
    buttons->addWidget(back_);
    buttons->addWidget(next_);
    buttons->addWidget(cancel);
    layout->addLayout(buttons);
    connect(back_, &QPushButton::clicked, this, &TAddHostWizard::Back);
    connect(next_, &QPushButton::clicked, this, &TAddHostWizard::Next);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(anonymous_, &QCheckBox::toggled, this, [this](bool on) {
        username_->setEnabled(!on);
        password_->setEnabled(!on);
        username_->setText(on ? QStringLiteral("anonymous") : QString());
        password_->setText(on ? QString::fromStdString(config_.AnonymousEmail()) : QString());
        StylePasswordField(password_, on);
    });

    auto* texts = new TWindowTexts(this, QStringLiteral("AddHostWizardForm"));
    texts->AddTitle(1, QStringLiteral("New host"));
    const char* const titles[] = {"Common name", "Hostname", "User authentication"};
    for (int i = 0; i < PageCount; ++i)
        texts->Add(2 + i, QString::fromLatin1(titles[i]), [this, i](const QString& text) { titles_[i] = text; });
    texts->AddText(5, namePrompt, QStringLiteral("&Name of the host:"));
    texts->AddText(6, hostPrompt, QStringLiteral("&Host name or address:"));
    texts->AddText(7, userLabel, QStringLiteral("&User name:"));
    texts->AddText(8, passwordLabel, QStringLiteral("&Password:"));
    texts->AddText(9, anonymous_, QStringLiteral("Use &anonymous login"));
    texts->AddText(10, back_, QStringLiteral("< &Back"));
    texts->AddText(11, cancel, QStringLiteral("&Cancel"));
    texts->SetOnApplied([this] { ShowPageTexts(); });
    resize(460, 230);
    ShowPage(0);
}

QLabel* TAddHostWizard::NewPage(QWidget* field)
{
    auto* page = new QWidget(this);
    auto* layout = new QVBoxLayout(page);
    auto* label = new QLabel(page);
    label->setBuddy(field);
    layout->addWidget(label);
    layout->addWidget(field);
    layout->addStretch();
    pages_->addWidget(page);
    return label;
}

int TAddHostWizard::Page() const
{
    return pages_->currentIndex();
}

void TAddHostWizard::ShowPage(int index)
{
    pages_->setCurrentIndex(index);
    ShowPageTexts();
    back_->setEnabled(index > 0);
    FocusFirstControl(pages_->currentWidget());
}

void TAddHostWizard::ShowPageTexts()
{
    const int index = Page();
    if (index < 0)
        return;
    title_->setText(titles_[index]);
    step_->setText(QString::fromStdString(Format(LoadStr("AddHostWizardForm_strSTEPLABEL"), index + 1, PageCount)));
    next_->setText(QString::fromStdString(LoadStr(index == PageCount - 1 ? "AddHostWizardForm_IDS_1"
                                                                         : "AddHostWizardForm_IDS_0")));
}

void TAddHostWizard::Next()
{
    if (Page() == PageCount - 1) {
        Finish();
        return;
    }
    nextPressed_ = true;
    ShowPage(Page() + 1);
}

void TAddHostWizard::Back()
{
    if (Page() > 0)
        ShowPage(Page() - 1);
}

void TAddHostWizard::Finish()
{
    THost host;
    host.CommonName = commonName_->text().toStdString();
    host.Hostname = hostname_->text().toStdString();
    host.Username = username_->text().toStdString();
    host.Password = password_->text().toStdString();
    host.Port = THost::DefaultPort;
    host.IsAnonymous = anonymous_->isChecked();
    hosts_.AddOrUpdate(host);
    finishing_ = true;
    accept();
}

void TAddHostWizard::done(int result)
{
    if (!finishing_ && nextPressed_ &&
        QMessageBox::question(this, QString::fromStdString(LoadStr("AddHostWizardForm_IDS_4")),
                              QString::fromStdString(LoadStr("AddHostWizardForm_IDS_3")),
                              QMessageBox::Yes | QMessageBox::No, QMessageBox::No) != QMessageBox::Yes)
        return;
    QDialog::done(result);
}
