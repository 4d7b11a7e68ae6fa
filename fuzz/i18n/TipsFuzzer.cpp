// Arbitrary bytes as a tip file: loaded, stepped through both ways, each
// tip's text (and the bytes themselves) turned from RTF into HTML, whose
// bold/italic/underline tags must come out balanced.
#include "../hosts/FuzzStoreDir.h"

#include "i18n/RichText.h"
#include "i18n/Tips.h"
#include "store/MainConfig.h"

#include <cstdlib>
#include <exception>
#include <string>
#include <string_view>

namespace {

std::size_t Count(std::string_view text, std::string_view what)
{
    std::size_t n = 0;
    for (auto at = text.find(what); at != std::string_view::npos; at = text.find(what, at + 1))
        ++n;
    return n;
}

void CheckHtml(std::string_view rtf)
{
    const std::string html = RtfToHtml(rtf);
    for (std::string_view tag : {"b>", "i>", "u>"}) {
        const std::string open = "<" + std::string(tag);
        const std::string close = "</" + std::string(tag);
        if (Count(html, open) != Count(html, close))
            std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    CheckHtml(bytes);
    WriteFuzzFile(TTips::FileName(1033), data, size);
    try {
        TMainConfig config(FuzzStoreDir());
        for (int step = 0; step < 4; ++step) {
            TTips tips(config, FuzzStoreDir(), 1033);
            const std::string text = step % 2 ? tips.PreviousTip() : tips.NextTip();
            CheckHtml(text);
            if (tips.Selected() && tips.Selected()->Content != text)
                std::abort();
        }
    } catch (const std::exception&) {
    }
    return 0;
}
