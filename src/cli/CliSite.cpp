#include "cli/CliSite.h"

#include "hosts/Hosts.h"
#include "hosts/QuickHosts.h"
#include "platform/KeyringSecretStore.h"
#include "store/DataDirectory.h"

#include <QCoreApplication>

#include <clocale>
#include <optional>
#include <stdexcept>

namespace {

const THost* FindHost(const std::vector<std::unique_ptr<THost>>& items, const std::string& name)
{
    for (const auto& host : items)
        if (CompareTextNoCase(host->CommonName, name) == 0 || host->HostID == name)
            return host.get();
    return nullptr;
}

TCliUrl ToUrl(const THost& host)
{
    TCliUrl url;
    url.Host = host.Hostname;
    url.Port = static_cast<std::uint16_t>(host.Port > 0 && host.Port < 65536 ? host.Port : 21);
    if (!host.IsAnonymous) {
        url.User = host.Username;
        url.Password = host.Password;
    }
    return url;
}

// The keyring's jobs answer through a Qt event loop on this thread. The
// application object lives until the process ends, as jobs may outlast a
// call; numbers keep the C locale the rest of the tool prints with.
void EnsureQtApplication()
{
    if (QCoreApplication::instance())
        return;
    static int argc = 1;
    static char name[] = "tovrel-ftp-cli";
    static char* argv[] = {name, nullptr};
    static QCoreApplication* app = new QCoreApplication(argc, argv);
    (void)app;
    std::setlocale(LC_NUMERIC, "C");
}

// The command line reads the program's secrets but leaves moving and
// deleting them to the program.
class TReadOnlyKeyring : public ISecretStore {
public:
    TReadOnlyKeyring()
    {
        keyring_.SetNoticeSlot([this](const std::string& reason) { Reason = reason; });
    }
    TReadResult Read(const std::vector<std::string>& keys) override { return keyring_.Read(keys); }
    std::set<std::string> Write(const std::map<std::string, std::string>&) override { return {}; }
    std::set<std::string> Delete(const std::vector<std::string>&) override { return {}; }

    std::string Reason;

private:
    TKeyringSecretStore keyring_;
};

// Installs the keyring for one look-up and puts back what was there.
class TKeyringScope {
public:
    TKeyringScope() : previous_(ISecretStore::Instance())
    {
        EnsureQtApplication();
        ISecretStore::SetInstance(keyring_);
    }
    ~TKeyringScope() { ISecretStore::SetInstance(previous_); }
    TKeyringScope(const TKeyringScope&) = delete;
    TKeyringScope& operator=(const TKeyringScope&) = delete;

    const std::string& Reason() const { return keyring_->Reason; }

private:
    std::shared_ptr<ISecretStore> previous_;
    std::shared_ptr<TReadOnlyKeyring> keyring_ = std::make_shared<TReadOnlyKeyring>();
};

template <typename TStore>
std::optional<THost> Lookup(const TStore& store, const std::string& name, const TKeyringScope& keyring)
{
    const THost* host = FindHost(store.Items(), name);
    if (!host)
        return std::nullopt;
    if (store.PasswordUnreadable(host->HostID))
        throw std::runtime_error("The password of \"" + name
                                 + "\" is kept in the desktop keyring, which could not give it back"
                                 + (keyring.Reason().empty() ? std::string() : ": " + keyring.Reason()) + ".");
    return THost(*host);
}

}  // namespace

THost SiteHost(const std::string& name)
{
    const std::string directory = ResolveDataDirectory();
    const TKeyringScope keyring;
    {
        THosts hosts(directory);
        if (auto host = Lookup(hosts, name, keyring))
            return *host;
    }
    TQuickHosts quick(directory);
    if (auto host = Lookup(quick, name, keyring))
        return *host;
    throw std::runtime_error("No stored host named \"" + name + "\".");
}

TCliUrl SiteUrl(const std::string& name)
{
    return ToUrl(SiteHost(name));
}
