// Arbitrary bytes through the language-file reader, and every text it
// yields through Format() and the translators' escaping.
#include "i18n/Format.h"
#include "i18n/LanguageFile.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

// Reading back what the writer escaped gives the text again, with every
// line break as CR LF.
std::string NormaliseBreaks(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r' || c == '\n') {
            if (i + 1 < text.size() && (text[i + 1] == '\r' || text[i + 1] == '\n') && text[i + 1] != c) ++i;
            out += "\r\n";
        } else {
            out.push_back(c);
        }
    }
    return out;
}

void Check(std::string_view text) {
    (void)Format(text, "text", 42, -7, 3.25, std::uint64_t{99});
    if (UnescapeLanguageText(EscapeLanguageText(text)) != NormaliseBreaks(text)) std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const TLanguageFile file = TLanguageFile::Parse(bytes);
    (void)file.LanguageId();
    for (const auto& [key, constant] : file.Constants()) Check(constant.second);
    for (const auto& [window, entries] : file.Windows())
        for (const auto& [number, text] : entries) Check(text);
    Check(bytes);
    return 0;
}
