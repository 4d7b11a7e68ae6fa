#include "hosts/FileMask.h"

#include <cstdint>
#include <string_view>

// Input: mask, a newline, then the name.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const std::size_t split = text.find('\n');
    const std::string_view mask = text.substr(0, split);
    const std::string_view name = split == std::string_view::npos ? std::string_view() : text.substr(split + 1);
    try {
        const TFileMask m(mask);
        m.Matches(name);
        if (!TFileMask("*").Matches(name))
            __builtin_trap();
    } catch (const EMaskException&) {
    }
    return 0;
}
