// FEAT capability and language lists over arbitrary reply lines.
#include "ftp/ReplyFTP.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::vector<std::string> lines;
    std::string current;
    for (std::size_t i = 0; i < size; ++i) {
        if (data[i] == '\n') {
            lines.push_back(current);
            current.clear();
        } else {
            current += static_cast<char>(data[i]);
        }
    }
    lines.push_back(current);
    const auto features = ParseFeatures(lines);
    (void)HasCapability(features, "EPSV");
    (void)HasCapability(features, "UTF8");
    (void)ParseLanguages(features);
    return 0;
}
