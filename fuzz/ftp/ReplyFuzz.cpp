// Reply reader over arbitrary control-connection bytes: any input either
// parses into a reply or raises EIdException, never anything else.
#include "ftp/IdExceptions.h"
#include "ftp/ReplyFTP.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    try {
        TIdReplyFTP reply;
        if (ParseReplyBytes(bytes, reply)) {
            (void)reply.NumericCode();
            (void)reply.FormattedReply();
            (void)ParseFeatures(reply.Text);
        }
    } catch (const EIdException&) {
    }
    return 0;
}
