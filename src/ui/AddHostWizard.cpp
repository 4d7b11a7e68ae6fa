#include "ui/AddHostWizard.h"

#include "hosts/Hosts.h"
#include "store/MainConfig.h"
#include "ui/WindowHelpers.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace {

const char* const kTitles[] = {"Common name", "Hostname", "User authentication"};

} // namespace

TAddHostWizard::TAddHostWizard(TMainConfig& config, THosts& hosts, QWidget* parent)
    : QDialog(parent)
    , config_(config)
    , hosts_(hosts)
{
    setWindowTitle(tr("New host"));
    auto* layout = new QVBoxLayout(this);
    title_ = new QLabel(this);
    QFont bold = title_->font();
    bold.setBold(true);
    title_->setFont(bold);
    step_ = new QLabel(this);
    layout->addWidget(title_);
    layout->addWidget(step_);
    pages_ = new QStackedWidget(this);
    commonName_ = new QLineEdit(this);
    hostname_ = new QLineEdit(this);
    username_ = new QLineEdit(this);
    password_ = new QLineEdit(this);
    StylePasswordField(password_, false);
    anonymous_ = new QCheckBox(tr("Use &anonymous login"), this);
    pages_->addWidget(NewPage(tr("&Name of the host:"), commonName_));
    pages_->addWidget(NewPage(tr("&Host name or address:"), hostname_));
    auto* login = new QWidget(this);
    auto* form = new QFormLayout(login);
    auto* userLabel = new QLabel(tr("&User name:"), login);
    userLabel->setBuddy(username_);
    auto* passwordLabel = new QLabel(tr("&Password:"), login);
    passwordLabel->setBuddy(password_);
    form->addRow(userLabel, username_);
    form->addRow(passwordLabel, password_);
    form->addRow(QString(), anonymous_);
    pages_->addWidget(login);
    layout->addWidget(pages_, 1);

    auto* buttons = new QHBoxLayout;
    back_ = new QPushButton(tr("< &Back"), this);
    next_ = new QPushButton(this);
    auto* cancel = new QPushButton(tr("&Cancel"), this);
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
    resize(420, 220);
    ShowPage(0);
}

QWidget* TAddHostWizard::NewPage(const QString& prompt, QWidget* field)
{
    auto* page = new QWidget(this);
    auto* layout = new QVBoxLayout(page);
    auto* label = new QLabel(prompt, page);
    label->setBuddy(field);
    layout->addWidget(label);
    layout->addWidget(field);
    layout->addStretch();
    return page;
}

int TAddHostWizard::Page() const
{
    return pages_->currentIndex();
}

void TAddHostWizard::ShowPage(int index)
{
    pages_->setCurrentIndex(index);
    title_->setText(tr(kTitles[index]));
    step_->setText(tr("Step %1 of %2").arg(index + 1).arg(PageCount));
    back_->setEnabled(index > 0);
    next_->setText(index == PageCount - 1 ? tr("&Finish") : tr("&Next >"));
    FocusFirstControl(pages_->currentWidget());
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
        QMessageBox::question(this, tr("Confirmation"),
                              tr("Are you sure you want to exit the wizard without completing it?"),
                              QMessageBox::Yes | QMessageBox::No, QMessageBox::No) != QMessageBox::Yes)
        return;
    QDialog::done(result);
}
