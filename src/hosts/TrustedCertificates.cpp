#include "hosts/TrustedCertificates.h"

#include "hosts/XMLLoadException.h"
#include "store/Helpers.h"

#include <QDateTime>
#include <QString>
#include <QTimeZone>

#include <algorithm>
#include <cctype>

namespace {

bool SameHost(std::string_view a, std::string_view b)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
    });
}

std::string TimeText(std::time_t t)
{
    return QDateTime::fromSecsSinceEpoch(t, QTimeZone::utc()).toString(Qt::ISODate).toStdString();
}

std::time_t ParseTime(const std::string& text)
{
    const QDateTime parsed = QDateTime::fromString(QString::fromStdString(text), Qt::ISODate);
    return parsed.isValid() ? static_cast<std::time_t>(parsed.toSecsSinceEpoch()) : 0;
}

std::string ElementText(pugi::xml_node node)
{
    std::string text = "<";
    text += node.name();
    for (const pugi::xml_attribute a : node.attributes())
        text += std::string(" ") + a.name() + "=\"" + a.value() + "\"";
    return text + "/>";
}

} // namespace

std::string NormalizedFingerprint(std::string_view text)
{
    constexpr std::string_view prefix = "SHA256:";
    if (text.size() >= prefix.size() && SameHost(text.substr(0, prefix.size()), prefix))
        text.remove_prefix(prefix.size());
    static const char hex[] = "0123456789ABCDEF";
    std::string digits;
    for (char c : text) {
        if (c == ':')
            continue;
        const int value = HexDigitValue(c);
        if (value < 0)
            return {};
        digits += hex[value];
    }
    if (digits.size() != 64)
        return {};
    std::string grouped;
    for (std::size_t i = 0; i < digits.size(); i += 2) {
        if (i)
            grouped += ':';
        grouped.append(digits, i, 2);
    }
    return grouped;
}

TTrustedCertificates::TTrustedCertificates(const std::string& dataDirectory)
    : doc_(dataDirectory, FileName, "TrustedCertificates")
{
    Load();
}

void TTrustedCertificates::Load()
{
    items_.clear();
    for (pugi::xml_node child : TXMLDocument::Elements(doc_.Root())) {
        if (std::string_view(child.name()) != "Certificate")
            continue;
        TTrustedCertificate entry;
        const auto host = TXMLDocument::Attribute(child, "Host");
        const auto port = TXMLDocument::Attribute(child, "Port");
        const auto fingerprint = TXMLDocument::Attribute(child, "Fingerprint");
        long long portValue = 0;
        try {
            portValue = port ? TXMLDocument::ParseInt(*port) : 0;
        } catch (const EConvertError&) {
            portValue = 0;
        }
        entry.Fingerprint = fingerprint ? NormalizedFingerprint(*fingerprint) : std::string();
        if (!host || host->empty() || portValue < 1 || portValue > 65535 || entry.Fingerprint.empty())
            throw EXMLLoadException("Could not read: " + ElementText(child));
        entry.Host = *host;
        entry.Port = static_cast<std::uint16_t>(portValue);
        entry.Subject = TXMLDocument::Attribute(child, "Subject").value_or("");
        entry.Trusted = ParseTime(TXMLDocument::Attribute(child, "DateTrusted").value_or(""));
        items_.push_back(std::move(entry));
    }
}

const TTrustedCertificate* TTrustedCertificates::Find(const std::string& host, std::uint16_t port) const
{
    for (const auto& entry : items_)
        if (entry.Port == port && SameHost(entry.Host, host))
            return &entry;
    return nullptr;
}

pugi::xml_node TTrustedCertificates::ElementOf(const std::string& host, std::uint16_t port) const
{
    for (pugi::xml_node child : TXMLDocument::Elements(doc_.Root())) {
        if (SameHost(child.attribute("Host").value(), host) && child.attribute("Port").as_int() == port)
            return child;
    }
    return {};
}

void TTrustedCertificates::Trust(const TTrustedCertificate& entry)
{
    pugi::xml_node element = ElementOf(entry.Host, entry.Port);
    if (!element)
        element = doc_.AppendElement(doc_.Root(), "Certificate");
    doc_.SetAttribute(element, "Host", entry.Host);
    doc_.SetAttribute(element, "Port", std::to_string(entry.Port));
    doc_.SetAttribute(element, "Fingerprint", entry.Fingerprint);
    doc_.SetAttribute(element, "Subject", entry.Subject);
    doc_.SetAttribute(element, "DateTrusted", TimeText(entry.Trusted));
    doc_.Save();
    const auto it = std::find_if(items_.begin(), items_.end(), [&](const TTrustedCertificate& e) {
        return e.Port == entry.Port && SameHost(e.Host, entry.Host);
    });
    if (it != items_.end())
        *it = entry;
    else
        items_.push_back(entry);
}

void TTrustedCertificates::Remove(const std::string& host, std::uint16_t port)
{
    const pugi::xml_node element = ElementOf(host, port);
    if (!element)
        return;
    doc_.RemoveElement(element);
    doc_.Save();
    std::erase_if(items_, [&](const TTrustedCertificate& e) { return e.Port == port && SameHost(e.Host, host); });
}
