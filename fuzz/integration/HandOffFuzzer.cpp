// Arbitrary bytes as a hand-off connection, fed whole and in pieces, and as
// a command line (arguments split at NUL). Checks: the parser never reads
// past what it was given, both feeds agree, a message it accepts encodes
// back to bytes that parse to the same message, and a command line either
// is refused with the hand-off error or makes a message that fits.

#include "integration/HandOffClient.h"
#include "integration/HandOffMessage.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace {

THandOffParser ParseInPieces(std::string_view bytes, std::size_t piece)
{
    THandOffParser parser;
    for (std::size_t at = 0; at < bytes.size() && parser.State() == THandOffParser::TState::NeedMore; at += piece)
        parser.Feed(bytes.substr(at, piece));
    return parser;
}

void CheckConnection(std::string_view bytes, std::size_t piece)
{
    THandOffParser whole;
    whole.Feed(bytes);
    const THandOffParser pieces = ParseInPieces(bytes, piece);
    if (whole.State() != pieces.State())
        std::abort();
    if (whole.State() != THandOffParser::TState::Complete)
        return;
    if (!(whole.Message() == pieces.Message()))
        std::abort();
    THandOffParser again;
    if (again.Feed(whole.Message().Encode()) != THandOffParser::TState::Complete || !(again.Message() == whole.Message()))
        std::abort();
    for (const auto& path : whole.Message().Paths())
        if (path.empty() || path.find('\n') != std::string::npos)
            std::abort();
}

void CheckCommandLine(std::string_view bytes)
{
    std::vector<std::string> args;
    std::size_t start = 0;
    while (start <= bytes.size()) {
        const std::size_t end = std::min(bytes.find('\0', start), bytes.size());
        args.emplace_back(bytes.substr(start, end - start));
        start = end + 1;
    }
    try {
        if (const auto message = ParseHandOffArguments(args, "/work"))
            if (message->Encode().size() > THandOffMessage::HeaderSize + THandOffMessage::FilesBlockSize)
                std::abort();
    } catch (const EHandOffMessageError&) {
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    const std::size_t piece = 1 + data[0] % 17;
    const std::string_view bytes(reinterpret_cast<const char*>(data + 1), size - 1);
    CheckConnection(bytes, piece);
    CheckCommandLine(bytes);
    return 0;
}
