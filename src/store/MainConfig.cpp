#include "store/MainConfig.h"

#include "store/DataDirectory.h"
#include "store/SecretStore.h"

#include <QFileInfo>
#include <QString>

#include <atomic>
#include <climits>
#include <cstdio>
#include <stdexcept>
#include <utility>

namespace {

constexpr const char* kFileName = "Config.xml";
constexpr const char* kRootName = "Config";
constexpr const char* kValueAttribute = "value";

std::atomic<TMainConfig*> gInstance{nullptr};

// Settings whose value goes to the desktop's keyring when one is installed.
// In the file such an element then has no "value" but the mark below.
constexpr std::string_view kKeyringKeys[] = {"DefaultProxyPassword"};
constexpr const char* kKeyringMark = "InKeyring";

std::string KeyringName(std::string_view key) { return "Settings/" + std::string(key); }

bool IsMarked(pugi::xml_node element)
{
    if (!element || TXMLDocument::Attribute(element, kValueAttribute))
        return false;
    const auto mark = TXMLDocument::Attribute(element, kKeyringMark);
    try {
        return mark && TXMLDocument::ParseBool(*mark);
    } catch (const EConvertError&) {
        return false;
    }
}

// Element names the writer may produce without making the file unloadable:
// a letter or "_" first, then letters, digits, "_", "-" or ".".
bool IsXMLName(std::string_view key)
{
    if (key.empty())
        return false;
    auto isLetter = [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; };
    if (!isLetter(key.front()))
        return false;
    for (char c : key)
        if (!isLetter(c) && !(c >= '0' && c <= '9') && c != '-' && c != '.')
            return false;
    // "xml..." names are reserved by XML itself.
    return !(key.size() >= 3 && (key[0] | 0x20) == 'x' && (key[1] | 0x20) == 'm' && (key[2] | 0x20) == 'l');
}

int ToInt(std::string_view text)
{
    const long long value = TXMLDocument::ParseInt(text);
    if (value < INT_MIN || value > INT_MAX)
        throw EConvertError("'" + std::string(text) + "' is not a valid integer value");
    return static_cast<int>(value);
}

std::string JoinPath(const std::string& directory, const char* name)
{
    if (!directory.empty() && directory.back() == '/')
        return directory + name;
    return directory + '/' + name;
}

} // namespace

TMainConfig::TMainConfig() : TMainConfig(TGivenDirectory{}, ResolveDataDirectory()) {}

TMainConfig::TMainConfig(const std::string& dataDirectory) : TMainConfig(TGivenDirectory{}, dataDirectory)
{
}

TMainConfig::TMainConfig(TGivenDirectory, std::string dataDirectory)
    : dataDirectory_(std::move(dataDirectory)), switches_(std::make_shared<NullRegistrySwitches>())
{
    while (dataDirectory_.size() > 1 && dataDirectory_.back() == '/')
        dataDirectory_.pop_back();
    if (!QFileInfo(QString::fromStdString(dataDirectory_)).isDir())
        throw EInOutError("The data directory " + dataDirectory_ + " does not exist");
    createdFile_ = !QFileInfo::exists(QString::fromStdString(JoinPath(dataDirectory_, kFileName)));
    doc_ = std::make_unique<TXMLDocument>(dataDirectory_, kFileName, kRootName);
    ReadKeyringValues();
}

void TMainConfig::ReadKeyringValues()
{
    std::vector<std::string> wanted;
    for (std::string_view key : kKeyringKeys)
        if (IsMarked(TXMLDocument::FindChild(doc_->Root(), key)))
            wanted.push_back(KeyringName(key));
    if (wanted.empty())
        return;
    const std::shared_ptr<ISecretStore> store = ISecretStore::Instance();
    const ISecretStore::TReadResult read = store ? store->Read(wanted) : ISecretStore::TReadResult{};
    for (std::string_view key : kKeyringKeys) {
        const std::string name = KeyringName(key);
        if (!IsMarked(TXMLDocument::FindChild(doc_->Root(), key)))
            continue;
        TKeyringValue& value = keyringValues_[std::string(key)];
        const auto found = read.Found.find(name);
        value.Value = found != read.Found.end() ? found->second : std::string();
        value.Unreadable = found == read.Found.end() && !read.Missing.count(name);
    }
}

TMainConfig::~TMainConfig()
{
    TMainConfig* self = this;
    gInstance.compare_exchange_strong(self, nullptr);
    const std::lock_guard guard(lock_);
    doc_.reset(); // writes unsaved changes
}

void TMainConfig::SetInstance(TMainConfig* config) { gInstance.store(config); }

TMainConfig* TMainConfig::Instance() { return gInstance.load(); }

TMainConfig& MainConfig()
{
    TMainConfig* config = TMainConfig::Instance();
    if (!config)
        throw std::logic_error("The settings are not loaded");
    return *config;
}

std::string TMainConfig::FileName() const { return doc_->Path(); }

// --- generic access ------------------------------------------------------

std::optional<std::string> TMainConfig::ReadStored(std::string_view key) const
{
    const std::lock_guard guard(lock_);
    const pugi::xml_node element = TXMLDocument::FindChild(doc_->Root(), key);
    if (!element)
        return std::nullopt;
    if (IsMarked(element))
        if (const auto kept = keyringValues_.find(key); kept != keyringValues_.end())
            return kept->second.Value;
    return TXMLDocument::Attribute(element, kValueAttribute);
}

std::string TMainConfig::ReadValue(std::string_view key, std::string_view defaultValue) const
{
    std::optional<std::string> stored = ReadStored(key);
    return stored ? std::move(*stored) : std::string(defaultValue);
}

void TMainConfig::WriteValue(std::string_view key, std::string_view value)
{
    if (!IsXMLName(key))
        throw std::invalid_argument("'" + std::string(key) + "' is not a valid settings key");
    const std::lock_guard guard(lock_);
    pugi::xml_node element = TXMLDocument::FindChild(doc_->Root(), key);
    if (!element)
        element = doc_->AppendElement(doc_->Root(), key);
    if (IsMarked(element)) {
        const auto kept = keyringValues_.find(key);
        // Unchanged, or the unreadable value written back as empty: the
        // keyring keeps it.
        if (kept != keyringValues_.end() && (kept->second.Unreadable ? value.empty() : kept->second.Value == value))
            return;
        element.remove_attribute(kKeyringMark);
    }
    doc_->SetAttribute(element, kValueAttribute, value);
}

void TMainConfig::Save()
{
    // The keyring is asked without the lock held: it may take its time, and
    // other threads read settings meanwhile.
    const std::shared_ptr<ISecretStore> store = ISecretStore::Instance();
    std::map<std::string, std::string> plain;
    if (store) {
        const std::lock_guard guard(lock_);
        for (std::string_view key : kKeyringKeys) {
            const auto value = TXMLDocument::Attribute(TXMLDocument::FindChild(doc_->Root(), key), kValueAttribute);
            if (value && !value->empty())
                plain[KeyringName(key)] = *value;
        }
    }
    const std::set<std::string> confirmed = plain.empty() ? std::set<std::string>{} : store->Write(plain);
    std::vector<std::string> stale;
    {
        const std::lock_guard guard(lock_);
        MarkConfirmed(plain, confirmed);
        doc_->Save();
        for (std::string_view key : kKeyringKeys) {
            const auto kept = keyringValues_.find(key);
            if (kept != keyringValues_.end() && !IsMarked(TXMLDocument::FindChild(doc_->Root(), key))) {
                stale.push_back(KeyringName(key));
                keyringValues_.erase(kept);
            }
        }
    }
    // Only once the file no longer refers to them.
    if (store && !stale.empty())
        store->Delete(stale);
}

void TMainConfig::MarkConfirmed(const std::map<std::string, std::string>& written, const std::set<std::string>& confirmed)
{
    for (std::string_view key : kKeyringKeys) {
        const std::string name = KeyringName(key);
        pugi::xml_node element = TXMLDocument::FindChild(doc_->Root(), key);
        const auto value = TXMLDocument::Attribute(element, kValueAttribute);
        // A value changed while the keyring was asked stays in the file.
        if (!confirmed.count(name) || !value || *value != written.at(name))
            continue;
        element.remove_attribute(kValueAttribute);
        doc_->SetAttribute(element, kKeyringMark, "True");
        keyringValues_[std::string(key)] = {*value, false};
    }
}

int TMainConfig::ReadInteger(std::string_view key, int defaultValue) const
{
    const std::optional<std::string> stored = ReadStored(key);
    return stored ? ToInt(*stored) : defaultValue;
}

void TMainConfig::WriteInteger(std::string_view key, int value) { WriteValue(key, std::to_string(value)); }

bool TMainConfig::ReadBool(std::string_view key, bool defaultValue) const
{
    const std::optional<std::string> stored = ReadStored(key);
    return stored ? TXMLDocument::ParseBool(*stored) : defaultValue;
}

void TMainConfig::WriteBool(std::string_view key, bool value) { WriteValue(key, TXMLDocument::BoolText(value)); }

int TMainConfig::DialogDefault(std::string_view name) const
{
    return ReadInteger(std::string(name) + "DialogDefault", 0);
}

void TMainConfig::SetDialogDefault(std::string_view name, int value)
{
    WriteInteger(std::string(name) + "DialogDefault", value);
}

template <typename E, std::size_t N>
E TMainConfig::ReadEnum(std::string_view key, const std::array<std::string_view, N>& names, E defaultValue) const
{
    const std::optional<std::string> stored = ReadStored(key);
    if (!stored)
        return defaultValue;
    return SettingsNames::FromName<E>(names, *stored).value_or(defaultValue);
}

// --- desktop switches ------------------------------------------------------

void TMainConfig::SetRegistrySwitches(std::shared_ptr<IRegistrySwitches> switches)
{
    if (!switches)
        switches = std::make_shared<NullRegistrySwitches>();
    const std::lock_guard guard(lock_);
    switches_ = std::move(switches);
}

std::shared_ptr<IRegistrySwitches> TMainConfig::Switches() const
{
    // Copied under the lock, called without it: the switches may be slow
    // and must not hold up settings readers on other threads.
    const std::lock_guard guard(lock_);
    return switches_;
}

bool TMainConfig::BrowserIntegration() const { return Switches()->BrowserIntegration(); }
void TMainConfig::SetBrowserIntegration(bool value) { Switches()->SetBrowserIntegration(value); }
bool TMainConfig::ExplorerContextMenu() const { return Switches()->ExplorerContextMenu(); }
void TMainConfig::SetExplorerContextMenu(bool value) { Switches()->SetExplorerContextMenu(value); }
bool TMainConfig::StartWithSystem() const { return Switches()->StartWithSystem(); }
void TMainConfig::SetStartWithSystem(bool value) { Switches()->SetStartWithSystem(value); }

// --- typed settings --------------------------------------------------------

#define TOVREL_INT_SETTING(Key, Default)                                                           \
    int TMainConfig::Key() const { return ReadInteger(#Key, Default); }                           \
    void TMainConfig::Set##Key(int value) { WriteInteger(#Key, value); }
#define TOVREL_INT_SETTING_R(Key, Default)                                                         \
    int TMainConfig::Key() const { return ReadInteger(#Key, Default); }
#define TOVREL_BOOL_SETTING(Key, Default)                                                          \
    bool TMainConfig::Key() const { return ReadBool(#Key, Default); }                             \
    void TMainConfig::Set##Key(bool value) { WriteBool(#Key, value); }
#define TOVREL_TEXT_SETTING(Key, Default)                                                          \
    std::string TMainConfig::Key() const { return ReadValue(#Key, Default); }                     \
    void TMainConfig::Set##Key(std::string_view value) { WriteValue(#Key, value); }
#define TOVREL_ENUM_SETTING(Key, Type, Names, ToName, Default)                                     \
    Type TMainConfig::Key() const { return ReadEnum<Type>(#Key, Names, Default); }                \
    void TMainConfig::Set##Key(Type value) { WriteValue(#Key, ToName(value)); }

TOVREL_ENUM_SETTING(LocalViewStyle, TViewStyle, SettingsNames::ViewStyle, ViewStyleToName, vsReport)
TOVREL_ENUM_SETTING(RemoteViewStyle, TViewStyle, SettingsNames::ViewStyle, ViewStyleToName, vsReport)
TOVREL_ENUM_SETTING(LocalFileAlreadyExistsAction, TFileAlreadyExistsAction,
                    SettingsNames::FileAlreadyExistsAction, FileAlreadyExistsActionToName, faeAsk)
TOVREL_ENUM_SETTING(LocalFileSmallerAlreadyExistsAction, TFileAlreadyExistsAction,
                    SettingsNames::FileAlreadyExistsAction, FileAlreadyExistsActionToName, faeAsk)
TOVREL_ENUM_SETTING(RemoteFileAlreadyExistsAction, TFileAlreadyExistsAction,
                    SettingsNames::FileAlreadyExistsAction, FileAlreadyExistsActionToName, faeAsk)
TOVREL_ENUM_SETTING(RemoteFileSmallerAlreadyExistsAction, TFileAlreadyExistsAction,
                    SettingsNames::FileAlreadyExistsAction, FileAlreadyExistsActionToName, faeAsk)
TOVREL_INT_SETTING(LocalSortColumn, 0)
TOVREL_INT_SETTING(RemoteHeaderSortColumn, 0)
TOVREL_ENUM_SETTING(RemoteHeaderSortDirection, TSortDirection, SettingsNames::SortDirection,
                    SortDirectionToName, sdDescending)
TOVREL_INT_SETTING_R(MaxRemoteMRUPaths, 12)
TOVREL_TEXT_SETTING(AnonymousEmail, DefaultAnonymousEmail)
TOVREL_INT_SETTING(MaxFTPTransferCount, 3)
TOVREL_INT_SETTING_R(RetryDelay, 30)
TOVREL_INT_SETTING_R(MaxRetryCount, 3)
TOVREL_INT_SETTING(MainFormTop, 100)
TOVREL_INT_SETTING(MainFormLeft, 100)
TOVREL_INT_SETTING(MainFormHeight, 500)
TOVREL_INT_SETTING(MainFormWidth, 700)
TOVREL_BOOL_SETTING(MainFormMaximized, false)
TOVREL_INT_SETTING(BottomPanelHeight, 180)
TOVREL_INT_SETTING(LocalPanelWidth, 340)
TOVREL_INT_SETTING(MainToolbarDockPos, 120)
TOVREL_INT_SETTING(MainToolbarDockRow, 1)
TOVREL_INT_SETTING(MainMenuToolbarDockPos, 0)
TOVREL_INT_SETTING(MainMenuToolbarDockRow, 0)
TOVREL_TEXT_SETTING(LastConnectedHostID, "")
TOVREL_TEXT_SETTING(LastQuickConnectedHostID, "")
TOVREL_BOOL_SETTING(ShowTipOnStartup, true)
TOVREL_INT_SETTING(LastTipIndex, -1)
TOVREL_BOOL_SETTING(RememberFormState, true)
TOVREL_BOOL_SETTING(TrayIcon, false)
TOVREL_BOOL_SETTING(ShowLocalSelectionPanel, true)
TOVREL_BOOL_SETTING(ShowRemoteSelectionPanel, true)
TOVREL_BOOL_SETTING(PlayQueueOnStartup, false)
TOVREL_TEXT_SETTING(DefaultDialupConnection, "")
TOVREL_ENUM_SETTING(DefaultFileTransferType, TFileTransferType, SettingsNames::FileTransferType,
                    FileTransferTypeToName, fttBinary)
TOVREL_ENUM_SETTING(DefaultProxyType, TIdFtpProxyType, IdFtpProxyTypeNames, IdFtpProxyTypeToName, fpcmNone)
TOVREL_TEXT_SETTING(DefaultProxyHost, "")
TOVREL_INT_SETTING(DefaultProxyPort, 0)
TOVREL_TEXT_SETTING(DefaultProxyUsername, "")
TOVREL_TEXT_SETTING(DefaultProxyPassword, "")
TOVREL_INT_SETTING(SelectedBottomPageControlIndex, 0)
TOVREL_BOOL_SETTING(ShowLocalToolbar, true)
TOVREL_BOOL_SETTING(ShowMainToolbar, true)
TOVREL_BOOL_SETTING(ShowQueueLogToolbar, true)
TOVREL_BOOL_SETTING(ShowRemoteToolbar, true)

#undef TOVREL_INT_SETTING
#undef TOVREL_INT_SETTING_R
#undef TOVREL_BOOL_SETTING
#undef TOVREL_TEXT_SETTING
#undef TOVREL_ENUM_SETTING

// --- settings with rules of their own ---------------------------------------

std::string TMainConfig::LastQueueDirectory() const
{
    const std::string stored = ReadValue("LastQueueDirectory", "");
    if (!stored.empty() && QFileInfo(QString::fromStdString(stored)).isDir())
        return stored;
    return JoinPath(ProgramDirectory(), "Settings");
}

bool TMainConfig::ShowHostManagerOnStartup() const { return ReadBool("ShowHostManagerOnStartup", false); }

void TMainConfig::SetShowHostManagerOnStartup(bool value)
{
    // Both dialogs at start-up would stack two modal windows; at most one.
    WriteBool("ShowHostManagerOnStartup", value);
    if (value)
        WriteBool("ShowQuickConnectOnStartup", false);
}

bool TMainConfig::ShowQuickConnectOnStartup() const { return ReadBool("ShowQuickConnectOnStartup", false); }

void TMainConfig::SetShowQuickConnectOnStartup(bool value)
{
    WriteBool("ShowQuickConnectOnStartup", value);
    if (value)
        WriteBool("ShowHostManagerOnStartup", false);
}

int TMainConfig::Language() const
{
    try {
        return ReadInteger("Language", DefaultLanguage);
    } catch (...) {
        return DefaultLanguage;
    }
}

void TMainConfig::SetLanguage(int value) { WriteInteger("Language", value); }

bool TMainConfig::FirstRun() const
{
    // A data directory this process set up behaves as if its new settings
    // file had been seeded with FirstRun="True".
    return ReadBool("FirstRun", createdFile_);
}

void TMainConfig::SetFirstRun(bool value) { WriteBool("FirstRun", value); }
