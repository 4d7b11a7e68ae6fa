#include "store/XMLDocument.h"

#include <QByteArray>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QString>

#include <cctype>
#include <charconv>
#include <cstdio>
#include <sstream>

namespace {

constexpr const char* kLineBreak = "\r\n";

std::string JoinPath(const std::string& directory, const std::string& fileName)
{
    if (directory.empty() || directory.back() == '/' || directory.back() == '\\')
        return directory + fileName;
    return directory + '/' + fileName;
}

bool IsWhitespaceText(pugi::xml_node node)
{
    if (node.type() != pugi::node_pcdata)
        return false;
    for (const char* p = node.value(); *p; ++p)
        if (!std::isspace(static_cast<unsigned char>(*p)))
            return false;
    return true;
}

std::string Indent(int level)
{
    return std::string(kLineBreak) + std::string(static_cast<size_t>(level) * 2, ' ');
}

QString ToQString(const std::string& s)
{
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

} // namespace

TXMLDocument::TXMLDocument(const std::string& directory, const std::string& fileName,
                           const std::string& rootName)
    : path_(JoinPath(directory, fileName)), rootName_(rootName)
{
    if (!QFileInfo::exists(ToQString(path_))) {
        doc_.reset();
        root_ = doc_.append_child(rootName_.c_str());
        Save();
    }
    Load();
}

TXMLDocument::~TXMLDocument()
{
    if (!changed_)
        return;
    try {
        Save();
    } catch (const std::exception& e) {
        // A destructor cannot report; the last explicit Save() is what the
        // caller relied on.
        std::fprintf(stderr, "Could not save %s: %s\n", path_.c_str(), e.what());
    }
}

void TXMLDocument::Load()
{
    QFile file(ToQString(path_));
    if (!file.open(QIODevice::ReadOnly))
        throw EXMLParseError("Could not open " + path_ + ": " + file.errorString().toStdString());
    const QByteArray bytes = file.readAll();

    pugi::xml_document parsed;
    // Keep whitespace text so that the layout survives a load-and-save, and
    // CR LF as written.
    const unsigned options = (pugi::parse_default | pugi::parse_ws_pcdata | pugi::parse_declaration)
                             & ~pugi::parse_eol;
    const pugi::xml_parse_result result =
        parsed.load_buffer(bytes.constData(), static_cast<size_t>(bytes.size()), options);
    if (!result) {
        std::ostringstream msg;
        msg << path_ << ": " << result.description() << " at offset " << result.offset;
        throw EXMLParseError(msg.str());
    }
    pugi::xml_node root = parsed.document_element();
    if (!root)
        throw EXMLParseError(path_ + ": no root element");
    doc_.reset(parsed);
    root_ = doc_.document_element();
    changed_ = false;
}

std::string TXMLDocument::Serialize() const
{
    struct Writer : pugi::xml_writer {
        std::string out;
        void write(const void* data, size_t size) override
        {
            out.append(static_cast<const char*>(data), size);
        }
    } writer;
    writer.out = "<?xml version=\"1.0\"?>";
    writer.out += kLineBreak;
    root_.print(writer, "", pugi::format_raw, pugi::encoding_utf8);
    writer.out += kLineBreak;
    return writer.out;
}

void TXMLDocument::Save()
{
    const std::string text = Serialize();
    QSaveFile file(ToQString(path_));
    // Unbuffered: a buffered write that fails only while committing (a full
    // disk, an exceeded quota) is not reported by commit(), which would then
    // replace the old file with a truncated one.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        throw EXMLSaveError("Could not write " + path_ + ": " + file.errorString().toStdString());
    const qint64 size = static_cast<qint64>(text.size());
    if (file.write(text.data(), size) != size || !file.commit())
        throw EXMLSaveError("Could not write " + path_ + ": " + file.errorString().toStdString());
    changed_ = false;
}

void TXMLDocument::Reload()
{
    if (changed_)
        Save();
    Load();
}

pugi::xml_node TXMLDocument::FindChild(pugi::xml_node parent, std::string_view name)
{
    for (pugi::xml_node child = parent.first_child(); child; child = child.next_sibling())
        if (child.type() == pugi::node_element && name == child.name())
            return child;
    return {};
}

std::vector<pugi::xml_node> TXMLDocument::Elements(pugi::xml_node parent)
{
    std::vector<pugi::xml_node> result;
    for (pugi::xml_node child = parent.first_child(); child; child = child.next_sibling())
        if (child.type() == pugi::node_element)
            result.push_back(child);
    return result;
}

int TXMLDocument::Depth(pugi::xml_node node) const
{
    int depth = 0;
    for (pugi::xml_node n = node; n && n != root_; n = n.parent())
        ++depth;
    return depth;
}

pugi::xml_node TXMLDocument::AppendElement(pugi::xml_node parent, std::string_view name)
{
    const int level = Depth(parent);
    const std::string nameText(name);
    const bool hasElements = !Elements(parent).empty();
    pugi::xml_node last = parent.last_child();
    pugi::xml_node element;
    if (hasElements && last && IsWhitespaceText(last)) {
        // <last/>, break at the parent's level  ->  <last/>, break, <new/>, break
        parent.insert_child_before(pugi::node_pcdata, last).set_value(Indent(level + 1).c_str());
        element = parent.insert_child_before(nameText.c_str(), last);
        last.set_value(Indent(level).c_str());
    } else {
        if (!hasElements)
            RemoveWhitespaceChildren(parent);
        parent.append_child(pugi::node_pcdata).set_value(Indent(level + 1).c_str());
        element = parent.append_child(nameText.c_str());
        parent.append_child(pugi::node_pcdata).set_value(Indent(level).c_str());
    }
    changed_ = true;
    return element;
}

void TXMLDocument::RemoveElement(pugi::xml_node element)
{
    pugi::xml_node parent = element.parent();
    if (!parent)
        return;
    pugi::xml_node before = element.previous_sibling();
    if (before && IsWhitespaceText(before))
        parent.remove_child(before);
    parent.remove_child(element);
    if (Elements(parent).empty())
        RemoveWhitespaceChildren(parent);
    changed_ = true;
}

void TXMLDocument::RemoveWhitespaceChildren(pugi::xml_node parent)
{
    for (pugi::xml_node child = parent.first_child(); child;) {
        pugi::xml_node next = child.next_sibling();
        if (IsWhitespaceText(child))
            parent.remove_child(child);
        child = next;
    }
}

void TXMLDocument::RemoveAllChildren(pugi::xml_node parent)
{
    while (pugi::xml_node child = parent.first_child())
        parent.remove_child(child);
    changed_ = true;
}

std::optional<std::string> TXMLDocument::Attribute(pugi::xml_node node, std::string_view name)
{
    for (pugi::xml_attribute a = node.first_attribute(); a; a = a.next_attribute())
        if (name == a.name())
            return std::string(a.value());
    return std::nullopt;
}

void TXMLDocument::SetAttribute(pugi::xml_node node, std::string_view name, std::string_view value)
{
    const std::string nameText(name);
    const std::string valueText(value);
    pugi::xml_attribute a = node.attribute(nameText.c_str());
    if (!a)
        a = node.append_attribute(nameText.c_str());
    a.set_value(valueText.c_str());
    changed_ = true;
}

bool TXMLDocument::ParseBool(std::string_view text)
{
    auto equalsNoCase = [text](std::string_view word) {
        if (text.size() != word.size())
            return false;
        for (size_t i = 0; i < text.size(); ++i)
            if (std::tolower(static_cast<unsigned char>(text[i])) != std::tolower(static_cast<unsigned char>(word[i])))
                return false;
        return true;
    };
    if (equalsNoCase("true"))
        return true;
    if (equalsNoCase("false"))
        return false;
    try {
        return ParseInt(text) != 0;
    } catch (const EConvertError&) {
        throw EConvertError("'" + std::string(text) + "' is not a valid boolean value");
    }
}

long long TXMLDocument::ParseInt(std::string_view text)
{
    long long value = 0;
    const char* first = text.data();
    const char* last = text.data() + text.size();
    if (first != last && *first == '+')
        ++first;
    const auto [ptr, ec] = std::from_chars(first, last, value);
    if (text.empty() || ec != std::errc() || ptr != last)
        throw EConvertError("'" + std::string(text) + "' is not a valid integer value");
    return value;
}

bool TXMLDocument::IsGUIDText(std::string_view text)
{
    if (text.size() != 38 || text.front() != '{' || text.back() != '}')
        return false;
    for (size_t i = 1; i < 37; ++i) {
        const char c = text[i];
        const bool dash = (i == 9 || i == 14 || i == 19 || i == 24);
        if (dash ? c != '-' : !(std::isdigit(static_cast<unsigned char>(c)) || (c >= 'A' && c <= 'F')))
            return false;
    }
    return true;
}
