#include "ui/HostEditorPages.h"

#include "i18n/Format.h"
#include "i18n/LanguageManager.h"
#include "store/MainConfig.h"
#include "ui/PortEdit.h"
#include "ui/WindowHelpers.h"
#include "ui/WindowTexts.h"

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
QLabel* AddRow(QFormLayout* form, const QString& caption, QWidget* field)
{
    auto* label = new QLabel(caption);
    label->setBuddy(field);
    form->addRow(label, field);
    return label;
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

void THostEditorPages::Keep(int number, QWidget* control, const QString& english)
{
    if (auto* label = qobject_cast<QLabel*>(control))
        texts_.push_back({number, english, [label](const QString& text) { label->setText(text); }});
    else if (auto* box = qobject_cast<QCheckBox*>(control))
        texts_.push_back({number, english, [box](const QString& text) { box->setText(text); }});
}

void THostEditorPages::RegisterTexts(TWindowTexts& texts, int first)
{
    for (const TText& text : texts_)
        texts.Add(first + text.Number, text.English, text.Show);
}

void THostEditorPages::SetTextNames(std::string hostIDNone, std::string hostIDFormat, std::string portMessage)
{
    hostIDNone_ = std::move(hostIDNone);
    hostIDFormat_ = std::move(hostIDFormat);
    port_->SetMessageName(portMessage);
    proxyPort_->SetMessageName(std::move(portMessage));
    ShowHostID(shownHostID_);
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
    Keep(5, anonymous_, anonymous_->text());
    Keep(6, passive_, passive_->text());
    hostID_ = new QLabel(general_);
    hostID_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    Keep(1, AddRow(form, tr("&Host name:"), hostname_), tr("&Host name:"));
    Keep(2, AddRow(form, tr("P&ort:"), port_), tr("P&ort:"));
    Keep(3, AddRow(form, tr("&User name:"), username_), tr("&User name:"));
    Keep(4, AddRow(form, tr("Pass&word:"), password_), tr("Pass&word:"));
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
    browseTitle_ = tr("Select initial directory");
    texts_.push_back({12, browseTitle_, [this](const QString& text) {
                          browseTitle_ = text;
                          browse_->setToolTip(text);
                      }});
    browse_->setToolTip(browseTitle_);
    auto* localRow = new QHBoxLayout;
    localRow->addWidget(localDir_);
    localRow->addWidget(browse_);
    Keep(10, AddRow(form, tr("Initial &remote directory:"), remoteDir_), tr("Initial &remote directory:"));
    auto* localLabel = new QLabel(tr("Initial &local directory:"));
    Keep(11, localLabel, localLabel->text());
    localLabel->setBuddy(localDir_);
    form->addRow(localLabel, localRow);
    connect(browse_, &QToolButton::clicked, this, [this] {
        localDir_->setText(BrowseForFolder(directories_, browseTitle_, localDir_->text()));
    });
}

void THostEditorPages::BuildConnection(QWidget* owner)
{
    connection_ = new QWidget(owner);
    auto* layout = new QVBoxLayout(connection_);
    auto* form = new QFormLayout;
    dialupList_ = new QComboBox(connection_);
    dialupList_->setObjectName(QStringLiteral("DialupConnection"));
    Keep(20, AddRow(form, tr("&Dialup connection:"), dialupList_), tr("&Dialup connection:"));
    layout->addLayout(form);
    defaultDialup_ = new QCheckBox(tr("Use de&fault dialup connection"), connection_);
    disconnectDialup_ = new QCheckBox(tr("Dis&connect dialup after disconnecting from FTP server"), connection_);
    Keep(21, defaultDialup_, defaultDialup_->text());
    Keep(22, disconnectDialup_, disconnectDialup_->text());
    noneText_ = tr("None");
    texts_.push_back({23, noneText_, [this](const QString& text) {
                          noneText_ = text;
                          if (dialupList_->count() > 0)
                              dialupList_->setItemText(0, text);
                      }});
    layout->addWidget(defaultDialup_);
    layout->addWidget(disconnectDialup_);
    layout->addStretch();
}

void THostEditorPages::BuildTLS(QWidget* owner)
{
    tls_ = new QWidget(owner);
    auto* layout = new QVBoxLayout(tls_);
    useTLS_ = new QCheckBox(tr("Use &TLS/SSL"), tls_);
    Keep(30, useTLS_, useTLS_->text());
    layout->addWidget(useTLS_);
    layout->addStretch();
}

void THostEditorPages::BuildProxy(QWidget* owner)
{
    proxy_ = new QWidget(owner);
    auto* layout = new QVBoxLayout(proxy_);
    defaultProxy_ = new QCheckBox(tr("Use &default proxy settings"), proxy_);
    Keep(40, defaultProxy_, defaultProxy_->text());
    layout->addWidget(defaultProxy_);
    auto* form = new QFormLayout;
    proxyType_ = new QComboBox(proxy_);
    proxyType_->setObjectName(QStringLiteral("ProxyType"));
    for (int i = 0; i < kProxyTypeCount; ++i) {
        proxyType_->addItem(QString::fromLatin1(kProxyTypes[i]));
        texts_.push_back({46 + i, QString::fromLatin1(kProxyTypes[i]),
                          [this, i](const QString& text) { proxyType_->setItemText(i, text); }});
    }
    proxyHost_ = NewEdit(proxy_, "ProxyHost");
    proxyPort_ = new TPortEdit(proxy_);
    proxyPort_->setObjectName(QStringLiteral("ProxyPort"));
    proxyPort_->setMaximumWidth(port_->maximumWidth());
    proxyUser_ = NewEdit(proxy_, "ProxyUsername");
    proxyPassword_ = NewEdit(proxy_, "ProxyPassword");
    StylePasswordField(proxyPassword_, false);
    Keep(41, AddRow(form, tr("Proxy &type:"), proxyType_), tr("Proxy &type:"));
    Keep(42, AddRow(form, tr("Proxy &host:"), proxyHost_), tr("Proxy &host:"));
    Keep(43, AddRow(form, tr("Proxy p&ort:"), proxyPort_), tr("Proxy p&ort:"));
    Keep(44, AddRow(form, tr("Proxy &user name:"), proxyUser_), tr("Proxy &user name:"));
    Keep(45, AddRow(form, tr("Proxy pass&word:"), proxyPassword_), tr("Proxy pass&word:"));
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
    dialupList_->addItem(noneText_);
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
    hostID_->setText(Q(hostID.empty() ? LoadStr(hostIDNone_) : Format(LoadStr(hostIDFormat_), hostID)));
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
