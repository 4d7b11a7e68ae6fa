#include "hosts/SiteImport.h"

#include <cstdint>
#include <string_view>

namespace {

int CountHosts(const THostTreeNode& node)
{
    int hosts = 0;
    for (const auto& child : node.Children) {
        if (child->IsHost()) {
            const THost& host = *child->Host;
            if (host.Hostname.empty() || host.Port < 1 || host.Port > 65535 || host.HostID.size() != 38)
                __builtin_trap();
            ++hosts;
        }
        hosts += CountHosts(*child);
    }
    return hosts;
}

} // namespace

// Any file is either refused whole with an import error or gives a tree
// whose hosts all have a host name, a usable port and a host ID, as many
// as the import counts.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    try {
        const TSiteImport sites = TSiteImport::FromText(text);
        if (CountHosts(sites.Tree) != sites.Imported)
            __builtin_trap();
    } catch (const ESiteImportError&) {
    }
    return 0;
}
