#include "hosts/SiteImport.h"

#include "i18n/Format.h"
#include "i18n/LanguageManager.h"

#include <QByteArray>
#include <QFile>
#include <QString>

#include <pugixml.hpp>

#include <cctype>
#include <charconv>
#include <optional>
#include <sstream>

namespace {

// Folders deeper than this are taken for damage (and would exhaust the stack).
constexpr int kMaxFolderDepth = 64;

// The site manager's protocol numbers that name FTP.
constexpr int kProtocolFtp = 0;          // TLS when the server offers it
constexpr int kProtocolExplicitTls = 4;  // TLS required
constexpr int kProtocolPlainFtp = 6;     // never TLS
constexpr int kLogonAnonymous = 0;

[[noreturn]] void Fail(const std::string& message) { throw ESiteImportError(message); }

[[noreturn]] void FailSite(const std::string& site, const std::string& reason)
{
    Fail(Format(LoadStr("HostsForm_strImportBadSite"), site, reason));
}

std::string Trimmed(std::string_view text)
{
    const auto isSpace = [](char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; };
    while (!text.empty() && isSpace(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isSpace(text.back()))
        text.remove_suffix(1);
    return std::string(text);
}

std::optional<long long> Number(std::string_view text)
{
    long long value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

// The element's own text, its children's left out (a folder's name, the
// name of a site written by older versions).
std::string OwnText(pugi::xml_node element)
{
    std::string text;
    for (pugi::xml_node child = element.first_child(); child; child = child.next_sibling())
        if (child.type() == pugi::node_pcdata || child.type() == pugi::node_cdata)
            text += child.value();
    return Trimmed(text);
}

std::string Field(pugi::xml_node server, const char* name) { return server.child(name).child_value(); }

// "1 0 4 home 3 bob": the server type, then length-prefixed parts, the first
// of which is a prefix (mostly empty); the rest are the folders.
std::optional<std::string> RemoteFolder(const std::string& stored)
{
    const std::string text = Trimmed(stored);
    if (text.empty() || text.front() == '/')
        return text;
    std::string_view rest(text);
    auto next = [&rest]() -> std::optional<std::string> {
        const std::size_t space = rest.find(' ');
        const auto length = Number(rest.substr(0, space));
        if (!length || *length < 0 || space == std::string_view::npos)
            return std::nullopt;
        rest.remove_prefix(space + 1);
        if (static_cast<unsigned long long>(*length) > rest.size())
            return std::nullopt;
        std::string part(rest.substr(0, static_cast<std::size_t>(*length)));
        rest.remove_prefix(static_cast<std::size_t>(*length));
        if (!rest.empty() && rest.front() == ' ')
            rest.remove_prefix(1);
        return part;
    };
    const std::size_t space = rest.find(' ');
    if (!Number(rest.substr(0, space)) || space == std::string_view::npos)
        return std::nullopt;
    rest.remove_prefix(space + 1);
    const auto prefix = next();
    if (!prefix)
        return std::nullopt;
    std::string path = *prefix;
    while (!rest.empty()) {
        const auto part = next();
        if (!part)
            return std::nullopt;
        path += "/" + *part;
    }
    return path.empty() ? "/" : path;
}

class TSiteReader {
public:
    explicit TSiteReader(TSiteImport& result) : result_(result) {}

    void ReadGroup(pugi::xml_node group, THostTreeNode& node, int depth)
    {
        if (depth > kMaxFolderDepth)
            Fail(Format(LoadStr("HostsForm_strImportDamaged"), "folders nested too deep"));
        for (pugi::xml_node child : group.children()) {
            if (std::string_view(child.name()) == "Server") {
                ReadServer(child, node);
            } else if (std::string_view(child.name()) == "Folder") {
                std::string name = OwnText(child);
                ReadGroup(child, node.AddGroup(name.empty() ? LoadStr("HostsForm_IDS_10") : name), depth + 1);
            }
        }
    }

private:
    void ReadServer(pugi::xml_node server, THostTreeNode& group)
    {
        std::string name = Trimmed(Field(server, "Name"));
        if (name.empty())
            name = OwnText(server);
        const std::string hostname = Trimmed(Field(server, "Host"));
        if (name.empty())
            name = hostname;
        const auto protocol = Optional(server, "Protocol", name, kProtocolFtp);
        if (protocol != kProtocolFtp && protocol != kProtocolExplicitTls && protocol != kProtocolPlainFtp) {
            ++result_.Skipped;
            return;
        }
        if (hostname.empty())
            FailSite(name, "it has no host name");
        THost host;
        host.CommonName = name;
        host.Hostname = hostname;
        const auto port = Optional(server, "Port", name, THost::DefaultPort);
        if (port < 1 || port > 65535)
            FailSite(name, "its port " + std::to_string(port) + " is out of range");
        host.Port = static_cast<int>(port);
        host.UseSSL = protocol != kProtocolPlainFtp;
        host.IsAnonymous = Optional(server, "Logontype", name, 1) == kLogonAnonymous;
        if (!host.IsAnonymous) {
            host.Username = Field(server, "User");
            host.Password = Password(server.child("Pass"), name);
        }
        const auto remote = RemoteFolder(Field(server, "RemoteDir"));
        if (!remote)
            FailSite(name, "its remote folder cannot be read");
        host.InitialRemoteDirectory = *remote;
        host.InitialLocalDirectory = Trimmed(Field(server, "LocalDir"));
        host.Passive = Trimmed(Field(server, "PasvMode")) != "MODE_ACTIVE";
        group.AddHost(host);
        ++result_.Imported;
    }

    long long Optional(pugi::xml_node server, const char* field, const std::string& site, long long fallback)
    {
        const std::string text = Trimmed(Field(server, field));
        if (text.empty())
            return fallback;
        const auto value = Number(text);
        if (!value)
            FailSite(site, std::string(field) + " \"" + text + "\" is not a number");
        return *value;
    }

    std::string Password(pugi::xml_node pass, const std::string& site)
    {
        const std::string encoding = pass.attribute("encoding").value();
        const std::string text = pass.child_value();
        if (encoding.empty() || encoding == "plain")
            return text;
        if (encoding == "crypt") {
            ++result_.PasswordsLeftOut;
            return {};
        }
        if (encoding != "base64")
            FailSite(site, "its password is stored in an unknown way (\"" + encoding + "\")");
        const auto decoded = QByteArray::fromBase64Encoding(QByteArray::fromStdString(Trimmed(text)),
                                                            QByteArray::AbortOnBase64DecodingErrors);
        if (!decoded)
            FailSite(site, "its password is not valid base64");
        return decoded.decoded.toStdString();
    }

    TSiteImport& result_;
};

TSiteImport FromSiteManagerFile(std::string_view text)
{
    pugi::xml_document doc;
    const pugi::xml_parse_result parsed = doc.load_buffer(text.data(), text.size());
    if (!parsed) {
        std::ostringstream where;
        where << parsed.description() << " (offset " << parsed.offset << ")";
        Fail(Format(LoadStr("HostsForm_strImportDamaged"), where.str()));
    }
    const pugi::xml_node servers = doc.document_element().child("Servers");
    if (!servers)
        Fail(LoadStr("HostsForm_strImportUnknown"));
    TSiteImport result;
    TSiteReader(result).ReadGroup(servers, result.Tree, 0);
    return result;
}

bool IsFtpScheme(std::string_view line, bool& otherScheme)
{
    const std::size_t end = line.find("://");
    otherScheme = false;
    if (end == std::string_view::npos || end == 0)
        return false;
    for (char c : line.substr(0, end))
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '+' && c != '-' && c != '.')
            return false;
    std::string scheme(line.substr(0, end));
    for (char& c : scheme)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    otherScheme = scheme != "ftp";
    return !otherScheme;
}

TSiteImport FromAddressList(std::string_view text)
{
    TSiteImport result;
    int number = 0;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos)
            end = text.size();
        const std::string line = Trimmed(text.substr(start, end - start));
        start = end + 1;
        ++number;
        if (line.empty() || line.front() == '#')
            continue;
        bool otherScheme = false;
        if (!IsFtpScheme(line, otherScheme) && otherScheme) {
            ++result.Skipped;
            continue;
        }
        THost host;
        try {
            host.FromURL(line);
        } catch (const EHostURLError&) {
            Fail(Format(LoadStr("HostsForm_strImportBadLine"), number, line.substr(0, 200)));
        }
        result.Tree.AddHost(host);
        ++result.Imported;
    }
    return result;
}

} // namespace

TSiteImport TSiteImport::FromText(std::string_view text)
{
    if (text.substr(0, 3) == "\xEF\xBB\xBF")
        text.remove_prefix(3);
    const std::size_t first = text.find_first_not_of(" \t\r\n");
    TSiteImport result = first != std::string_view::npos && text[first] == '<' ? FromSiteManagerFile(text)
                                                                               : FromAddressList(text);
    if (result.Imported == 0 && result.Skipped == 0)
        Fail(LoadStr("HostsForm_strImportNoSites"));
    return result;
}

TSiteImport TSiteImport::FromFile(const std::string& path)
{
    QFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::ReadOnly))
        Fail(Format(LoadStr("HostsForm_strImportUnreadable"), file.errorString().toStdString()));
    if (file.size() > MaxFileSize)
        Fail(Format(LoadStr("HostsForm_strImportUnreadable"), "the file is larger than 32 MiB"));
    const QByteArray bytes = file.read(MaxFileSize + 1);
    if (file.error() != QFileDevice::NoError)
        Fail(Format(LoadStr("HostsForm_strImportUnreadable"), file.errorString().toStdString()));
    return FromText(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
}
