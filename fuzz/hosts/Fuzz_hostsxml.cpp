#include "FuzzStoreDir.h"

#include "hosts/Hosts.h"

#include <exception>

// Loads "Hosts.xml", then writes the loaded tree back into the document and
// loads that: every host read must come back field for field.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    WriteFuzzFile("Hosts.xml", data, size);
    try {
        THosts hosts(FuzzStoreDir());
        std::vector<THost> first;
        for (const auto& h : hosts.Items())
            first.push_back(*h);
        THostTreeNode tree;
        hosts.FillTree(tree);
        hosts.ReplaceFromTree(tree);
        if (hosts.Items().size() != first.size())
            __builtin_trap();
        for (std::size_t i = 0; i < first.size(); ++i)
            if (!(*hosts.Items()[i] == first[i]))
                __builtin_trap();
        hosts.FindByHostID("{00000000-0000-0000-0000-000000000000}");
    } catch (const std::exception&) {
    }
    return 0;
}
