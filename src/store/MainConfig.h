#pragma once
// TMainConfig: every user setting of the program, kept in "Config.xml"
// (root "Config") in the data directory, one element per key with the value
// in its "value" attribute.
//
// Contract:
// - One instance per process, created before any window and destroyed after
//   the last; reachable through MainConfig() once the program has installed
//   it with SetInstance(). Tests construct their own (point XDG_CONFIG_HOME at
//   a temporary folder first).
// - Thread-safe: every ReadValue, WriteValue and Save takes the settings lock
//   for one lookup, one write or one save. Typed accessors go through them.
// - Writes change only the in-memory document; Save() writes the file. The
//   destructor writes unsaved changes (errors are reported on stderr only).
// - Reads answer the key's default when the element or its "value"
//   attribute is absent. A stored value that does not convert to the key's
//   type raises EConvertError, except "Language" (answers 1033) and
//   enumerations (an unknown name answers the key's default).
// - With a secret store installed (store/SecretStore.h), Save() moves the
//   default proxy password into the desktop's keyring; the file then keeps
//   only the mark "InKeyring" on its element, and construction reads the
//   value back. A value the keyring did not confirm stays in the file; one
//   it could not give back reads as empty and keeps its mark until another
//   value is written.
// - Keys must be XML names; WriteValue refuses anything else with
//   std::invalid_argument so that the file always stays loadable.
// - Construction raises EInOutError (data directory), EXMLParseError (a
//   damaged "Config.xml", left untouched) or EXMLSaveError (new file).

#include "store/RegistrySwitches.h"
#include "store/SettingsTypes.h"
#include "store/XMLConfig.h"
#include "store/XMLDocument.h"

#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <optional>
#include <string>
#include <string_view>

class TMainConfig : public TXMLConfig {
public:
    /// Resolves the data directory and opens or creates "Config.xml".
    TMainConfig();
    /// Uses `dataDirectory` (an existing folder; a trailing separator is
    /// dropped) instead of resolving it: for tests and tools that must not
    /// touch the environment. Raises EInOutError when it is not a folder.
    explicit TMainConfig(const std::string& dataDirectory);
    ~TMainConfig() override;

    TMainConfig(const TMainConfig&) = delete;
    TMainConfig& operator=(const TMainConfig&) = delete;

    // --- the process-wide instance -------------------------------------
    /// Installs (or with nullptr removes) the instance MainConfig() answers.
    /// The caller keeps ownership.
    static void SetInstance(TMainConfig* config);
    static TMainConfig* Instance();

    /// The data directory, no trailing separator.
    const std::string& DataDirectory() const { return dataDirectory_; }
    /// Full path of "Config.xml".
    std::string FileName() const;

    // --- generic access ------------------------------------------------
    std::string ReadValue(std::string_view key, std::string_view defaultValue) const;
    void WriteValue(std::string_view key, std::string_view value);
    void Save();

    int ReadInteger(std::string_view key, int defaultValue) const;
    void WriteInteger(std::string_view key, int value);
    bool ReadBool(std::string_view key, bool defaultValue) const;
    void WriteBool(std::string_view key, bool value);

    /// The remembered answer of the message dialog `name` (key
    /// name + "DialogDefault"); 0 means "ask".
    int DialogDefault(std::string_view name) const;
    void SetDialogDefault(std::string_view name, int value);

    // --- desktop switches (not in the file) ----------------------------
    /// Installs the implementation; nullptr restores the default one that
    /// reads False and ignores writes.
    void SetRegistrySwitches(std::shared_ptr<IRegistrySwitches> switches);
    bool BrowserIntegration() const;
    void SetBrowserIntegration(bool value);
    bool ExplorerContextMenu() const;
    void SetExplorerContextMenu(bool value);
    bool StartWithSystem() const;
    void SetStartWithSystem(bool value);

    // --- typed settings (key name = accessor name) ---------------------
    TViewStyle LocalViewStyle() const;
    void SetLocalViewStyle(TViewStyle value);
    TViewStyle RemoteViewStyle() const;
    void SetRemoteViewStyle(TViewStyle value);

    TFileAlreadyExistsAction LocalFileAlreadyExistsAction() const;
    void SetLocalFileAlreadyExistsAction(TFileAlreadyExistsAction value);
    TFileAlreadyExistsAction LocalFileSmallerAlreadyExistsAction() const;
    void SetLocalFileSmallerAlreadyExistsAction(TFileAlreadyExistsAction value);
    TFileAlreadyExistsAction RemoteFileAlreadyExistsAction() const;
    void SetRemoteFileAlreadyExistsAction(TFileAlreadyExistsAction value);
    TFileAlreadyExistsAction RemoteFileSmallerAlreadyExistsAction() const;
    void SetRemoteFileSmallerAlreadyExistsAction(TFileAlreadyExistsAction value);

    int LocalSortColumn() const;
    void SetLocalSortColumn(int value);
    int RemoteHeaderSortColumn() const;
    void SetRemoteHeaderSortColumn(int value);
    TSortDirection RemoteHeaderSortDirection() const;
    void SetRemoteHeaderSortDirection(TSortDirection value);

    int MaxRemoteMRUPaths() const; // read-only
    /// The stored folder when it exists, else the program's folder
    /// followed by "Settings". Read-only.
    std::string LastQueueDirectory() const;
    std::string AnonymousEmail() const;
    void SetAnonymousEmail(std::string_view value);
    int MaxFTPTransferCount() const;
    void SetMaxFTPTransferCount(int value);
    int RetryDelay() const;    // read-only, seconds
    int MaxRetryCount() const; // read-only

    int MainFormTop() const;
    void SetMainFormTop(int value);
    int MainFormLeft() const;
    void SetMainFormLeft(int value);
    int MainFormHeight() const;
    void SetMainFormHeight(int value);
    int MainFormWidth() const;
    void SetMainFormWidth(int value);
    bool MainFormMaximized() const;
    void SetMainFormMaximized(bool value);
    int BottomPanelHeight() const;
    void SetBottomPanelHeight(int value);
    int LocalPanelWidth() const;
    void SetLocalPanelWidth(int value);
    int MainToolbarDockPos() const;
    void SetMainToolbarDockPos(int value);
    int MainToolbarDockRow() const;
    void SetMainToolbarDockRow(int value);
    int MainMenuToolbarDockPos() const;
    void SetMainMenuToolbarDockPos(int value);
    int MainMenuToolbarDockRow() const;
    void SetMainMenuToolbarDockRow(int value);

    std::string LastConnectedHostID() const;
    void SetLastConnectedHostID(std::string_view value);
    std::string LastQuickConnectedHostID() const;
    void SetLastQuickConnectedHostID(std::string_view value);

    bool ShowTipOnStartup() const;
    void SetShowTipOnStartup(bool value);
    int LastTipIndex() const;
    void SetLastTipIndex(int value);
    /// Writing True here also writes False to ShowQuickConnectOnStartup,
    /// and the other way round; writing False touches only its own key.
    bool ShowHostManagerOnStartup() const;
    void SetShowHostManagerOnStartup(bool value);
    bool ShowQuickConnectOnStartup() const;
    void SetShowQuickConnectOnStartup(bool value);
    bool RememberFormState() const;
    void SetRememberFormState(bool value);
    /// Language identifier; 1033 whenever the stored value is unusable.
    int Language() const;
    void SetLanguage(int value);
    /// True when stored so, and also when this process created
    /// "Config.xml" (a fresh data directory) and nothing was stored since.
    bool FirstRun() const;
    void SetFirstRun(bool value);
    bool TrayIcon() const;
    void SetTrayIcon(bool value);
    bool ShowLocalSelectionPanel() const;
    void SetShowLocalSelectionPanel(bool value);
    bool ShowRemoteSelectionPanel() const;
    void SetShowRemoteSelectionPanel(bool value);
    bool PlayQueueOnStartup() const;
    void SetPlayQueueOnStartup(bool value);

    std::string DefaultDialupConnection() const;
    void SetDefaultDialupConnection(std::string_view value);
    TFileTransferType DefaultFileTransferType() const;
    void SetDefaultFileTransferType(TFileTransferType value);
    TIdFtpProxyType DefaultProxyType() const;
    void SetDefaultProxyType(TIdFtpProxyType value);
    std::string DefaultProxyHost() const;
    void SetDefaultProxyHost(std::string_view value);
    int DefaultProxyPort() const;
    void SetDefaultProxyPort(int value);
    std::string DefaultProxyUsername() const;
    void SetDefaultProxyUsername(std::string_view value);
    /// Stored as plain text, or in the desktop's keyring.
    std::string DefaultProxyPassword() const;
    void SetDefaultProxyPassword(std::string_view value);

    int SelectedBottomPageControlIndex() const;
    void SetSelectedBottomPageControlIndex(int value);
    bool ShowLocalToolbar() const;
    void SetShowLocalToolbar(bool value);
    bool ShowMainToolbar() const;
    void SetShowMainToolbar(bool value);
    bool ShowQueueLogToolbar() const;
    void SetShowQueueLogToolbar(bool value);
    bool ShowRemoteToolbar() const;
    void SetShowRemoteToolbar(bool value);

    /// The "AnonymousEmail" default.
    static constexpr const char* DefaultAnonymousEmail = "tovrel@example.com";
    /// The "Language" default (US English).
    static constexpr int DefaultLanguage = 1033;

private:
    struct TGivenDirectory {};
    TMainConfig(TGivenDirectory, std::string dataDirectory);
    std::optional<std::string> ReadStored(std::string_view key) const;
    template <typename E, std::size_t N>
    E ReadEnum(std::string_view key, const std::array<std::string_view, N>& names, E defaultValue) const;
    std::shared_ptr<IRegistrySwitches> Switches() const;
    void ReadKeyringValues();
    void MarkConfirmed(const std::map<std::string, std::string>& written, const std::set<std::string>& confirmed);

    struct TKeyringValue {
        std::string Value;
        bool Unreadable = false; // the keyring did not give it back
    };

    mutable std::mutex lock_; // the settings lock: first member, destroyed last
    std::string dataDirectory_;
    bool createdFile_ = false;
    std::unique_ptr<TXMLDocument> doc_;
    std::shared_ptr<IRegistrySwitches> switches_;
    std::map<std::string, TKeyringValue, std::less<>> keyringValues_; // settings the file marks as kept in the keyring
};

/// The process-wide settings; raises std::logic_error when none is installed.
TMainConfig& MainConfig();
