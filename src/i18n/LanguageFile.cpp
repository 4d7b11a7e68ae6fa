#include "i18n/LanguageFile.h"

#include "i18n/LocalizationError.h"
#include "i18n/TextEncoding.h"

#include <charconv>
#include <fstream>
#include <system_error>

namespace {

constexpr std::string_view kConstantsSection = "$constants";

std::string_view Trim(std::string_view s) {
    // Blanks and control characters, as the classic trim of the format does.
    while (!s.empty() && static_cast<unsigned char>(s.front()) <= ' ') s.remove_prefix(1);
    while (!s.empty() && static_cast<unsigned char>(s.back()) <= ' ') s.remove_suffix(1);
    return s;
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// Calls `line` for every line of `text`; stops when it answers false.
template <typename F>
void ForEachLine(std::string_view text, F&& line) {
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find_first_of("\r\n", start);
        if (end == std::string_view::npos) end = text.size();
        if (!line(text.substr(start, end - start))) return;
        if (end < text.size() && text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n')
            start = end + 2;
        else
            start = end + 1;
    }
}

bool IsSectionLine(std::string_view trimmed) {
    return trimmed.size() >= 2 && trimmed.front() == '[' && trimmed.back() == ']';
}

std::string ReadFileBytes(const std::filesystem::path& path) {
    std::error_code ec;
    const auto size = std::filesystem::file_size(path, ec);
    if (ec) throw ELocalizationError("Cannot read language file \"" + path.string() + "\": " + ec.message());
    if (size > TLanguageFile::MaxFileSize)
        throw ELocalizationError("Language file \"" + path.string() + "\" is too large");
    std::ifstream in(path, std::ios::binary);
    if (!in) throw ELocalizationError("Cannot open language file \"" + path.string() + "\"");
    std::string bytes(static_cast<std::size_t>(size), '\0');
    in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    bytes.resize(static_cast<std::size_t>(in.gcount()));
    if (in.bad()) throw ELocalizationError("Cannot read language file \"" + path.string() + "\"");
    return bytes;
}

void AppendEscapedChar(std::string& out, unsigned char c) {
    out.push_back('\\');
    out.push_back(static_cast<char>('0' + c / 10));
    out.push_back(static_cast<char>('0' + c % 10));
}

} // namespace

std::string LowerAscii(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return out;
}

std::optional<std::uint16_t> ParseLanguageId(std::string_view text) {
    text = Trim(text);
    if (text.empty() || text.size() > 10) return std::nullopt;
    for (char c : text)
        if (!IsDigit(c)) return std::nullopt;
    unsigned long value = 0;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    if (result.ec != std::errc() || value > 0xFFFF) return std::nullopt;
    return static_cast<std::uint16_t>(value);
}

std::string UnescapeLanguageText(std::string_view value) {
    std::string out;
    out.reserve(value.size());
    for (std::size_t i = 0; i < value.size(); ++i) {
        const char c = value[i];
        if (c != '\\' || i + 1 >= value.size()) {
            out.push_back(c);
            continue;
        }
        const char next = value[i + 1];
        if (next == '\\') {
            out.push_back('\\');
            ++i;
        } else if (next == 'n') {
            out += "\r\n";
            ++i;
        } else if (next == 't') {
            out.push_back('\t');
            ++i;
        } else if (IsDigit(next) && i + 2 < value.size() && IsDigit(value[i + 2])) {
            out.push_back(static_cast<char>((next - '0') * 10 + (value[i + 2] - '0')));
            i += 2;
        } else {
            out.push_back('\\');
        }
    }
    return out;
}

std::string EscapeLanguageText(std::string_view text) {
    // Blanks at the ends would be trimmed away by the reader.
    std::size_t lead = 0;
    while (lead < text.size() && text[lead] == ' ') ++lead;
    std::size_t trail = 0;
    while (trail < text.size() - lead && text[text.size() - 1 - trail] == ' ') ++trail;

    std::string out;
    out.reserve(text.size() + 8);
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c == ' ' && (i < lead || i >= text.size() - trail)) {
            AppendEscapedChar(out, c);
        } else if (c == '\r' || c == '\n') {
            // CR LF and LF CR are one break; a lone CR or LF is one too.
            if (i + 1 < text.size() && (text[i + 1] == '\r' || text[i + 1] == '\n') && text[i + 1] != text[i]) ++i;
            out += "\\n";
        } else if (c == '\t') {
            out += "\\t";
        } else if (c == '\\') {
            out += "\\\\";
        } else if (c < 32) {
            AppendEscapedChar(out, c);
        } else {
            out.push_back(static_cast<char>(c));
        }
    }
    return out;
}

TLanguageFile TLanguageFile::Parse(std::string_view fileBytes) {
    TLanguageFile file;
    const std::string text = DecodeLanguageFileBytes(fileBytes);
    std::string section;  // lower case; empty = header
    ForEachLine(text, [&](std::string_view raw) {
        const std::string_view line = Trim(raw);
        if (IsSectionLine(line)) {
            const std::string_view name = Trim(line.substr(1, line.size() - 2));
            if (!name.empty()) section = LowerAscii(name);  // "[]" names nothing: ignored
            return true;
        }
        const std::size_t eq = line.find('=');
        if (eq == std::string_view::npos) return true;
        const std::string_view name = Trim(line.substr(0, eq));
        if (!name.empty()) file.AddEntry(section, name, UnescapeLanguageText(Trim(line.substr(eq + 1))));
        return true;
    });
    return file;
}

void TLanguageFile::AddEntry(const std::string& section, std::string_view name, std::string value) {
    if (section.empty()) {
        header_[LowerAscii(name)] = std::move(value);
    } else if (section == kConstantsSection) {
        constants_[LowerAscii(name)] = {std::string(name), std::move(value)};
    } else {
        int number = 0;
        const auto result = std::from_chars(name.data(), name.data() + name.size(), number);
        if (result.ec != std::errc() || result.ptr != name.data() + name.size() || number <= 0) return;
        windows_[section][number] = std::move(value);
    }
}

TLanguageFile TLanguageFile::Load(const std::filesystem::path& path) {
    return Parse(ReadFileBytes(path));
}

std::optional<std::uint16_t> TLanguageFile::ReadLanguageId(const std::filesystem::path& path) {
    const std::string text = DecodeLanguageFileBytes(ReadFileBytes(path));
    std::optional<std::uint16_t> id;
    ForEachLine(text, [&](std::string_view raw) {
        const std::string_view line = Trim(raw);
        if (IsSectionLine(line)) return false;
        const std::size_t eq = line.find('=');
        if (eq != std::string_view::npos && LowerAscii(Trim(line.substr(0, eq))) == "langid")
            id = ParseLanguageId(UnescapeLanguageText(Trim(line.substr(eq + 1))));
        return true;
    });
    return id;
}

std::optional<std::uint16_t> TLanguageFile::LanguageId() const {
    const auto value = HeaderValue("LANGID");
    if (!value) return std::nullopt;
    return ParseLanguageId(*value);
}

std::optional<std::string> TLanguageFile::HeaderValue(std::string_view name) const {
    const auto it = header_.find(LowerAscii(name));
    if (it == header_.end()) return std::nullopt;
    return it->second;
}

std::optional<std::string> TLanguageFile::Constant(std::string_view name) const {
    const auto it = constants_.find(LowerAscii(name));
    if (it == constants_.end()) return std::nullopt;
    return it->second.second;
}

std::map<int, std::string> TLanguageFile::WindowTexts(std::string_view windowName) const {
    const auto it = windows_.find(LowerAscii(windowName));
    if (it == windows_.end()) return {};
    return it->second;
}

std::string WriteLanguageFile(std::uint16_t languageId,
                              const std::map<std::string, std::string>& constants,
                              const std::map<std::string, std::map<int, std::string>>& windows) {
    std::string out = "\xEF\xBB\xBF";
    out += "LANGID=" + std::to_string(languageId) + "\r\n\r\n[$CONSTANTS]\r\n";
    for (const auto& [name, text] : constants) out += name + "=" + EscapeLanguageText(text) + "\r\n";
    for (const auto& [window, entries] : windows) {
        out += "\r\n[" + window + "]\r\n";
        for (const auto& [number, text] : entries)
            out += std::to_string(number) + "=" + EscapeLanguageText(text) + "\r\n";
    }
    return out;
}
