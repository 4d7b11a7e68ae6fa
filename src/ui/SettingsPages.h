#pragma once
// TSettingsPages: the pages of the settings window and the controls on
// them, with the way each control shows and writes its setting.
//
// Contract: user-interface thread only. The widgets belong to the parent
// given to the constructor. Show() puts the settings into the controls;
// Store() and StoreProxy() write every setting the pages stand for, changed
// or not (the transfer-type table and the desktop switches are the window's
// business).

#include <QString>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QRadioButton;
class QSpinBox;
class QTabWidget;
class QWidget;
class TMainConfig;
class TPortEdit;
class TTransferTypeTable;
class TTrustedCertificatesPage;
class TWindowTexts;

class TSettingsPages {
public:
    /// The pages in tree order of their top-level entries.
    enum TPage { pgRoot, pgStartup, pgLanguage, pgConnection, pgIntegration, pgVisibility, pgFileTypes,
                 pgTransfers, pgAuthentication, pgCertificates, pgCount };

    TSettingsPages(QWidget* parent, TWindowTexts& texts);

    QWidget* Page(TPage page) const { return pages_[page]; }

    void Show(const TMainConfig& config);
    void Store(TMainConfig& config) const;
    /// The default proxy: its type only when the list shows one (a stored
    /// type the list lacks is kept), the port 8080 when it is no number.
    void StoreProxy(TMainConfig& config) const;
    /// The texts that come from the string table, in the active language.
    void Retranslate();

    // Startup
    QCheckBox* TipOnStartup = nullptr;
    QRadioButton* NoDialogOnStartup = nullptr;
    QRadioButton* HostManagerOnStartup = nullptr;
    QRadioButton* QuickConnectOnStartup = nullptr;
    QCheckBox* RememberFormState = nullptr;
    QCheckBox* TrayIcon = nullptr;
    QCheckBox* PlayQueueOnStartup = nullptr;
    // Language: one entry per known language, its identifier as user data.
    QListWidget* Languages = nullptr;
    // Connection
    QTabWidget* ConnectionTabs = nullptr;
    QComboBox* DialupConnection = nullptr;
    QComboBox* ProxyType = nullptr;
    QLineEdit* ProxyHost = nullptr;
    TPortEdit* ProxyPort = nullptr;
    QLineEdit* ProxyUsername = nullptr;
    QLineEdit* ProxyPassword = nullptr;
    // Integration
    QCheckBox* BrowserIntegration = nullptr;
    QCheckBox* ExplorerContextMenu = nullptr;
    QCheckBox* StartWithSystem = nullptr;
    // Visibility
    QCheckBox* LocalSelectionPanel = nullptr;
    QCheckBox* RemoteSelectionPanel = nullptr;
    // File types
    QComboBox* DefaultTransferType = nullptr;
    TTransferTypeTable* TransferTypes = nullptr;
    // Transfers
    QTabWidget* TransferTabs = nullptr;
    QSpinBox* MaxTransfers = nullptr;
    QComboBox* RemoteExists = nullptr;
    QComboBox* RemoteSmallerExists = nullptr;
    QComboBox* LocalExists = nullptr;
    QComboBox* LocalSmallerExists = nullptr;
    // Certificates
    TTrustedCertificatesPage* TrustedCertificates = nullptr;
    // Authentication
    QTabWidget* AuthenticationTabs = nullptr;
    QLineEdit* AnonymousEmail = nullptr;

private:
    QWidget* BuildRoot();
    QWidget* BuildStartup();
    QWidget* BuildLanguage();
    QWidget* BuildConnection();
    QWidget* BuildIntegration();
    QWidget* BuildVisibility();
    QWidget* BuildFileTypes();
    QWidget* BuildTransfers();
    QWidget* BuildAuthentication();
    void FillLanguages();
    void FillDialup(const QString& chosen);

    QWidget* parent_;
    TWindowTexts& texts_;
    QWidget* pages_[pgCount] = {};
    QLabel* description_ = nullptr;
};
