#include "integration/HandOffRequests.h"

#include "hosts/Hosts.h"
#include "platform/Registry.h"
#include "queue/QueueManager.h"
#include "store/Helpers.h"

THost HostFromBrowserURL(const std::string& url)
{
    THost host;
    host.FromURL(url); // the folder of the link's path becomes InitialRemoteDirectory
    return host;
}

const THost* ResolveUploadHost(const TRegistry& registry, const THosts& hosts, int index)
{
    if (index < 0 || !registry.KeyExists(THosts::RegistryKey))
        return nullptr;
    const std::vector<std::string> ids = registry.SubKeyNames(THosts::RegistryKey);
    if (static_cast<std::size_t>(index) >= ids.size())
        return nullptr;
    return hosts.FindByHostID(ids[static_cast<std::size_t>(index)]);
}

std::vector<TQueueItem*> QueueHandedUploads(TQueueManager& queue, const THost& host, const std::string& destination,
                                            const std::vector<std::string>& paths)
{
    const std::string remoteRoot = IncludeTrailingSlash(destination.empty() ? host.InitialRemoteDirectory : destination);
    std::vector<TQueueItem*> items;
    for (std::string path : paths) {
        while (path.size() > 1 && path.back() == '/')
            path.pop_back();
        if (path.empty() || path.front() != '/')
            continue; // the running program's folder is not the sender's
        const std::size_t slash = path.rfind('/');
        const std::string localRoot = path.substr(0, slash + 1);
        items.push_back(&queue.AddUpload(host, localRoot, true, remoteRoot, path));
    }
    return items;
}
