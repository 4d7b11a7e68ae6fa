#include "FuzzStoreDir.h"

#include "hosts/FileTransferTypes.h"

#include <exception>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    WriteFuzzFile("FileTransferTypes.xml", data, size);
    try {
        TFileTransferTypes types(FuzzStoreDir());
        for (const std::string& entry : types.Entries())
            if (types.TransferTypeOf(entry.substr(0, entry.find('='))) == fttUnknown)
                __builtin_trap();
    } catch (const std::exception&) {
    }
    return 0;
}
