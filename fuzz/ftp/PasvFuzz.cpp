// The "227" and "229" address parsers over arbitrary reply text.
#include "ftp/IdExceptions.h"
#include "ftp/ReplyFTP.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::string_view text(reinterpret_cast<const char*>(data), size);
    try {
        (void)ParsePASVReply(text);
    } catch (const EIdException&) {
    }
    try {
        const TIdHostPort address = ParseEPSVReply(text);
        if (address.Port == 0)
            __builtin_trap();
    } catch (const EIdException&) {
    }
    return 0;
}
