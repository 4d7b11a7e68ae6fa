#include "FuzzStoreDir.h"

#include "hosts/FileMask.h"
#include "hosts/Filters.h"

#include <exception>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    WriteFuzzFile("Filters.xml", data, size);
    try {
        TFilters filters(FuzzStoreDir());
        for (const TFilter& filter : filters.Items())
            for (const std::string& mask : filter.Masks) {
                try {
                    TFileMask(mask).Matches(mask);
                } catch (const EMaskException&) {
                }
            }
    } catch (const std::exception&) {
    }
    return 0;
}
