#include "ui/SettingsPages.h"

#include "i18n/LanguageManager.h"
#include "platform/Dialup.h"
#include "store/MainConfig.h"
#include "ui/PortEdit.h"
#include "ui/TransferTypeTable.h"
#include "ui/TrustedCertificatesPage.h"
#include "ui/WindowHelpers.h"
#include "ui/WindowTexts.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>

#include <vector>

namespace {

constexpr int kDefaultProxyPort = 8080;
constexpr int kMinTransfers = 1;
constexpr int kMaxTransfers = 16;

QString Constant(const char* name)
{
    return QString::fromStdString(LoadStr(name));
}

/// A page or tab: its controls from the top, spare room below them.
QWidget* NewPage(QWidget* parent, QVBoxLayout*& layout)
{
    auto* page = new QWidget(parent);
    layout = new QVBoxLayout(page);
    return page;
}

QLabel* BuddyLabel(QWidget* parent, QWidget* buddy)
{
    auto* label = new QLabel(parent);
    label->setBuddy(buddy);
    return label;
}

QComboBox* ActionBox(QWidget* parent, bool withResume)
{
    auto* box = new QComboBox(parent);
    for (TFileAlreadyExistsAction action : {faeAsk, faeOverwrite, faeResume, faeSkip})
        if (withResume || action != faeResume)
            box->addItem(QString(), static_cast<int>(action));
    return box;
}

void ShowAction(QComboBox* box, TFileAlreadyExistsAction action)
{
    // A list without "Resume" shows a stored resume as its first entry, "Ask".
    box->setCurrentIndex(std::max(0, box->findData(static_cast<int>(action))));
}

TFileAlreadyExistsAction ActionOf(const QComboBox* box)
{
    return static_cast<TFileAlreadyExistsAction>(box->currentData().toInt());
}

} // namespace

TSettingsPages::TSettingsPages(QWidget* parent, TWindowTexts& texts)
    : parent_(parent)
    , texts_(texts)
{
    pages_[pgRoot] = BuildRoot();
    pages_[pgStartup] = BuildStartup();
    pages_[pgLanguage] = BuildLanguage();
    pages_[pgConnection] = BuildConnection();
    pages_[pgIntegration] = BuildIntegration();
    pages_[pgVisibility] = BuildVisibility();
    pages_[pgFileTypes] = BuildFileTypes();
    pages_[pgTransfers] = BuildTransfers();
    pages_[pgAuthentication] = BuildAuthentication();
    TrustedCertificates = new TTrustedCertificatesPage(parent_, texts_);
    pages_[pgCertificates] = TrustedCertificates;
    Retranslate();
}

// --- building -------------------------------------------------------------------

QWidget* TSettingsPages::BuildRoot()
{
    QVBoxLayout* layout = nullptr;
    QWidget* page = NewPage(parent_, layout);
    description_ = new QLabel(page);
    description_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(description_);
    layout->addStretch();
    return page;
}

QWidget* TSettingsPages::BuildStartup()
{
    QVBoxLayout* layout = nullptr;
    QWidget* page = NewPage(parent_, layout);
    TipOnStartup = new QCheckBox(page);
    auto* dialogs = new QGroupBox(page);
    auto* dialogsLayout = new QVBoxLayout(dialogs);
    NoDialogOnStartup = new QRadioButton(dialogs);
    HostManagerOnStartup = new QRadioButton(dialogs);
    QuickConnectOnStartup = new QRadioButton(dialogs);
    auto* group = new QButtonGroup(dialogs);
    for (QRadioButton* button : {NoDialogOnStartup, HostManagerOnStartup, QuickConnectOnStartup}) {
        group->addButton(button);
        dialogsLayout->addWidget(button);
    }
    RememberFormState = new QCheckBox(page);
    TrayIcon = new QCheckBox(page);
    PlayQueueOnStartup = new QCheckBox(page);
    layout->addWidget(TipOnStartup);
    layout->addWidget(dialogs);
    layout->addWidget(RememberFormState);
    layout->addWidget(TrayIcon);
    layout->addWidget(PlayQueueOnStartup);
    layout->addStretch();

    texts_.AddText(10, TipOnStartup, QStringLiteral("Show &Tip of the Day on startup"));
    texts_.AddText(11, dialogs, QStringLiteral("Connection dialogs"));
    texts_.AddText(12, NoDialogOnStartup, QStringLiteral("&None"));
    texts_.AddText(13, HostManagerOnStartup, QStringLiteral("Show host mana&ger on startup"));
    texts_.AddText(14, QuickConnectOnStartup, QStringLiteral("Show &quick connect on startup"));
    texts_.AddText(15, RememberFormState, QStringLiteral("&Remember window and toolbars position on close"));
    texts_.AddText(16, TrayIcon, QStringLiteral("&Minimize to systray"));
    texts_.AddText(17, PlayQueueOnStartup, QStringLiteral("&Start queue on startup"));
    return page;
}

QWidget* TSettingsPages::BuildLanguage()
{
    QVBoxLayout* layout = nullptr;
    QWidget* page = NewPage(parent_, layout);
    Languages = new QListWidget(page);
    Languages->setSelectionMode(QAbstractItemView::SingleSelection);
    QLabel* label = BuddyLabel(page, Languages);
    layout->addWidget(label);
    layout->addWidget(Languages, 1);
    texts_.AddText(20, label, QStringLiteral("&Language of the user interface:"));
    FillLanguages();
    return page;
}

QWidget* TSettingsPages::BuildConnection()
{
    QVBoxLayout* layout = nullptr;
    QWidget* page = NewPage(parent_, layout);
    ConnectionTabs = new QTabWidget(page);
    layout->addWidget(ConnectionTabs);

    QVBoxLayout* dialupLayout = nullptr;
    QWidget* dialup = NewPage(ConnectionTabs, dialupLayout);
    auto* dialupForm = new QFormLayout;
    DialupConnection = new QComboBox(dialup);
    QLabel* dialupLabel = BuddyLabel(dialup, DialupConnection);
    dialupForm->addRow(dialupLabel, DialupConnection);
    dialupLayout->addLayout(dialupForm);
    dialupLayout->addStretch();
    ConnectionTabs->addTab(dialup, QString());

    QVBoxLayout* proxyLayout = nullptr;
    QWidget* proxy = NewPage(ConnectionTabs, proxyLayout);
    auto* proxyForm = new QFormLayout;
    ProxyType = new QComboBox(proxy);
    ProxyHost = new QLineEdit(proxy);
    ProxyPort = new TPortEdit(proxy);
    ProxyUsername = new QLineEdit(proxy);
    ProxyPassword = new QLineEdit(proxy);
    StylePasswordField(ProxyPassword, false);
    const std::vector<std::pair<QWidget*, const char*>> rows = {
        {ProxyType, "Default &proxy type:"}, {ProxyHost, "Ho&st:"}, {ProxyPort, "Po&rt:"},
        {ProxyUsername, "&User name:"},      {ProxyPassword, "Pass&word:"}};
    int entry = 40;
    for (const auto& [control, english] : rows) {
        QLabel* label = BuddyLabel(proxy, control);
        proxyForm->addRow(label, control);
        texts_.AddText(entry++, label, QString::fromLatin1(english));
    }
    const char* const types[] = {"None", "UserSite", "Site", "Open", "UserPass", "Transparent"};
    for (int i = 0; i <= fpcmTransparent; ++i) {
        ProxyType->addItem(QString());
        texts_.Add(50 + i, QString::fromLatin1(types[i]), [box = ProxyType, i](const QString& t) { box->setItemText(i, t); });
    }
    proxyLayout->addLayout(proxyForm);
    proxyLayout->addStretch();
    ConnectionTabs->addTab(proxy, QString());
    texts_.AddText(30, dialupLabel, QStringLiteral("&Default dialup connection:"));
    return page;
}

QWidget* TSettingsPages::BuildIntegration()
{
    QVBoxLayout* layout = nullptr;
    QWidget* page = NewPage(parent_, layout);
    BrowserIntegration = new QCheckBox(page);
    ExplorerContextMenu = new QCheckBox(page);
    StartWithSystem = new QCheckBox(page);
    for (QCheckBox* box : {BrowserIntegration, ExplorerContextMenu, StartWithSystem})
        layout->addWidget(box);
    layout->addStretch();
    texts_.AddText(60, BrowserIntegration, QStringLiteral("Default &FTP program in Internet Explorer"));
    texts_.AddText(61, ExplorerContextMenu, QStringLiteral("Integrate with &Explorer (context menu)"));
    texts_.AddText(62, StartWithSystem, QStringLiteral("&Start Tovrel FTP on computer startup"));
    return page;
}

QWidget* TSettingsPages::BuildVisibility()
{
    QVBoxLayout* layout = nullptr;
    QWidget* page = NewPage(parent_, layout);
    LocalSelectionPanel = new QCheckBox(page);
    RemoteSelectionPanel = new QCheckBox(page);
    layout->addWidget(LocalSelectionPanel);
    layout->addWidget(RemoteSelectionPanel);
    layout->addStretch();
    texts_.AddText(70, LocalSelectionPanel, QStringLiteral("Show selected file count and size &local"));
    texts_.AddText(71, RemoteSelectionPanel, QStringLiteral("Show selected file count and size &remote"));
    return page;
}

QWidget* TSettingsPages::BuildFileTypes()
{
    QVBoxLayout* layout = nullptr;
    QWidget* page = NewPage(parent_, layout);
    auto* form = new QFormLayout;
    DefaultTransferType = new QComboBox(page);
    DefaultTransferType->addItem(QString(), static_cast<int>(fttBinary));
    DefaultTransferType->addItem(QString(), static_cast<int>(fttASCII));
    QLabel* label = BuddyLabel(page, DefaultTransferType);
    form->addRow(label, DefaultTransferType);
    TransferTypes = new TTransferTypeTable(page);
    layout->addLayout(form);
    layout->addWidget(TransferTypes, 1);
    texts_.AddText(80, label, QStringLiteral("Action when transfer type is &not known:"));
    texts_.Add(81, QStringLiteral("Transfer as binary"),
               [box = DefaultTransferType](const QString& t) { box->setItemText(0, t); });
    texts_.Add(82, QStringLiteral("Transfer as ASCII"),
               [box = DefaultTransferType](const QString& t) { box->setItemText(1, t); });
    TransferTypes->AddTexts(texts_, 83);
    return page;
}

QWidget* TSettingsPages::BuildTransfers()
{
    QVBoxLayout* layout = nullptr;
    QWidget* page = NewPage(parent_, layout);
    TransferTabs = new QTabWidget(page);
    layout->addWidget(TransferTabs);

    QVBoxLayout* generalLayout = nullptr;
    QWidget* general = NewPage(TransferTabs, generalLayout);
    auto* generalForm = new QFormLayout;
    MaxTransfers = new QSpinBox(general);
    MaxTransfers->setRange(kMinTransfers, kMaxTransfers);
    // Changed with the arrows (or the arrow keys) only.
    if (auto* edit = MaxTransfers->findChild<QLineEdit*>())
        edit->setReadOnly(true);
    QLabel* maxLabel = BuddyLabel(general, MaxTransfers);
    generalForm->addRow(maxLabel, MaxTransfers);
    generalLayout->addLayout(generalForm);
    generalLayout->addStretch();
    TransferTabs->addTab(general, QString());
    texts_.AddText(90, maxLabel, QStringLiteral("&Maximum simultaneous transfers:"));

    QVBoxLayout* actionsLayout = nullptr;
    QWidget* actions = NewPage(TransferTabs, actionsLayout);
    auto* actionsForm = new QFormLayout;
    // Long labels (German ones above all): each list below its label.
    actionsForm->setRowWrapPolicy(QFormLayout::WrapAllRows);
    actionsForm->setFieldGrowthPolicy(QFormLayout::FieldsStayAtSizeHint);
    RemoteExists = ActionBox(actions, false);
    RemoteSmallerExists = ActionBox(actions, true);
    LocalExists = ActionBox(actions, false);
    LocalSmallerExists = ActionBox(actions, true);
    const std::pair<QComboBox*, const char*> rows[] = {
        {RemoteExists, "Action when a &remote file already exists:"},
        {RemoteSmallerExists, "Action when a s&maller remote file already exists:"},
        {LocalExists, "Action when a &local file already exists:"},
        {LocalSmallerExists, "Action when a sm&aller local file already exists:"}};
    int entry = 100;
    for (const auto& [box, english] : rows) {
        QLabel* label = BuddyLabel(actions, box);
        actionsForm->addRow(label, box);
        texts_.AddText(entry++, label, QString::fromLatin1(english));
    }
    const std::pair<TFileAlreadyExistsAction, const char*> names[] = {
        {faeAsk, "Ask"}, {faeOverwrite, "Overwrite"}, {faeResume, "Resume"}, {faeSkip, "Skip"}};
    for (const auto& [action, english] : names)
        texts_.Add(104 + static_cast<int>(action), QString::fromLatin1(english), [this, action](const QString& t) {
            for (QComboBox* box : {RemoteExists, RemoteSmallerExists, LocalExists, LocalSmallerExists})
                if (const int i = box->findData(static_cast<int>(action)); i >= 0)
                    box->setItemText(i, t);
        });
    actionsLayout->addLayout(actionsForm);
    actionsLayout->addStretch();
    TransferTabs->addTab(actions, QString());
    return page;
}

QWidget* TSettingsPages::BuildAuthentication()
{
    QVBoxLayout* layout = nullptr;
    QWidget* page = NewPage(parent_, layout);
    AuthenticationTabs = new QTabWidget(page);
    layout->addWidget(AuthenticationTabs);
    QVBoxLayout* anonymousLayout = nullptr;
    QWidget* anonymous = NewPage(AuthenticationTabs, anonymousLayout);
    auto* form = new QFormLayout;
    AnonymousEmail = new QLineEdit(anonymous);
    QLabel* label = BuddyLabel(anonymous, AnonymousEmail);
    form->addRow(label, AnonymousEmail);
    anonymousLayout->addLayout(form);
    anonymousLayout->addStretch();
    AuthenticationTabs->addTab(anonymous, QString());
    texts_.AddText(110, label, QStringLiteral("&E-mail when connecting anonymous:"));
    return page;
}

void TSettingsPages::FillLanguages()
{
    Languages->clear();
    TLanguageManager& languages = LangManager();
    for (int i = 0; i < languages.LanguageCount(); ++i) {
        auto* item = new QListWidgetItem(QString::fromStdString(languages.LanguageNameAt(i)), Languages);
        item->setData(Qt::UserRole, static_cast<int>(languages.LanguageIdAt(i)));
    }
}

void TSettingsPages::FillDialup(const QString& chosen)
{
    DialupConnection->clear();
    DialupConnection->addItem(Constant("SettingsForm_IDS_17"));
    for (const std::string& name : TDialup::PhonebookNames())
        DialupConnection->addItem(QString::fromStdString(name), QString::fromStdString(name));
    DialupConnection->setCurrentIndex(std::max(0, DialupConnection->findData(chosen)));
}

void TSettingsPages::Retranslate()
{
    QString description = Constant("SettingsForm_IDS_19");
    description.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    description_->setText(description.trimmed());
    if (DialupConnection->count() > 0)
        DialupConnection->setItemText(0, Constant("SettingsForm_IDS_17"));
    ConnectionTabs->setTabText(0, Constant("SettingsForm_IDS_4"));
    ConnectionTabs->setTabText(1, Constant("SettingsForm_IDS_6"));
    TransferTabs->setTabText(0, Constant("SettingsForm_IDS_12"));
    TransferTabs->setTabText(1, Constant("SettingsForm_IDS_13"));
    AuthenticationTabs->setTabText(0, Constant("SettingsForm_IDS_15"));
    TransferTypes->Retranslate();
}

// --- settings in and out ----------------------------------------------------------

void TSettingsPages::Show(const TMainConfig& config)
{
    TipOnStartup->setChecked(config.ShowTipOnStartup());
    if (config.ShowHostManagerOnStartup())
        HostManagerOnStartup->setChecked(true);
    else if (config.ShowQuickConnectOnStartup())
        QuickConnectOnStartup->setChecked(true);
    else
        NoDialogOnStartup->setChecked(true);
    RememberFormState->setChecked(config.RememberFormState());
    TrayIcon->setChecked(config.TrayIcon());
    PlayQueueOnStartup->setChecked(config.PlayQueueOnStartup());

    const int language = config.Language();
    for (int i = 0; i < Languages->count(); ++i)
        if (Languages->item(i)->data(Qt::UserRole).toInt() == language)
            Languages->setCurrentRow(i);

    FillDialup(QString::fromStdString(config.DefaultDialupConnection()));
    const TIdFtpProxyType proxy = config.DefaultProxyType();
    // Types the list does not offer show no entry and stay as stored.
    ProxyType->setCurrentIndex(proxy <= fpcmTransparent ? static_cast<int>(proxy) : -1);
    ProxyHost->setText(QString::fromStdString(config.DefaultProxyHost()));
    ProxyPort->setText(QString::number(config.DefaultProxyPort()));
    ProxyUsername->setText(QString::fromStdString(config.DefaultProxyUsername()));
    ProxyPassword->setText(QString::fromStdString(config.DefaultProxyPassword()));

    LocalSelectionPanel->setChecked(config.ShowLocalSelectionPanel());
    RemoteSelectionPanel->setChecked(config.ShowRemoteSelectionPanel());
    DefaultTransferType->setCurrentIndex(config.DefaultFileTransferType() == fttASCII ? 1 : 0);

    MaxTransfers->setValue(config.MaxFTPTransferCount());
    ShowAction(RemoteExists, config.RemoteFileAlreadyExistsAction());
    ShowAction(RemoteSmallerExists, config.RemoteFileSmallerAlreadyExistsAction());
    ShowAction(LocalExists, config.LocalFileAlreadyExistsAction());
    ShowAction(LocalSmallerExists, config.LocalFileSmallerAlreadyExistsAction());
    AnonymousEmail->setText(QString::fromStdString(config.AnonymousEmail()));
}

void TSettingsPages::Store(TMainConfig& config) const
{
    config.SetShowTipOnStartup(TipOnStartup->isChecked());
    // Writing True to one clears the other; "None" clears both.
    config.SetShowHostManagerOnStartup(HostManagerOnStartup->isChecked());
    config.SetShowQuickConnectOnStartup(QuickConnectOnStartup->isChecked());
    config.SetRememberFormState(RememberFormState->isChecked());
    config.SetTrayIcon(TrayIcon->isChecked());
    config.SetPlayQueueOnStartup(PlayQueueOnStartup->isChecked());
    if (const QListWidgetItem* language = Languages->currentItem())
        config.SetLanguage(language->data(Qt::UserRole).toInt());
    config.SetDefaultDialupConnection(DialupConnection->currentData().toString().toStdString());
    config.SetShowLocalSelectionPanel(LocalSelectionPanel->isChecked());
    config.SetShowRemoteSelectionPanel(RemoteSelectionPanel->isChecked());
    config.SetDefaultFileTransferType(static_cast<TFileTransferType>(DefaultTransferType->currentData().toInt()));
    config.SetMaxFTPTransferCount(MaxTransfers->value());
    config.SetRemoteFileAlreadyExistsAction(ActionOf(RemoteExists));
    config.SetRemoteFileSmallerAlreadyExistsAction(ActionOf(RemoteSmallerExists));
    config.SetLocalFileAlreadyExistsAction(ActionOf(LocalExists));
    config.SetLocalFileSmallerAlreadyExistsAction(ActionOf(LocalSmallerExists));
    config.SetAnonymousEmail(AnonymousEmail->text().toStdString());
}

void TSettingsPages::StoreProxy(TMainConfig& config) const
{
    if (ProxyType->currentIndex() >= 0)
        config.SetDefaultProxyType(static_cast<TIdFtpProxyType>(ProxyType->currentIndex()));
    config.SetDefaultProxyHost(ProxyHost->text().toStdString());
    config.SetDefaultProxyPort(ProxyPort->PortOr(kDefaultProxyPort));
    config.SetDefaultProxyUsername(ProxyUsername->text().toStdString());
    config.SetDefaultProxyPassword(ProxyPassword->text().toStdString());
}
