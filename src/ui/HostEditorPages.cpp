#include "ui/HostEditorPages.h"

#include "store/MainConfig.h"
#include "ui/PortEdit.h"
#include "ui/WindowHelpers.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

const char* const kProxyTypes[] = {"None", "UserSite", "Site", "Open", "UserPass", "Transparent"};
constexpr int kProxyTypeCount = 6;

QString Q(const std::string& text) { return QString::fromStdString(text); }
std::string S(const QString& text) { return text.toStdString(); }

QLineEdit* NewEdit(QWidget* page, const char* name)
{
    auto* edit = new QLineEdit(page);
    edit->setObjectName(QString::fromLatin1(name));
    return edit;
}

/// A form row whose label is the field's buddy, so its mnemonic works.
void AddRow(QFormLayout* form, const QString& caption, QWidget* field)
{
    auto* label = new QLabel(caption);
    label->setBuddy(field);
    form->addRow(label, field);
}

} // namespace

THostEditorPages::THostEditorPages(TMainConfig& config, QWidget* owner)
    : QObject(owner)
    , config_(config)
{
    BuildGeneral(owner);
    BuildDirectories(owner);
    BuildConnection(owner);
    BuildTLS(owner);
    BuildProxy(owner);
    SetDialupNames({});
    WireChanges();
    ShowHostID({});
}

void THostEditorPages::BuildGeneral(QWidget* owner)
{
    general_ = new QWidget(owner);
    auto* form = new QFormLayout(general_);
    hostname_ = NewEdit(general_, "Hostname");
    port_ = new TPortEdit(general_);
    port_->setObjectName(QStringLiteral("Port"));
    port_->setMaximumWidth(port_->fontMetrics().horizontalAdvance(QStringLiteral("0000000")) + 16);
    username_ = NewEdit(general_, "Username");
    password_ = NewEdit(general_, "Password");
    StylePasswordField(password_, false);
    anonymous_ = new QCheckBox(tr("Connect &anonymously"), general_);
    passive_ = new QCheckBox(tr("Use pa&ssive transfers"), general_);
    hostID_ = new QLabel(general_);
    hostID_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    AddRow(form, tr("&Host name:"), hostname_);
    AddRow(form, tr("P&ort:"), port_);
    AddRow(form, tr("&User name:"), username_);
    AddRow(form, tr("Pass&word:"), password_);
    form->addRow(QString(), anonymous_);
    form->addRow(QString(), passive_);
    form->addRow(QString(), hostID_);
}

void THostEditorPages::BuildDirectories(QWidget* owner)
{
    directories_ = new QWidget(owner);
    auto* form = new QFormLayout(directories_);
    remoteDir_ = NewEdit(directories_, "InitialRemoteDirectory");
    localDir_ = NewEdit(directories_, "InitialLocalDirectory");
    browse_ = new QToolButton(directories_);
    browse_->setText(QStringLiteral("..."));
    browse_->setToolTip(tr("Select initial directory"));
    auto* localRow = new QHBoxLayout;
    localRow->addWidget(localDir_);
    localRow->addWidget(browse_);
    AddRow(form, tr("Initial &remote directory:"), remoteDir_);
    auto* localLabel = new QLabel(tr("Initial &local directory:"));
    localLabel->setBuddy(localDir_);
    form->addRow(localLabel, localRow);
    connect(browse_, &QToolButton::clicked, this, [this] {
        localDir_->setText(BrowseForFolder(directories_, tr("Select initial directory"), localDir_->text()));
    });
}

void THostEditorPages::BuildConnection(QWidget* owner)
{
    connection_ = new QWidget(owner);
    auto* layout = new QVBoxLayout(connection_);
    auto* form = new QFormLayout;
    dialupList_ = new QComboBox(connection_);
    dialupList_->setObjectName(QStringLiteral("DialupConnection"));
    AddRow(form, tr("&Dialup connection:"), dialupList_);
    layout->addLayout(form);
    defaultDialup_ = new QCheckBox(tr("Use de&fault dialup connection"), connection_);
    disconnectDialup_ = new QCheckBox(tr("Dis&connect dialup after disconnecting from FTP server"), connection_);
    layout->addWidget(defaultDialup_);
    layout->addWidget(disconnectDialup_);
    layout->addStretch();
}

void THostEditorPages::BuildTLS(QWidget* owner)
{
    tls_ = new QWidget(owner);
    auto* layout = new QVBoxLayout(tls_);
    useTLS_ = new QCheckBox(tr("Use &TLS/SSL"), tls_);
    layout->addWidget(useTLS_);
    layout->addStretch();
}

void THostEditorPages::BuildProxy(QWidget* owner)
{
    proxy_ = new QWidget(owner);
    auto* layout = new QVBoxLayout(proxy_);
    defaultProxy_ = new QCheckBox(tr("Use &default proxy settings"), proxy_);
    layout->addWidget(defaultProxy_);
    auto* form = new QFormLayout;
    proxyType_ = new QComboBox(proxy_);
    proxyType_->setObjectName(QStringLiteral("ProxyType"));
    for (const char* type : kProxyTypes)
        proxyType_->addItem(QString::fromLatin1(type));
    proxyHost_ = NewEdit(proxy_, "ProxyHost");
    proxyPort_ = new TPortEdit(proxy_);
    proxyPort_->setObjectName(QStringLiteral("ProxyPort"));
    proxyPort_->setMaximumWidth(port_->maximumWidth());
    proxyUser_ = NewEdit(proxy_, "ProxyUsername");
    proxyPassword_ = NewEdit(proxy_, "ProxyPassword");
    StylePasswordField(proxyPassword_, false);
    AddRow(form, tr("Proxy &type:"), proxyType_);
    AddRow(form, tr("Proxy &host:"), proxyHost_);
    AddRow(form, tr("Proxy p&ort:"), proxyPort_);
    AddRow(form, tr("Proxy &user name:"), proxyUser_);
    AddRow(form, tr("Proxy pass&word:"), proxyPassword_);
    layout->addLayout(form);
    layout->addStretch();
}

void THostEditorPages::WireChanges()
{
    auto changed = [this] {
        if (!showing_)
            emit Changed();
    };
    for (QLineEdit* edit : {hostname_, static_cast<QLineEdit*>(port_), username_, password_, remoteDir_, localDir_,
                            proxyHost_, static_cast<QLineEdit*>(proxyPort_), proxyUser_, proxyPassword_})
        connect(edit, &QLineEdit::textEdited, this, changed);
    for (QCheckBox* box : {passive_, disconnectDialup_, useTLS_})
        connect(box, &QCheckBox::toggled, this, changed);
    connect(localDir_, &QLineEdit::textChanged, this, changed);
    connect(proxyType_, &QComboBox::activated, this, changed);
    connect(anonymous_, &QCheckBox::toggled, this, [this, changed](bool on) {
        ApplyAnonymous(on);
        changed();
    });
    connect(defaultDialup_, &QCheckBox::toggled, this, [this, changed](bool on) {
        ApplyDefaultDialup(on);
        changed();
    });
    connect(defaultProxy_, &QCheckBox::toggled, this, [this, changed](bool on) {
        ApplyDefaultProxy(on);
        changed();
    });
    connect(dialupList_, &QComboBox::currentIndexChanged, this, [this](int index) {
        disconnectDialup_->setEnabled(index > 0 && connection_->isEnabled());
    });
    connect(dialupList_, &QComboBox::activated, this, changed);
}

void THostEditorPages::SetDialupNames(const std::vector<std::string>& names)
{
    dialupList_->clear();
    dialupList_->addItem(tr("None"));
    for (const std::string& name : names)
        dialupList_->addItem(Q(name));
    dialupList_->setCurrentIndex(0);
    disconnectDialup_->setEnabled(false);
}

void THostEditorPages::SelectDialup(const std::string& name)
{
    const int index = name.empty() ? -1 : dialupList_->findText(Q(name), Qt::MatchExactly);
    if (index > 0)
        dialupList_->setCurrentIndex(index);
    else if (name.empty())
        dialupList_->setCurrentIndex(0);
}

void THostEditorPages::ApplyAnonymous(bool on)
{
    username_->setEnabled(!on);
    password_->setEnabled(!on);
    if (on) {
        username_->setText(QStringLiteral("anonymous"));
        password_->setText(Q(config_.AnonymousEmail()));
    }
    StylePasswordField(password_, on);
}

void THostEditorPages::ApplyDefaultDialup(bool on)
{
    SelectDialup(on ? config_.DefaultDialupConnection() : hostDialup_);
    dialupList_->setEnabled(!on);
}

void THostEditorPages::ApplyDefaultProxy(bool on)
{
    for (QWidget* field : std::initializer_list<QWidget*>{proxyType_, proxyHost_, proxyPort_, proxyUser_, proxyPassword_})
        field->setEnabled(!on);
    if (on) {
        if (!showing_)
            ownProxy_ = ProxyFields();
        THostProxySettings defaults;
        defaults.ProxyType = config_.DefaultProxyType();
        defaults.Host = config_.DefaultProxyHost();
        defaults.Port = config_.DefaultProxyPort();
        defaults.UserName = config_.DefaultProxyUsername();
        defaults.Password = config_.DefaultProxyPassword();
        ShowProxy(defaults);
    } else {
        ShowProxy(ownProxy_);
    }
}

void THostEditorPages::ShowProxy(const THostProxySettings& proxy)
{
    const int type = static_cast<int>(proxy.ProxyType);
    if (type >= 0 && type < kProxyTypeCount)
        proxyType_->setCurrentIndex(type);
    proxyHost_->setText(Q(proxy.Host));
    proxyPort_->setText(QString::number(proxy.Port));
    proxyUser_->setText(Q(proxy.UserName));
    proxyPassword_->setText(Q(proxy.Password));
}

THostProxySettings THostEditorPages::ProxyFields() const
{
    THostProxySettings proxy;
    proxy.ProxyType = static_cast<TIdFtpProxyType>(std::max(0, proxyType_->currentIndex()));
    proxy.Host = S(proxyHost_->text());
    proxy.Port = proxyPort_->PortOr(THost::DefaultPort);
    proxy.UserName = S(proxyUser_->text());
    proxy.Password = S(proxyPassword_->text());
    return proxy;
}

void THostEditorPages::ShowHostID(const std::string& hostID)
{
    shownHostID_ = hostID;
    hostID_->setText(tr("Host-ID: %1").arg(hostID.empty() ? QStringLiteral("N/A") : Q(hostID)));
}

void THostEditorPages::ClearForm()
{
    const bool wasShowing = showing_;
    showing_ = true;
    for (QLineEdit* edit : {hostname_, static_cast<QLineEdit*>(port_), username_, password_, remoteDir_, localDir_})
        edit->clear();
    anonymous_->setChecked(false);
    ApplyAnonymous(false);
    ShowHostID({});
    showing_ = wasShowing;
}

void THostEditorPages::ShowHost(const THost& host)
{
    showing_ = true;
    hostname_->setText(Q(host.Hostname));
    port_->setText(QString::number(host.Port));
    username_->setText(Q(host.Username));
    password_->setText(Q(host.Password));
    remoteDir_->setText(Q(host.InitialRemoteDirectory));
    localDir_->setText(Q(host.InitialLocalDirectory));
    passive_->setChecked(host.Passive);
    useTLS_->setChecked(host.UseSSL);
    anonymous_->setChecked(host.IsAnonymous);
    ApplyAnonymous(host.IsAnonymous);
    hostDialup_ = host.DialupConnection;
    disconnectDialup_->setChecked(host.DisconnectDialupAfterDisconnect);
    defaultDialup_->setChecked(host.UseDefaultDialupConnection);
    ApplyDefaultDialup(host.UseDefaultDialupConnection);
    ownProxy_ = host.ProxySettings;
    defaultProxy_->setChecked(host.UseDefaultProxySettings);
    ApplyDefaultProxy(host.UseDefaultProxySettings);
    ShowHostID(host.HostID);
    showing_ = false;
}

void THostEditorPages::ShowAddress(const THost& fromAddress, const QString& portText)
{
    showing_ = true;
    hostname_->setText(Q(fromAddress.Hostname));
    port_->setText(portText);
    username_->setText(Q(fromAddress.Username));
    password_->setText(Q(fromAddress.Password));
    remoteDir_->setText(Q(fromAddress.InitialRemoteDirectory));
    showing_ = false;
}

void THostEditorPages::StoreInto(THost& host) const
{
    host.Hostname = S(hostname_->text());
    host.Port = port_->PortOr(THost::DefaultPort);
    host.Username = S(username_->text());
    host.Password = S(password_->text());
    host.InitialRemoteDirectory = S(remoteDir_->text());
    host.InitialLocalDirectory = S(localDir_->text());
    host.IsAnonymous = anonymous_->isChecked();
    host.Passive = passive_->isChecked();
    host.UseSSL = useTLS_->isChecked();
    host.UseDefaultDialupConnection = defaultDialup_->isChecked();
    if (!host.UseDefaultDialupConnection && dialupList_->currentIndex() > 0)
        host.DialupConnection = S(dialupList_->currentText());
    host.DisconnectDialupAfterDisconnect = disconnectDialup_->isChecked();
    host.UseDefaultProxySettings = defaultProxy_->isChecked();
    if (!host.UseDefaultProxySettings)
        host.ProxySettings = ProxyFields();
}
