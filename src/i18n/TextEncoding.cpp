#include "i18n/TextEncoding.h"

#include <array>
#include <cstdint>

namespace {

constexpr char32_t kReplacement = 0xFFFD;

// Windows-1252 in 0x80..0x9F. The five positions the code page leaves
// undefined map to the C1 control of the same number, as the system's own
// conversion does, so no byte is lost.
constexpr std::array<char16_t, 32> kHighControls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

unsigned char Byte(std::string_view s, std::size_t i) {
    return static_cast<unsigned char>(s[i]);
}

// Length of the valid UTF-8 sequence starting at `i`, or 0 when invalid.
std::size_t ValidUtf8Length(std::string_view s, std::size_t i, char32_t& cp) {
    const unsigned char b0 = Byte(s, i);
    std::size_t len = 0;
    char32_t min = 0;
    if (b0 < 0x80) {
        cp = b0;
        return 1;
    } else if ((b0 & 0xE0) == 0xC0) {
        len = 2; cp = b0 & 0x1F; min = 0x80;
    } else if ((b0 & 0xF0) == 0xE0) {
        len = 3; cp = b0 & 0x0F; min = 0x800;
    } else if ((b0 & 0xF8) == 0xF0) {
        len = 4; cp = b0 & 0x07; min = 0x10000;
    } else {
        return 0;
    }
    if (i + len > s.size()) return 0;
    for (std::size_t k = 1; k < len; ++k) {
        const unsigned char b = Byte(s, i + k);
        if ((b & 0xC0) != 0x80) return 0;
        cp = (cp << 6) | (b & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
    return len;
}

} // namespace

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) cp = kReplacement;
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

TTextEncoding DetectEncoding(std::string_view bytes, std::size_t& bomLength) {
    if (bytes.size() >= 2 && Byte(bytes, 0) == 0xFF && Byte(bytes, 1) == 0xFE) {
        bomLength = 2;
        return TTextEncoding::teUtf16LE;
    }
    if (bytes.size() >= 2 && Byte(bytes, 0) == 0xFE && Byte(bytes, 1) == 0xFF) {
        bomLength = 2;
        return TTextEncoding::teUtf16BE;
    }
    if (bytes.size() >= 3 && Byte(bytes, 0) == 0xEF && Byte(bytes, 1) == 0xBB && Byte(bytes, 2) == 0xBF) {
        bomLength = 3;
        return TTextEncoding::teUtf8;
    }
    bomLength = 0;
    return TTextEncoding::teWindows1252;
}

std::string DecodeLanguageFileBytes(std::string_view bytes) {
    std::size_t bom = 0;
    const TTextEncoding encoding = DetectEncoding(bytes, bom);
    const std::string_view body = bytes.substr(bom);
    switch (encoding) {
    case TTextEncoding::teUtf16LE: return Utf16ToUtf8(body, false);
    case TTextEncoding::teUtf16BE: return Utf16ToUtf8(body, true);
    case TTextEncoding::teUtf8: return SanitizeUtf8(body);
    case TTextEncoding::teWindows1252: break;
    }
    return Windows1252ToUtf8(body);
}

std::string Windows1252ToUtf8(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 8);
    for (std::size_t i = 0; i < bytes.size(); ++i)
        AppendUtf8(out, Windows1252CodePoint(Byte(bytes, i)));
    return out;
}

char32_t Windows1252CodePoint(unsigned char byte) {
    return byte >= 0x80 && byte <= 0x9F ? kHighControls[byte - 0x80] : byte;
}

std::string Utf16ToUtf8(std::string_view bytes, bool bigEndian) {
    std::string out;
    out.reserve(bytes.size());
    const std::size_t units = bytes.size() / 2;
    auto unit = [&](std::size_t k) -> char16_t {
        const unsigned a = Byte(bytes, 2 * k);
        const unsigned b = Byte(bytes, 2 * k + 1);
        return static_cast<char16_t>(bigEndian ? (a << 8 | b) : (b << 8 | a));
    };
    for (std::size_t k = 0; k < units; ++k) {
        const char16_t u = unit(k);
        if (u >= 0xD800 && u <= 0xDBFF && k + 1 < units) {
            const char16_t low = unit(k + 1);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                AppendUtf8(out, 0x10000 + ((static_cast<char32_t>(u) - 0xD800) << 10) + (low - 0xDC00));
                ++k;
                continue;
            }
        }
        AppendUtf8(out, (u >= 0xD800 && u <= 0xDFFF) ? kReplacement : u);
    }
    if (bytes.size() % 2 != 0) AppendUtf8(out, kReplacement);
    return out;
}

std::string SanitizeUtf8(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    std::size_t i = 0;
    while (i < bytes.size()) {
        char32_t cp = 0;
        const std::size_t len = ValidUtf8Length(bytes, i, cp);
        if (len == 0) {
            AppendUtf8(out, kReplacement);
            ++i;
        } else {
            out.append(bytes.substr(i, len));
            i += len;
        }
    }
    return out;
}
