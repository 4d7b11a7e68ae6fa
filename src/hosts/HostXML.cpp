#include "hosts/HostXML.h"

#include "hosts/PasswordProtection.h"

#include <cctype>
#include <limits>
#include <optional>
#include <sstream>

namespace HostXML {

namespace {

class TReader {
public:
    explicit TReader(pugi::xml_node element) : element_(element) {}

    std::string Text(std::string_view name) const
    {
        auto value = TXMLDocument::Attribute(element_, name);
        if (!value)
            throw EMissingAttribute("Attribute \"" + std::string(name) + "\" is missing");
        return *value;
    }
    bool Bool(std::string_view name) const { return TXMLDocument::ParseBool(Text(name)); }
    int Int(std::string_view name) const
    {
        const long long v = TXMLDocument::ParseInt(Text(name));
        if (v < std::numeric_limits<int>::min() || v > std::numeric_limits<int>::max())
            throw EConvertError("'" + Text(name) + "' is not a valid integer value");
        return static_cast<int>(v);
    }
    // The control port falls back to 21 when it is not a number.
    int Port(std::string_view name) const
    {
        const std::string text = Text(name);
        try {
            const long long v = TXMLDocument::ParseInt(text);
            if (v >= std::numeric_limits<int>::min() && v <= std::numeric_limits<int>::max())
                return static_cast<int>(v);
        } catch (const EConvertError&) {
        }
        return THost::DefaultPort;
    }

    pugi::xml_node Element() const { return element_; }

private:
    pugi::xml_node element_;
};

// A field the file marks as kept in the keyring: its password there (empty
// while unreadable). nullopt when the file holds the password itself.
std::optional<std::string> KeyringSecret(const TReader& r, const THost& host, bool proxy,
                                         const THostSecrets* secrets)
{
    const pugi::xml_node element = r.Element();
    const char* attribute = proxy ? "ProxyPassword" : "Password";
    const char* mark = proxy ? THostSecrets::ProxyMark : THostSecrets::LoginMark;
    if (!secrets || TXMLDocument::Attribute(element, attribute) || !TXMLDocument::Attribute(element, mark)
        || !r.Bool(mark))
        return std::nullopt;
    const std::string key = proxy ? secrets->ProxyKey(host.HostID) : secrets->LoginKey(host.HostID);
    return secrets->Password(key).value_or(std::string());
}

void ReadProxy(const TReader& r, THost& host, const THostSecrets* secrets)
{
    host.UseDefaultProxySettings = r.Bool("UseDefaultProxySettings");
    if (host.UseDefaultProxySettings)
        return;
    const int type = r.Int("ProxyType");
    if (type < fpcmNone || type > fpcmCustomProxy)
        throw EConvertError("'" + std::to_string(type) + "' is not a valid proxy type");
    host.ProxySettings.ProxyType = static_cast<TIdFtpProxyType>(type);
    host.ProxySettings.Host = r.Text("ProxyHost");
    host.ProxySettings.Port = r.Int("ProxyPort");
    host.ProxySettings.UserName = r.Text("ProxyUsername");
    const auto kept = KeyringSecret(r, host, true, secrets);
    host.ProxySettings.Password = kept ? *kept : r.Text("ProxyPassword");
}

void ReadBookmarks(pugi::xml_node element, THost& host)
{
    const pugi::xml_node bookmarks = TXMLDocument::FindChild(element, "Bookmarks");
    if (!bookmarks)
        return;
    for (pugi::xml_node b : TXMLDocument::Elements(bookmarks))
        if (std::string_view(b.name()) == "Bookmark")
            host.AddBookmark(TReader(b).Text("Path"));
}

} // namespace

std::string ParseGUID(std::string_view text)
{
    std::string upper(text);
    for (char& c : upper)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (!TXMLDocument::IsGUIDText(upper))
        throw EConvertError("'" + std::string(text) + "' is not a valid GUID value");
    return upper;
}

THost ReadHost(pugi::xml_node element, THostFormat format, const THostSecrets* secrets)
{
    const TReader r(element);
    THost host;
    host.HostID = ParseGUID(r.Text("HostID"));
    host.CommonName = r.Text("CommonName");
    host.Hostname = r.Text("Hostname");
    host.Port = r.Port("Port");
    host.Username = r.Text("Username");
    const auto kept = KeyringSecret(r, host, false, secrets);
    host.Password = kept ? *kept : DecryptPassword(host.HostID, r.Text("Password"));
    if (format == THostFormat::QuickHosts)
        host.IsAnonymous = r.Bool("IsAnonymous");
    host.InitialRemoteDirectory = r.Text("InitialRemoteDirectory");
    host.InitialLocalDirectory = r.Text("InitialLocalDirectory");
    if (format == THostFormat::HostTree)
        host.IsAnonymous = r.Bool("IsAnonymous");
    host.Passive = r.Bool("Passive");
    host.UseSSL = r.Bool("UseSSL");
    if (format == THostFormat::HostTree) {
        host.UseDefaultDialupConnection = r.Bool("UseDefaultDialupConnection");
        if (!host.UseDefaultDialupConnection)
            host.DialupConnection = r.Text("DialupConnection");
        host.DisconnectDialupAfterDisconnect = r.Bool("DisconnectDialupAfterDisconnect");
    }
    ReadProxy(r, host, secrets);
    if (format == THostFormat::HostTree)
        ReadBookmarks(element, host);
    return host;
}

void WriteHost(TXMLDocument& doc, pugi::xml_node element, const THost& host, THostFormat format,
               const THostSecrets* secrets)
{
    element.remove_attributes();
    doc.MarkChanged();
    auto set = [&](std::string_view name, std::string_view value) { doc.SetAttribute(element, name, value); };
    auto setBool = [&](std::string_view name, bool value) { set(name, TXMLDocument::BoolText(value)); };
    const bool tree = format == THostFormat::HostTree;

    set("CommonName", host.CommonName);
    set("Hostname", host.Hostname);
    set("Port", std::to_string(host.Port));
    set("Username", host.Username);
    // A password the keyring could not give back is still there: keep its mark.
    auto keepsMark = [&](const std::string& password, bool proxy) {
        return password.empty() && secrets
               && secrets->Unreadable(proxy ? secrets->ProxyKey(host.HostID) : secrets->LoginKey(host.HostID));
    };
    if (keepsMark(host.Password, false))
        set(THostSecrets::LoginMark, "True");
    else
        set("Password", EncryptPassword(host.HostID, host.Password));
    setBool("IsAnonymous", host.IsAnonymous);
    set("InitialRemoteDirectory", host.InitialRemoteDirectory);
    set("InitialLocalDirectory", host.InitialLocalDirectory);
    set("HostID", host.HostID);
    setBool("Passive", host.Passive);
    setBool("UseSSL", host.UseSSL);
    if (tree) {
        setBool("UseDefaultDialupConnection", host.UseDefaultDialupConnection);
        if (!host.UseDefaultDialupConnection)
            set("DialupConnection", host.DialupConnection);
        setBool("DisconnectDialupAfterDisconnect", host.DisconnectDialupAfterDisconnect);
    }
    setBool("UseDefaultProxySettings", host.UseDefaultProxySettings);
    if (!host.UseDefaultProxySettings) {
        set("ProxyType", std::to_string(static_cast<int>(host.ProxySettings.ProxyType)));
        set("ProxyHost", host.ProxySettings.Host);
        set("ProxyPort", std::to_string(host.ProxySettings.Port));
        set("ProxyUsername", host.ProxySettings.UserName);
        if (keepsMark(host.ProxySettings.Password, true))
            set(THostSecrets::ProxyMark, "True");
        else
            set("ProxyPassword", host.ProxySettings.Password);
    }
    if (!tree)
        return;
    if (pugi::xml_node old = TXMLDocument::FindChild(element, "Bookmarks"))
        doc.RemoveElement(old);
    pugi::xml_node bookmarks = doc.AppendElement(element, "Bookmarks");
    for (const std::string& path : host.Bookmarks())
        doc.SetAttribute(doc.AppendElement(bookmarks, "Bookmark"), "Path", path);
}

pugi::xml_node FindHostElement(pugi::xml_node parent, std::string_view hostID, bool deep)
{
    for (pugi::xml_node child : TXMLDocument::Elements(parent)) {
        if (const auto id = TXMLDocument::Attribute(child, "HostID")) {
            try {
                if (ParseGUID(*id) == ParseGUID(hostID))
                    return child;
            } catch (const EConvertError&) {
                if (*id == hostID)
                    return child;
            }
        }
        if (deep)
            if (pugi::xml_node found = FindHostElement(child, hostID, true))
                return found;
    }
    return {};
}

std::string ElementText(pugi::xml_node element)
{
    std::ostringstream out;
    element.print(out, "", pugi::format_raw);
    return out.str();
}

} // namespace HostXML
