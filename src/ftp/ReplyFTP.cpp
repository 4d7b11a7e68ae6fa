#include "ftp/ReplyFTP.h"

#include "ftp/IdExceptions.h"

#include <charconv>

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

bool ToInt(std::string_view text, long long& value)
{
    if (text.empty())
        return false;
    const char* first = text.data();
    if (*first == '+')
        ++first;
    auto [end, ec] = std::from_chars(first, text.data() + text.size(), value);
    return ec == std::errc() && end == text.data() + text.size();
}

bool EqualsNoCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'a' && x <= 'z') x = static_cast<char>(x - 32);
        if (y >= 'a' && y <= 'z') y = static_cast<char>(y - 32);
        if (x != y)
            return false;
    }
    return true;
}

}  // namespace

std::string_view IdTrim(std::string_view text)
{
    // Control characters count as blanks here, as for any trimmed line.
    while (!text.empty() && static_cast<unsigned char>(text.front()) <= ' ')
        text.remove_prefix(1);
    while (!text.empty() && static_cast<unsigned char>(text.back()) <= ' ')
        text.remove_suffix(1);
    return text;
}

std::string IdUpper(std::string_view text)
{
    std::string out(text);
    for (char& c : out)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 32);
    return out;
}

int TIdReplyFTP::NumericCode() const
{
    long long value = 0;
    return ToInt(Code, value) && value >= 0 && value <= 999 ? static_cast<int>(value) : 0;
}

std::string TIdReplyFTP::FormattedReply() const
{
    std::string out;
    for (std::size_t i = 0; i < Text.size(); ++i)
        out += Code + (i + 1 < Text.size() ? "-" : " ") + Text[i] + "\r\n";
    if (Text.empty())
        out = Code + " \r\n";
    return out;
}

std::string TIdReplyFTP::TextWithLineEnds() const
{
    std::string out;
    for (const auto& line : Text)
        out += line + "\r\n";
    return out;
}

std::string TIdReplyFTP::JoinedText() const
{
    std::string out;
    for (const auto& line : Text) {
        if (!out.empty())
            out += ' ';
        out += line;
    }
    return out;
}

void TIdReplyFTP::Clear()
{
    Code.clear();
    Text.clear();
    ReplyFormat = rfNormal;
}

bool TIdReplyReader::IsEndLine(std::string_view line)
{
    long long value = 0;
    if (line.size() < 4)
        return ToInt(line, value);
    return ToInt(line.substr(0, 3), value) && line[3] == ' ';
}

bool TIdReplyReader::Feed(std::string_view line)
{
    if (lines_.empty()) {
        line = IdTrim(line);
        if (line.empty())
            return false;
    }
    lines_.emplace_back(line);
    return IsEndLine(lines_.back());
}

void TIdReplyReader::Finish(TIdReplyFTP& reply)
{
    reply.Clear();
    if (lines_.empty())
        return;
    const std::string& first = lines_.front();
    std::string code(IdTrim(std::string_view(first).substr(0, 4)));
    if (code.size() == 4 && code.back() == '-')
        code.pop_back();
    long long value = 0;
    if (!code.empty() && !(ToInt(code, value) && value >= 100 && value <= 999))
        throw EIdException("Reply Code is not valid: " + code);
    reply.Code = code;
    reply.Text.push_back(first.size() > 4 ? first.substr(4) : std::string());
    for (std::size_t i = 1; i < lines_.size(); ++i) {
        const std::string& line = lines_[i];
        if (line.size() >= 3 && EqualsNoCase(std::string_view(line).substr(0, 3), code)) {
            reply.Text.push_back(line.size() > 4 ? line.substr(4) : std::string());
        } else {
            std::size_t start = 0;
            while (start < line.size() && line[start] == ' ')
                ++start;
            if (start > 0)
                reply.ReplyFormat = rfIndentMidLines;
            reply.Text.push_back(line.substr(start));
        }
    }
    lines_.clear();
}

bool ParseReplyBytes(std::string_view bytes, TIdReplyFTP& reply)
{
    TIdReplyReader reader;
    while (!bytes.empty()) {
        const auto lf = bytes.find('\n');
        if (lf == std::string_view::npos)
            return false;
        std::string_view line = bytes.substr(0, lf);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        bytes.remove_prefix(lf + 1);
        if (reader.Feed(line)) {
            reader.Finish(reply);
            return true;
        }
    }
    return false;
}

TIdHostPort ParsePASVReply(std::string_view firstLine)
{
    std::string_view text = IdTrim(firstLine);
    const auto open = text.find('(');
    const auto close = text.find(')');
    if (open != std::string_view::npos && close != std::string_view::npos && close > open) {
        text = text.substr(open + 1, close - open - 1);
    } else {
        const auto blank = text.rfind(' ');
        if (blank != std::string_view::npos)
            text = text.substr(blank + 1);
    }
    int fields[6] = {};
    for (int i = 0; i < 6; ++i) {
        const auto comma = text.find(',');
        std::string_view field = IdTrim(i < 5 ? text.substr(0, comma) : text);
        long long value = 0;
        if (!ToInt(field, value) || value < 0 || value > 255 || (i < 5 && comma == std::string_view::npos))
            throw EIdConvertError(std::string(field));
        fields[i] = static_cast<int>(value);
        if (i < 5)
            text.remove_prefix(comma + 1);
    }
    TIdHostPort result;
    result.Host = std::to_string(fields[0]) + "." + std::to_string(fields[1]) + "." + std::to_string(fields[2]) +
                  "." + std::to_string(fields[3]);
    result.Port = static_cast<std::uint16_t>(fields[4] * 256 + fields[5]);
    return result;
}

TIdHostPort ParseEPSVReply(std::string_view firstLine)
{
    std::string_view text = IdTrim(firstLine);
    const auto open = text.find('(');
    const auto close = text.find(')', open == std::string_view::npos ? 0 : open);
    if (open == std::string_view::npos || close == std::string_view::npos || close <= open + 1)
        throw EIdFTPServerSentInvalidPort("");
    text = text.substr(open + 1, close - open - 1);
    const char delimiter = text.front();
    std::vector<std::string_view> fields;
    while (true) {
        const auto at = text.find(delimiter);
        fields.push_back(text.substr(0, at));
        if (at == std::string_view::npos)
            break;
        text.remove_prefix(at + 1);
    }
    // "|||6446|" splits into "", "", "", "6446", "".
    const std::string_view port = fields.size() > 3 ? fields[3] : std::string_view();
    long long value = 0;
    if (!ToInt(port, value) || value <= 0 || value > 65535)
        throw EIdFTPServerSentInvalidPort(std::string(port));
    TIdHostPort result;
    result.Host = std::string(fields.size() > 2 ? fields[2] : std::string_view());
    result.Port = static_cast<std::uint16_t>(value);
    return result;
}

std::vector<std::string> ParseFeatures(const std::vector<std::string>& text)
{
    std::vector<std::string> features(text);
    if (!features.empty())
        features.erase(features.begin());
    if (!features.empty())
        features.pop_back();
    return features;
}

namespace {

std::string_view FirstWord(std::string_view entry)
{
    while (!entry.empty() && IsBlank(entry.front()))
        entry.remove_prefix(1);
    std::size_t end = 0;
    while (end < entry.size() && !IsBlank(entry[end]))
        ++end;
    return entry.substr(0, end);
}

}  // namespace

bool HasCapability(const std::vector<std::string>& features, std::string_view name)
{
    for (const auto& entry : features)
        if (IdUpper(FirstWord(entry)) == name)
            return true;
    return false;
}

std::vector<std::string> ParseLanguages(const std::vector<std::string>& features)
{
    std::vector<std::string> languages;
    for (const auto& entry : features) {
        const std::string_view word = FirstWord(entry);
        if (IdUpper(word) != "LANG")
            continue;
        std::string_view rest = std::string_view(entry);
        rest = IdTrim(rest.substr(rest.find(word) + word.size()));
        while (!rest.empty()) {
            const auto semi = rest.find(';');
            const auto part = IdTrim(rest.substr(0, semi));
            if (!part.empty())
                languages.emplace_back(part);
            if (semi == std::string_view::npos)
                break;
            rest.remove_prefix(semi + 1);
        }
        break;
    }
    return languages;
}
