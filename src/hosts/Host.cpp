#include "hosts/Host.h"

#include "store/Helpers.h"
#include "store/MainConfig.h"

#include <QString>
#include <QUuid>

#include <algorithm>
#include <charconv>

namespace {

QString Q(std::string_view s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }

bool NeedsEscape(unsigned char c)
{
    return c <= 0x20 || c == 0x7F || std::string_view(":@/?#%[]").find(static_cast<char>(c)) != std::string_view::npos;
}

std::string PercentEncode(std::string_view text)
{
    static constexpr char digits[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : text) {
        if (NeedsEscape(c)) {
            out += '%';
            out += digits[c >> 4];
            out += digits[c & 15];
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

bool EqualsNoCaseAscii(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

int ParsePort(std::string_view text)
{
    int port = 0;
    const auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), port);
    if (text.empty() || ec != std::errc() || ptr != text.data() + text.size() || port < 1 || port > 65535)
        return THost::DefaultPort;
    return port;
}

struct TParsedURL {
    bool HasUser = false;
    std::string Username;
    std::string Password;
    std::string Host;
    int Port = THost::DefaultPort;
    std::string Path;
};

void SplitHostPort(std::string_view url, std::string_view hostPort, TParsedURL& parsed)
{
    std::string_view portText;
    if (!hostPort.empty() && hostPort.front() == '[') {
        const std::size_t close = hostPort.find(']');
        if (close == std::string_view::npos)
            throw EHostURLError("'" + std::string(url) + "' has an unterminated \"[\" in its host name");
        parsed.Host = std::string(hostPort.substr(1, close - 1));
        const std::string_view after = hostPort.substr(close + 1);
        if (!after.empty() && after.front() != ':')
            throw EHostURLError("'" + std::string(url) + "' has text after \"]\" in its host name");
        if (!after.empty())
            portText = after.substr(1);
    } else {
        const std::size_t colon = hostPort.find(':');
        parsed.Host = std::string(hostPort.substr(0, colon));
        if (colon != std::string_view::npos)
            portText = hostPort.substr(colon + 1);
    }
    if (parsed.Host.empty())
        throw EHostURLError("'" + std::string(url) + "' names no host");
    parsed.Port = ParsePort(portText);
}

TParsedURL ParseFtpURL(std::string_view url)
{
    const std::size_t schemeEnd = url.find("://");
    if (schemeEnd == std::string_view::npos || !EqualsNoCaseAscii(url.substr(0, schemeEnd), "ftp"))
        throw EHostURLError("'" + std::string(url) + "' is not an ftp:// address");
    const std::string_view rest = url.substr(schemeEnd + 3);
    const std::size_t authorityEnd = std::min(rest.find_first_of("/?#"), rest.size());
    const std::string_view authority = rest.substr(0, authorityEnd);

    TParsedURL parsed;
    std::string_view hostPort = authority;
    const std::size_t at = authority.rfind('@');
    if (at != std::string_view::npos) {
        const std::string_view userInfo = authority.substr(0, at);
        const std::size_t colon = userInfo.find(':');
        parsed.Username = PercentDecode(userInfo.substr(0, colon));
        if (colon != std::string_view::npos)
            parsed.Password = PercentDecode(userInfo.substr(colon + 1));
        parsed.HasUser = !parsed.Username.empty();
        hostPort = authority.substr(at + 1);
    }
    SplitHostPort(url, hostPort, parsed);

    // Only the directory part: a last segment without a trailing "/" names a file.
    std::string_view tail = rest.substr(authorityEnd);
    tail = tail.substr(0, std::min(tail.find_first_of("?#"), tail.size()));
    if (!tail.empty() && tail.front() == '/')
        tail.remove_prefix(1);
    const std::size_t lastSlash = tail.rfind('/');
    parsed.Path = "/" + (lastSlash == std::string_view::npos ? std::string() : PercentDecode(tail.substr(0, lastSlash + 1)));
    return parsed;
}

} // namespace

int CompareTextNoCase(std::string_view a, std::string_view b)
{
    const int r = QString::compare(Q(a), Q(b), Qt::CaseInsensitive);
    return r < 0 ? -1 : (r > 0 ? 1 : 0);
}

THostDefaults THostDefaults::FromSettings()
{
    THostDefaults defaults;
    if (const TMainConfig* config = TMainConfig::Instance()) {
        defaults.DefaultDialupConnection = config->DefaultDialupConnection();
        defaults.DefaultProxyType = config->DefaultProxyType();
    }
    return defaults;
}

THost::THost() : THost(THostDefaults::FromSettings()) {}

THost::THost(const THostDefaults& defaults)
    : HostID(GenerateHostID()), DialupConnection(defaults.DefaultDialupConnection),
      UseDefaultProxySettings(defaults.DefaultProxyType != fpcmNone),
      UseDefaultDialupConnection(!defaults.DefaultDialupConnection.empty())
{
}

void THost::Assign(const THost& other)
{
    if (this != &other)
        *this = other;
}

std::string THost::GenerateHostID()
{
    return QUuid::createUuid().toString(QUuid::WithBraces).toUpper().toStdString();
}

void THost::NewHostID() { HostID = GenerateHostID(); }

void THost::AddBookmark(std::string_view path)
{
    const auto it = std::lower_bound(bookmarks_.begin(), bookmarks_.end(), path,
                                     [](const std::string& e, std::string_view p) { return CompareTextNoCase(e, p) < 0; });
    if (it != bookmarks_.end() && CompareTextNoCase(*it, path) == 0)
        return;
    bookmarks_.insert(it, std::string(path));
}

bool THost::DeleteBookmark(std::string_view path)
{
    const auto it = std::find_if(bookmarks_.begin(), bookmarks_.end(),
                                 [&](const std::string& e) { return CompareTextNoCase(e, path) == 0; });
    if (it == bookmarks_.end())
        return false;
    bookmarks_.erase(it);
    return true;
}

std::string THost::ToURL() const
{
    std::string host = Hostname;
    const bool bracketed = host.size() > 1 && host.front() == '[' && host.back() == ']';
    if (!bracketed && (host.find(':') != std::string::npos || (!host.empty() && host.front() == '[')))
        host = "[" + host + "]";
    return "ftp://" + PercentEncode(Username) + ":" + PercentEncode(IsAnonymous ? Password : std::string()) + "@" +
           host + ":" + std::to_string(Port) + "/";
}

void THost::FromURL(std::string_view url)
{
    TParsedURL parsed = ParseFtpURL(url);
    if (parsed.HasUser) {
        Username = std::move(parsed.Username);
        Password = std::move(parsed.Password);
        IsAnonymous = false;
    } else {
        IsAnonymous = true;
    }
    CommonName = parsed.Host;
    Hostname = std::move(parsed.Host);
    Port = parsed.Port;
    InitialRemoteDirectory = std::move(parsed.Path);
}
