#include "FuzzStoreDir.h"

#include "hosts/QuickHosts.h"

#include <exception>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    WriteFuzzFile("QuickHosts.xml", data, size);
    try {
        TQuickHosts quick(FuzzStoreDir());
        for (const auto& h : quick.Items())
            if (quick.FindByHostID(h->HostID) == nullptr)
                __builtin_trap();
    } catch (const std::exception&) {
    }
    return 0;
}
