#include "hosts/Host.h"

#include <cstdint>
#include <string_view>

// Any text either fails cleanly or gives a host whose ToURL reads back to
// the same address, port and user.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view url(reinterpret_cast<const char*>(data), size);
    THost host{THostDefaults{}};
    try {
        host.FromURL(url);
    } catch (const EHostURLError&) {
        return 0;
    }
    THost back{THostDefaults{}};
    back.FromURL(host.ToURL());
    if (back.Hostname != host.Hostname || back.Port != host.Port)
        __builtin_trap();
    if (!host.IsAnonymous && back.Username != host.Username)
        __builtin_trap();
    return 0;
}
