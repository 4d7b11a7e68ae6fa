#include "queue/QueueFile.h"

#include "hosts/Hosts.h"
#include "hosts/QuickHosts.h"
#include "hosts/XMLLoadException.h"
#include "i18n/Format.h"
#include "store/DataDirectory.h"
#include "store/XMLDocument.h"

#include <QDate>
#include <QDateTime>
#include <QFile>
#include <QLocale>
#include <QSaveFile>
#include <QString>

#include <pugixml.hpp>

#include <cmath>
#include <cstdio>
#include <optional>

namespace {

constexpr const char* kRootName = "QueueList";
constexpr const char* kItemName = "QueueItem";
constexpr const char* kLineBreak = "\r\n";
constexpr double kSecondsPerDay = 86400.0;
const QDate kEpoch(1899, 12, 30);

QString ToQString(const std::string& text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// ---- reading the document ---------------------------------------------------

std::optional<QByteArray> ReadFileBytes(const std::string& path, std::string* error)
{
    QFile file(ToQString(path));
    if (!file.open(QIODevice::ReadOnly)) {
        *error = file.errorString().toStdString();
        return std::nullopt;
    }
    return file.readAll();
}

void ParseDocument(const std::string& path, const QByteArray& bytes, pugi::xml_document& doc)
{
    const unsigned options = pugi::parse_default | pugi::parse_declaration | pugi::parse_comments
                             | pugi::parse_pi | pugi::parse_doctype;
    const pugi::xml_parse_result result =
        doc.load_buffer(bytes.constData(), static_cast<size_t>(bytes.size()), options);
    if (!result)
        throw EXMLParseError(path + ": " + result.description() + " at offset " + std::to_string(result.offset));
    if (!doc.document_element())
        throw EXMLParseError(path + ": no root element");
}

void LoadDocument(const std::string& path, pugi::xml_document& doc)
{
    std::string error;
    const auto bytes = ReadFileBytes(path, &error);
    if (!bytes)
        throw EXMLParseError("Could not open " + path + ": " + error);
    ParseDocument(path, *bytes, doc);
}

// ---- writing the document ---------------------------------------------------

// The existing file's document (declaration and anything outside the root
// kept), or a new one.
void StartDocument(const std::string& path, pugi::xml_document& doc)
{
    if (QFile::exists(ToQString(path))) {
        LoadDocument(path, doc);
        // The text is written as UTF-8, whatever the old file said.
        for (pugi::xml_node node = doc.first_child(); node; node = node.next_sibling())
            if (node.type() == pugi::node_declaration)
                node.remove_attribute("encoding");
        return;
    }
    pugi::xml_node declaration = doc.append_child(pugi::node_declaration);
    declaration.append_attribute("version").set_value("1.0");
    doc.append_child(kRootName);
}

void WriteItem(pugi::xml_node element, TQueueItem& item)
{
    const bool download = item.TransferDirection == tdDownload;
    auto set = [&element](const char* name, const std::string& value) {
        element.append_attribute(name).set_value(value.c_str());
    };
    set("HostID", item.Host.HostID);
    set("RemoteFilename", item.GetRemoteFilename());
    set("RemoteRoot", item.RemoteRoot);
    set("IsDirectory", TXMLDocument::BoolText(item.IsDirectory));
    set("FileSize", std::to_string(item.FileSize));
    set("FileModifiedDateTime", FormatQueueDateTime(item.FileModifiedDateTime));
    set("LocalRoot", item.LocalRoot);
    set("LocalFilename", item.GetLocalFilename());
    set("TransferDirection", download ? "Download" : "Upload");
}

std::string Serialize(const pugi::xml_document& doc)
{
    struct Writer : pugi::xml_writer {
        std::string out;
        void write(const void* data, size_t size) override { out.append(static_cast<const char*>(data), size); }
    } writer;
    for (pugi::xml_node node = doc.first_child(); node; node = node.next_sibling()) {
        node.print(writer, "", pugi::format_raw, pugi::encoding_utf8);
        writer.out += kLineBreak;
    }
    return writer.out;
}

void WriteFileAtomically(const std::string& path, const std::string& text)
{
    QSaveFile file(ToQString(path));
    // Unbuffered: a buffered write that fails only while committing (a full
    // disk) is not reported by commit(), which would then replace the old
    // file with a truncated one.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        throw EXMLSaveError("Could not write " + path + ": " + file.errorString().toStdString());
    const auto size = static_cast<qint64>(text.size());
    if (file.write(text.data(), size) != size || !file.commit())
        throw EXMLSaveError("Could not write " + path + ": " + file.errorString().toStdString());
}

// ---- reading items ----------------------------------------------------------

std::string Required(pugi::xml_node element, const char* name)
{
    auto value = TXMLDocument::Attribute(element, name);
    if (!value)
        throw EConvertError("Attribute \"" + std::string(name) + "\" is missing");
    return *value;
}

std::int64_t ParseSize(const std::string& text)
{
    const long long value = TXMLDocument::ParseInt(text);
    if (value < -1)
        throw EConvertError("'" + text + "' is not a valid file size");
    return value;
}

std::unique_ptr<TQueueItem> ReadDownload(pugi::xml_node element, const THost& host)
{
    const std::string remoteFilename = Required(element, "RemoteFilename");
    const std::string localRoot = Required(element, "LocalRoot");
    const bool isDirectory = TXMLDocument::ParseBool(Required(element, "IsDirectory"));
    const std::int64_t fileSize = ParseSize(Required(element, "FileSize"));
    const TDateTime modified = ParseQueueDateTime(Required(element, "FileModifiedDateTime"));
    const std::string remoteRoot = Required(element, "RemoteRoot");
    return TQueueItem::NewDownload(host, remoteRoot, false, modified, fileSize, isDirectory, localRoot,
                                   remoteFilename);
}

std::unique_ptr<TQueueItem> ReadUpload(pugi::xml_node element, const THost& host)
{
    const std::string localFilename = Required(element, "LocalFilename");
    const std::string remoteRoot = Required(element, "RemoteRoot");
    const std::string localRoot = Required(element, "LocalRoot");
    return TQueueItem::NewUpload(host, localRoot, false, remoteRoot, localFilename);
}

// The element's item; nullptr for an element that is skipped silently.
std::unique_ptr<TQueueItem> ReadItem(pugi::xml_node element, const THostLookup& findHost)
{
    const THost* host = findHost(Required(element, "HostID"));
    if (host == nullptr)
        return nullptr;
    const auto direction = TXMLDocument::Attribute(element, "TransferDirection");
    if (direction == "Upload")
        return ReadUpload(element, *host);
    if (direction == "Download")
        return ReadDownload(element, *host);
    return nullptr;
}

// ---- dates ------------------------------------------------------------------

// Digits at text[pos, pos + count), or -1.
int Digits(std::string_view text, std::size_t pos, std::size_t count)
{
    int value = 0;
    for (std::size_t i = pos; i < pos + count; ++i) {
        if (i >= text.size() || text[i] < '0' || text[i] > '9')
            return -1;
        value = value * 10 + (text[i] - '0');
    }
    return value;
}

TDateTime FromDateAndSeconds(const QDate& date, int seconds)
{
    // The same arithmetic as every other conversion of the program, so a
    // value read back compares equal to the one written.
    const auto days = static_cast<double>(kEpoch.daysTo(date));
    const auto secs = static_cast<double>(seconds);
    return days >= 0 ? days + secs / kSecondsPerDay : days - secs / kSecondsPerDay;
}

std::optional<TDateTime> ParseFixedForm(std::string_view text)
{
    if (text.size() != 10 && text.size() != 19)
        return std::nullopt;
    if (text[4] != '-' || text[7] != '-')
        return std::nullopt;
    const int year = Digits(text, 0, 4), month = Digits(text, 5, 2), day = Digits(text, 8, 2);
    if (year < 0 || month < 0 || day < 0 || !QDate::isValid(year, month, day))
        return std::nullopt;
    int seconds = 0;
    if (text.size() == 19) {
        if (text[10] != ' ' || text[13] != ':' || text[16] != ':')
            return std::nullopt;
        const int h = Digits(text, 11, 2), m = Digits(text, 14, 2), s = Digits(text, 17, 2);
        if (h < 0 || h > 23 || m < 0 || m > 59 || s < 0 || s > 59)
            return std::nullopt;
        seconds = h * 3600 + m * 60 + s;
    }
    return FromDateAndSeconds(QDate(year, month, day), seconds);
}

std::optional<TDateTime> ParseRegionalForm(std::string_view text)
{
    const QLocale locale = QLocale::system();
    const QString value = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    const QString date = locale.dateFormat(QLocale::ShortFormat);
    for (const QString& format : {date + ' ' + locale.timeFormat(QLocale::LongFormat),
                                  date + ' ' + locale.timeFormat(QLocale::ShortFormat)}) {
        const QDateTime parsed = locale.toDateTime(value, format);
        if (parsed.isValid())
            return FromDateAndSeconds(parsed.date(), parsed.time().msecsSinceStartOfDay() / 1000);
    }
    const QDate day = locale.toDate(value, date);
    if (day.isValid())
        return FromDateAndSeconds(day, 0);
    return std::nullopt;
}

} // namespace

THostLookup HostLookupIn(const THosts& hosts, const TQuickHosts& quickHosts)
{
    return [&hosts, &quickHosts](std::string_view hostID) -> const THost* {
        if (const THost* host = hosts.FindByHostID(hostID))
            return host;
        return quickHosts.FindByHostID(hostID);
    };
}

void SaveQueueFile(const std::string& path, std::span<TQueueItem* const> items)
{
    pugi::xml_document doc;
    StartDocument(path, doc);
    pugi::xml_node root = doc.document_element();
    while (pugi::xml_node child = root.first_child())
        root.remove_child(child);
    bool any = false;
    for (TQueueItem* item : items) {
        // A refused row has no local path to store and could never load.
        if (!item->RefusedReason.empty())
            continue;
        any = true;
        root.append_child(pugi::node_pcdata).set_value("\r\n  ");
        WriteItem(root.append_child(kItemName), *item);
    }
    if (any)
        root.append_child(pugi::node_pcdata).set_value(kLineBreak);
    WriteFileAtomically(path, Serialize(doc));
}

void LoadQueueFile(const std::string& path, const THostLookup& findHost, const TQueueItemSink& append)
{
    pugi::xml_document doc;
    LoadDocument(path, doc);
    for (pugi::xml_node element : TXMLDocument::Elements(doc.document_element())) {
        std::unique_ptr<TQueueItem> item;
        try {
            item = ReadItem(element, findHost);
        } catch (const std::exception& e) {
            throw EXMLLoadException(Format("Can't load QueueItem.\r\nReason: %s", e.what()));
        }
        if (item)
            append(std::move(item));
    }
}

std::string DefaultQueueFilePath()
{
    return ResolveDataDirectory() + "/" + kQueueFileName;
}

std::string FormatQueueDateTime(TDateTime value)
{
    if (!std::isfinite(value) || std::fabs(value) > 3.0e6)
        value = -1; // not a date any listing or file gives: stored as unknown
    double whole = std::trunc(value);
    auto seconds = static_cast<long long>(std::llround(std::fabs(value - whole) * kSecondsPerDay));
    if (seconds >= 86400) {
        whole += value < 0 ? -1 : 1;
        seconds = 0;
    }
    const QDate date = kEpoch.addDays(static_cast<qint64>(whole));
    char text[32];
    if (seconds == 0)
        std::snprintf(text, sizeof text, "%04d-%02d-%02d", date.year(), date.month(), date.day());
    else
        std::snprintf(text, sizeof text, "%04d-%02d-%02d %02lld:%02lld:%02lld", date.year(), date.month(), date.day(),
                      seconds / 3600, seconds / 60 % 60, seconds % 60);
    return text;
}

TDateTime ParseQueueDateTime(std::string_view text)
{
    if (auto value = ParseFixedForm(text))
        return *value;
    if (auto value = ParseRegionalForm(text))
        return *value;
    throw EConvertError("'" + std::string(text) + "' is not a valid date and time");
}
