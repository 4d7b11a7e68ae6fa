#pragma once
// THostEditorPages: the pages that edit one host record, shared by the
// quick connect dialog and the host manager: "General", "Directories",
// "Connection" (dial-up), "TLS/SSL" and "Proxy". The owner puts the pages it
// needs into its own tab widget.
//
// Contract:
// - ShowHost() fills every control from a record without emitting
//   Changed(); each edit by the user (and each switch) emits Changed().
// - StoreInto() writes the controls back into a record: ports that are not
//   numbers become 21; with "Use default dialup connection" off and "None"
//   chosen the record keeps its dial-up name; with "Use default proxy
//   settings" on the record keeps its own proxy settings.
// - The switches follow the settings: "Connect anonymously" shows
//   "anonymous" and the "AnonymousEmail" setting, "Use default proxy
//   settings" the default proxy; turned off again, the fields show what the
//   user had typed before.
// - RegisterTexts() puts the pages' captions into the owner's window texts
//   (numbers `first` + 1 and on); the host-ID label and the port balloon
//   take the owner's string-table names (SetTextNames). The owner shows the
//   host ID again after a language change.

#include "hosts/Host.h"

#include <QObject>
#include <QString>

#include <functional>
#include <string>
#include <vector>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QToolButton;
class QWidget;
class TMainConfig;
class TPortEdit;
class TWindowTexts;

class THostEditorPages : public QObject {
    Q_OBJECT
public:
    THostEditorPages(TMainConfig& config, QWidget* owner);

    QWidget* GeneralPage() const { return general_; }
    QWidget* DirectoriesPage() const { return directories_; }
    QWidget* ConnectionPage() const { return connection_; }
    QWidget* TLSPage() const { return tls_; }
    QWidget* ProxyPage() const { return proxy_; }

    /// The pages' captions under `first` + their own numbers.
    void RegisterTexts(TWindowTexts& texts, int first);
    /// String-table names of "Host-ID: N/A", "Host-ID: %s" and the port
    /// balloon's message.
    void SetTextNames(std::string hostIDNone, std::string hostIDFormat, std::string portMessage);

    /// "None" followed by `names`.
    void SetDialupNames(const std::vector<std::string>& names);

    void ShowHost(const THost& host);
    void StoreInto(THost& host) const;
    /// Empties host name, port, user name, password and both directories,
    /// unticks "Connect anonymously" and shows "Host-ID: N/A".
    void ClearForm();
    /// "Host-ID: <id>", or "Host-ID: N/A" for an empty id.
    void ShowHostID(const std::string& hostID);
    const std::string& ShownHostID() const { return shownHostID_; }
    /// Fills the General and Directories fields from an ftp:// address.
    /// `portText` is the port as written in the address ("" when absent).
    void ShowAddress(const THost& fromAddress, const QString& portText);

    QLineEdit* HostnameEdit() const { return hostname_; }
    TPortEdit* PortEdit() const { return port_; }
    QLineEdit* UsernameEdit() const { return username_; }
    QLineEdit* PasswordEdit() const { return password_; }
    QCheckBox* AnonymousBox() const { return anonymous_; }
    QCheckBox* PassiveBox() const { return passive_; }
    QLabel* HostIDLabel() const { return hostID_; }
    QLineEdit* RemoteDirEdit() const { return remoteDir_; }
    QLineEdit* LocalDirEdit() const { return localDir_; }
    QComboBox* DialupList() const { return dialupList_; }
    QCheckBox* DefaultDialupBox() const { return defaultDialup_; }
    QCheckBox* DisconnectDialupBox() const { return disconnectDialup_; }
    QCheckBox* TLSBox() const { return useTLS_; }
    QCheckBox* DefaultProxyBox() const { return defaultProxy_; }
    QComboBox* ProxyTypeList() const { return proxyType_; }
    QLineEdit* ProxyHostEdit() const { return proxyHost_; }
    TPortEdit* ProxyPortEdit() const { return proxyPort_; }
    QLineEdit* ProxyUserEdit() const { return proxyUser_; }
    QLineEdit* ProxyPasswordEdit() const { return proxyPassword_; }

signals:
    void Changed();

private:
    void BuildGeneral(QWidget* owner);
    void BuildDirectories(QWidget* owner);
    void BuildConnection(QWidget* owner);
    void BuildTLS(QWidget* owner);
    void BuildProxy(QWidget* owner);
    void WireChanges();
    void ApplyAnonymous(bool on);
    void ApplyDefaultDialup(bool on);
    void ApplyDefaultProxy(bool on);
    void ShowProxy(const THostProxySettings& proxy);
    THostProxySettings ProxyFields() const;
    void SelectDialup(const std::string& name);

    struct TText {
        int Number;
        QString English;
        std::function<void(const QString&)> Show;
    };
    void Keep(int number, QWidget* control, const QString& english);

    TMainConfig& config_;
    std::vector<TText> texts_;
    std::string hostIDNone_ = "HostsForm_IDS_3";
    std::string hostIDFormat_ = "HostsForm_IDS_4";
    QString browseTitle_;
    QString noneText_;
    bool showing_ = false;
    std::string shownHostID_;
    std::string hostDialup_;            // the shown host's own dial-up name
    THostProxySettings ownProxy_;       // what the proxy fields held before the default was shown

    QWidget* general_ = nullptr;
    QWidget* directories_ = nullptr;
    QWidget* connection_ = nullptr;
    QWidget* tls_ = nullptr;
    QWidget* proxy_ = nullptr;
    QLineEdit* hostname_ = nullptr;
    TPortEdit* port_ = nullptr;
    QLineEdit* username_ = nullptr;
    QLineEdit* password_ = nullptr;
    QCheckBox* anonymous_ = nullptr;
    QCheckBox* passive_ = nullptr;
    QLabel* hostID_ = nullptr;
    QLineEdit* remoteDir_ = nullptr;
    QLineEdit* localDir_ = nullptr;
    QToolButton* browse_ = nullptr;
    QComboBox* dialupList_ = nullptr;
    QCheckBox* defaultDialup_ = nullptr;
    QCheckBox* disconnectDialup_ = nullptr;
    QCheckBox* useTLS_ = nullptr;
    QCheckBox* defaultProxy_ = nullptr;
    QComboBox* proxyType_ = nullptr;
    QLineEdit* proxyHost_ = nullptr;
    TPortEdit* proxyPort_ = nullptr;
    QLineEdit* proxyUser_ = nullptr;
    QLineEdit* proxyPassword_ = nullptr;
};
