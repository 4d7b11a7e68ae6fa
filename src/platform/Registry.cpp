#include "platform/Registry.h"

#include "store/DataDirectory.h"
#include "store/XMLDocument.h"

#include <QByteArray>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QString>

#include <pugixml.hpp>

#include <algorithm>
#include <cctype>
#include <mutex>
#include <sstream>

namespace {

// One lock for every registry object of the process: each call reads and
// writes the whole file.
std::recursive_mutex& RegistryLock()
{
    static std::recursive_mutex lock;
    return lock;
}

QString Q(std::string_view s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }

bool SameName(std::string_view a, std::string_view b)
{
    return QString::compare(Q(a), Q(b), Qt::CaseInsensitive) == 0;
}

std::vector<std::string> SplitKeyPath(std::string_view path)
{
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (start <= path.size()) {
        const std::size_t end = std::min(path.find('\\', start), path.size());
        if (end > start)
            parts.emplace_back(path.substr(start, end - start));
        start = end + 1;
    }
    return parts;
}

struct TRegistryValue {
    std::string Name;
    TRegistryValueType Type = TRegistryValueType::String;
    std::string Data; // integers as decimal text, binary as raw bytes
};

struct TRegistryKeyNode {
    std::string Name;
    std::vector<TRegistryValue> Values;
    std::vector<std::unique_ptr<TRegistryKeyNode>> SubKeys;

    TRegistryKeyNode* Find(std::string_view name) const
    {
        for (const auto& k : SubKeys)
            if (SameName(k->Name, name))
                return k.get();
        return nullptr;
    }
    TRegistryValue* FindValue(std::string_view name)
    {
        for (auto& v : Values)
            if (SameName(v.Name, name))
                return &v;
        return nullptr;
    }
};

constexpr std::string_view TypeNames[] = {"String", "Integer", "Binary"};

std::string ToHex(std::string_view bytes)
{
    static constexpr char digits[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : bytes) {
        out += digits[c >> 4];
        out += digits[c & 15];
    }
    return out;
}

std::optional<std::string> FromHex(std::string_view hex)
{
    const auto isHex = [](char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; };
    if (hex.size() % 2 != 0 || !std::all_of(hex.begin(), hex.end(), isHex))
        return std::nullopt;
    return QByteArray::fromHex(QByteArray::fromStdString(std::string(hex))).toStdString();
}

} // namespace

class TRegistryData {
public:
    TRegistryKeyNode Root;

    TRegistryKeyNode* Find(std::string_view path)
    {
        TRegistryKeyNode* node = &Root;
        for (const auto& part : SplitKeyPath(path))
            if (!(node = node->Find(part)))
                return nullptr;
        return node;
    }

    TRegistryKeyNode& Create(std::string_view path)
    {
        TRegistryKeyNode* node = &Root;
        for (const auto& part : SplitKeyPath(path)) {
            TRegistryKeyNode* next = node->Find(part);
            if (!next) {
                node->SubKeys.push_back(std::make_unique<TRegistryKeyNode>());
                next = node->SubKeys.back().get();
                next->Name = part;
            }
            node = next;
        }
        return *node;
    }

    void Load(const std::string& path);
    void Save(const std::string& path) const;

private:
    static void LoadKey(pugi::xml_node element, TRegistryKeyNode& key, const std::string& path);
    static void SaveKey(const TRegistryKeyNode& key, pugi::xml_node element);
};

void TRegistryData::Load(const std::string& path)
{
    if (!QFileInfo::exists(Q(path)))
        return;
    QFile file(Q(path));
    if (!file.open(QIODevice::ReadOnly))
        throw EXMLParseError("Could not open " + path + ": " + file.errorString().toStdString());
    const QByteArray bytes = file.readAll();
    pugi::xml_document doc;
    const pugi::xml_parse_result result = doc.load_buffer(bytes.constData(), static_cast<size_t>(bytes.size()));
    if (!result) {
        std::ostringstream msg;
        msg << path << ": " << result.description() << " at offset " << result.offset;
        throw EXMLParseError(msg.str());
    }
    if (!doc.document_element() || std::string_view(doc.document_element().name()) != "Registry")
        throw EXMLParseError(path + ": the root element is not \"Registry\"");
    LoadKey(doc.document_element(), Root, path);
}

void TRegistryData::LoadKey(pugi::xml_node element, TRegistryKeyNode& key, const std::string& path)
{
    for (pugi::xml_node child : element.children()) {
        const std::string_view name = child.name();
        if (name == "Key") {
            const pugi::xml_attribute keyName = child.attribute("Name");
            if (!keyName || SplitKeyPath(keyName.value()).size() != 1)
                throw EXMLParseError(path + ": a key has no usable name");
            key.SubKeys.push_back(std::make_unique<TRegistryKeyNode>());
            key.SubKeys.back()->Name = keyName.value();
            LoadKey(child, *key.SubKeys.back(), path);
        } else if (name == "Value") {
            TRegistryValue value;
            value.Name = child.attribute("Name").value();
            const std::string_view type = child.attribute("Type").value();
            const auto it = std::find(std::begin(TypeNames), std::end(TypeNames), type);
            if (it == std::end(TypeNames) || !child.attribute("Name") || !child.attribute("Data"))
                throw EXMLParseError(path + ": value \"" + value.Name + "\" is damaged");
            value.Type = static_cast<TRegistryValueType>(it - std::begin(TypeNames));
            value.Data = child.attribute("Data").value();
            if (value.Type == TRegistryValueType::Binary) {
                auto bytes = FromHex(value.Data);
                if (!bytes)
                    throw EXMLParseError(path + ": value \"" + value.Name + "\" is damaged");
                value.Data = *bytes;
            } else if (value.Type == TRegistryValueType::Integer) {
                try {
                    TXMLDocument::ParseInt(value.Data);
                } catch (const EConvertError&) {
                    throw EXMLParseError(path + ": value \"" + value.Name + "\" is damaged");
                }
            }
            key.Values.push_back(std::move(value));
        }
    }
}

void TRegistryData::SaveKey(const TRegistryKeyNode& key, pugi::xml_node element)
{
    for (const auto& v : key.Values) {
        pugi::xml_node e = element.append_child("Value");
        e.append_attribute("Name").set_value(v.Name.c_str());
        e.append_attribute("Type").set_value(std::string(TypeNames[static_cast<int>(v.Type)]).c_str());
        const std::string data = v.Type == TRegistryValueType::Binary ? ToHex(v.Data) : v.Data;
        e.append_attribute("Data").set_value(data.c_str());
    }
    for (const auto& k : key.SubKeys) {
        pugi::xml_node e = element.append_child("Key");
        e.append_attribute("Name").set_value(k->Name.c_str());
        SaveKey(*k, e);
    }
}

void TRegistryData::Save(const std::string& path) const
{
    pugi::xml_document doc;
    SaveKey(Root, doc.append_child("Registry"));
    std::ostringstream out;
    out << "<?xml version=\"1.0\"?>\n";
    doc.document_element().print(out, "  ", pugi::format_indent, pugi::encoding_utf8);
    const std::string text = out.str();

    QSaveFile file(Q(path));
    if (!file.open(QIODevice::WriteOnly))
        throw EXMLSaveError("Could not write " + path + ": " + file.errorString().toStdString());
    const auto size = static_cast<qint64>(text.size());
    if (file.write(text.data(), size) != size || !file.commit())
        throw EXMLSaveError("Could not write " + path + ": " + file.errorString().toStdString());
}

// ---------------------------------------------------------------------------

TRegistry::TRegistry() : TRegistry(ResolveDataDirectory()) {}

TRegistry::TRegistry(std::string directory)
{
    if (!directory.empty() && directory.back() != '/')
        directory += '/';
    path_ = directory + FileName;
}

TRegistry::~TRegistry() = default;

template <typename F>
auto TRegistry::Read(F&& f) const
{
    std::lock_guard lock(RegistryLock());
    if (open_)
        return f(*open_);
    TRegistryData data;
    data.Load(path_);
    return f(data);
}

template <typename F>
bool TRegistry::Change(F&& f)
{
    std::lock_guard lock(RegistryLock());
    if (open_)
        return f(*open_);
    TRegistryData data;
    data.Load(path_);
    const bool changed = f(data); // false: nothing to write
    if (changed)
        data.Save(path_);
    return changed;
}

void TRegistry::Transaction(const std::function<void(TRegistry&)>& changes)
{
    std::lock_guard lock(RegistryLock());
    if (open_) {
        changes(*this);
        return;
    }
    TRegistryData data;
    data.Load(path_);
    open_ = &data;
    try {
        changes(*this);
    } catch (...) {
        open_ = nullptr;
        throw;
    }
    open_ = nullptr;
    data.Save(path_);
}

bool TRegistry::KeyExists(std::string_view key) const
{
    return Read([&](TRegistryData& d) { return d.Find(key) != nullptr; });
}

void TRegistry::CreateKey(std::string_view key)
{
    Change([&](TRegistryData& d) {
        d.Create(key);
        return true;
    });
}

bool TRegistry::DeleteKey(std::string_view key)
{
    const auto parts = SplitKeyPath(key);
    if (parts.empty())
        throw std::invalid_argument("The registry root cannot be deleted");
    std::string parentPath;
    for (std::size_t i = 0; i + 1 < parts.size(); ++i)
        parentPath += parts[i] + '\\';
    return Change([&](TRegistryData& d) {
        TRegistryKeyNode* parent = d.Find(parentPath);
        if (!parent)
            return false;
        auto& subs = parent->SubKeys;
        const auto it = std::find_if(subs.begin(), subs.end(),
                                     [&](const auto& k) { return SameName(k->Name, parts.back()); });
        if (it == subs.end())
            return false;
        subs.erase(it);
        return true;
    });
}

std::vector<std::string> TRegistry::SubKeyNames(std::string_view key) const
{
    return Read([&](TRegistryData& d) {
        std::vector<std::string> names;
        if (const TRegistryKeyNode* node = d.Find(key))
            for (const auto& k : node->SubKeys)
                names.push_back(k->Name);
        std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
            return QString::compare(Q(a), Q(b), Qt::CaseInsensitive) < 0;
        });
        return names;
    });
}

std::vector<std::string> TRegistry::ValueNames(std::string_view key) const
{
    return Read([&](TRegistryData& d) {
        std::vector<std::string> names;
        if (const TRegistryKeyNode* node = d.Find(key))
            for (const auto& v : node->Values)
                names.push_back(v.Name);
        return names;
    });
}

bool TRegistry::ValueExists(std::string_view key, std::string_view name) const
{
    return ValueType(key, name).has_value();
}

std::optional<TRegistryValueType> TRegistry::ValueType(std::string_view key, std::string_view name) const
{
    return Read([&](TRegistryData& d) -> std::optional<TRegistryValueType> {
        TRegistryKeyNode* node = d.Find(key);
        const TRegistryValue* v = node ? node->FindValue(name) : nullptr;
        if (!v)
            return std::nullopt;
        return v->Type;
    });
}

namespace {

std::optional<std::string> ReadTyped(TRegistryData& d, std::string_view key, std::string_view name,
                                     TRegistryValueType type)
{
    TRegistryKeyNode* node = d.Find(key);
    const TRegistryValue* v = node ? node->FindValue(name) : nullptr;
    if (!v || v->Type != type)
        return std::nullopt;
    return v->Data;
}

void WriteTyped(TRegistryData& d, std::string_view key, std::string_view name, TRegistryValueType type,
                std::string data)
{
    TRegistryKeyNode& node = d.Create(key);
    TRegistryValue* v = node.FindValue(name);
    if (!v) {
        node.Values.push_back(TRegistryValue{std::string(name), type, {}});
        v = &node.Values.back();
    }
    v->Type = type;
    v->Data = std::move(data);
}

} // namespace

void TRegistry::WriteString(std::string_view key, std::string_view name, std::string_view value)
{
    Change([&](TRegistryData& d) {
        WriteTyped(d, key, name, TRegistryValueType::String, std::string(value));
        return true;
    });
}

void TRegistry::WriteInteger(std::string_view key, std::string_view name, std::int64_t value)
{
    Change([&](TRegistryData& d) {
        WriteTyped(d, key, name, TRegistryValueType::Integer, std::to_string(value));
        return true;
    });
}

void TRegistry::WriteBinary(std::string_view key, std::string_view name, std::string_view bytes)
{
    Change([&](TRegistryData& d) {
        WriteTyped(d, key, name, TRegistryValueType::Binary, std::string(bytes));
        return true;
    });
}

std::optional<std::string> TRegistry::ReadString(std::string_view key, std::string_view name) const
{
    return Read([&](TRegistryData& d) { return ReadTyped(d, key, name, TRegistryValueType::String); });
}

std::optional<std::int64_t> TRegistry::ReadInteger(std::string_view key, std::string_view name) const
{
    const auto text = Read([&](TRegistryData& d) { return ReadTyped(d, key, name, TRegistryValueType::Integer); });
    if (!text)
        return std::nullopt;
    return TXMLDocument::ParseInt(*text);
}

std::optional<std::string> TRegistry::ReadBinary(std::string_view key, std::string_view name) const
{
    return Read([&](TRegistryData& d) { return ReadTyped(d, key, name, TRegistryValueType::Binary); });
}

bool TRegistry::DeleteValue(std::string_view key, std::string_view name)
{
    return Change([&](TRegistryData& d) {
        TRegistryKeyNode* node = d.Find(key);
        if (!node)
            return false;
        auto& values = node->Values;
        const auto it = std::find_if(values.begin(), values.end(),
                                     [&](const TRegistryValue& v) { return SameName(v.Name, name); });
        if (it == values.end())
            return false;
        values.erase(it);
        return true;
    });
}
