#include "cli/CliSite.h"

#include "hosts/Hosts.h"
#include "hosts/QuickHosts.h"
#include "store/DataDirectory.h"

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

}  // namespace

THost SiteHost(const std::string& name)
{
    const std::string directory = ResolveDataDirectory();
    {
        THosts hosts(directory);
        if (const THost* host = FindHost(hosts.Items(), name))
            return THost(*host);
    }
    TQuickHosts quick(directory);
    if (const THost* host = FindHost(quick.Items(), name))
        return THost(*host);
    throw std::runtime_error("No stored host named \"" + name + "\".");
}

TCliUrl SiteUrl(const std::string& name)
{
    return ToUrl(SiteHost(name));
}
