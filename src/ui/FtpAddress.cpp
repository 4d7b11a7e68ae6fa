#include "ui/FtpAddress.h"

namespace {

/// The port text of the address's authority: after the last "@", past a
/// bracketed IPv6 host, the text after ":".
QString PortTextOf(const QString& address)
{
    const int schemeEnd = address.indexOf(QStringLiteral("://"));
    QString authority = address.mid(schemeEnd + 3);
    authority = authority.left(authority.indexOf(u'/') < 0 ? authority.size() : authority.indexOf(u'/'));
    authority = authority.mid(authority.lastIndexOf(u'@') + 1);
    const int bracket = authority.lastIndexOf(u']');
    const int colon = authority.indexOf(u':', bracket < 0 ? 0 : bracket);
    return colon < 0 ? QString() : authority.mid(colon + 1);
}

} // namespace

bool ParseFtpAddress(const QString& text, THost* host, QString* portText)
{
    const QString address = text.trimmed();
    if (!address.startsWith(QStringLiteral("ftp://"), Qt::CaseInsensitive))
        return false;
    THost parsed{THostDefaults{}};
    try {
        parsed.FromURL(address.toStdString());
    } catch (const EHostURLError&) {
        return false;
    }
    if (host) {
        host->CommonName = parsed.CommonName;
        host->Hostname = parsed.Hostname;
        host->Port = parsed.Port;
        host->Username = parsed.Username;
        host->Password = parsed.Password;
        host->IsAnonymous = parsed.IsAnonymous;
        host->InitialRemoteDirectory = parsed.InitialRemoteDirectory;
    }
    if (portText)
        *portText = PortTextOf(address);
    return true;
}
