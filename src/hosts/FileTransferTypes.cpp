#include "hosts/FileTransferTypes.h"

#include <QString>

#include <cstdio>

namespace {

std::string Fold(std::string_view text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())).toCaseFolded().toStdString();
}

// The name part of an entry is the text before its first "=".
std::string_view NameOf(std::string_view entry) { return entry.substr(0, entry.find('=')); }

std::string_view ValueOf(std::string_view entry)
{
    const std::size_t eq = entry.find('=');
    return eq == std::string_view::npos ? std::string_view() : entry.substr(eq + 1);
}

std::string RequiredAttribute(pugi::xml_node element, std::string_view name)
{
    auto value = TXMLDocument::Attribute(element, name);
    if (!value)
        throw EConvertError("\"FileTransferType\" has no attribute \"" + std::string(name) + "\"");
    return *value;
}

} // namespace

TFileTransferTypes::TFileTransferTypes(const std::string& dataDirectory)
    : doc_(dataDirectory, FileName, "FileTransferTypesList")
{
    LoadEntries();
}

TFileTransferTypes::~TFileTransferTypes()
{
    if (loadFailed_)
        return;
    try {
        SaveEntries();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "Could not save %s: %s\n", doc_.Path().c_str(), e.what());
    }
}

void TFileTransferTypes::LoadEntries()
{
    entries_.clear();
    index_.clear();
    loadFailed_ = true;
    for (pugi::xml_node element : TXMLDocument::Elements(doc_.Root())) {
        if (std::string_view(element.name()) != "FileTransferType")
            continue;
        const std::string extension = RequiredAttribute(element, "Extension");
        const std::string type = RequiredAttribute(element, "TransferType");
        entries_.push_back(extension + "=" + type);
    }
    RebuildIndex();
    loadFailed_ = false;
}

void TFileTransferTypes::SaveEntries()
{
    doc_.RemoveAllChildren(doc_.Root());
    for (const std::string& entry : entries_) {
        pugi::xml_node element = doc_.AppendElement(doc_.Root(), "FileTransferType");
        doc_.SetAttribute(element, "Extension", NameOf(entry));
        doc_.SetAttribute(element, "TransferType", ValueOf(entry));
    }
    doc_.Save();
    loadFailed_ = false;
}

void TFileTransferTypes::SetEntries(std::vector<std::string> entries)
{
    entries_ = std::move(entries);
    RebuildIndex();
}

void TFileTransferTypes::Add(std::string_view extension, std::string_view transferType)
{
    entries_.push_back(std::string(extension) + "=" + std::string(transferType));
    index_[Fold(extension)] = entries_.size() - 1;
}

void TFileTransferTypes::RebuildIndex()
{
    index_.clear();
    for (std::size_t i = 0; i < entries_.size(); ++i)
        index_[Fold(NameOf(entries_[i]))] = i; // the later entry wins
}

TFileTransferType TFileTransferTypes::TransferTypeOf(std::string_view extension) const
{
    const auto it = index_.find(Fold(extension));
    if (it == index_.end())
        return fttUnknown;
    return ValueOf(entries_[it->second]) == "ASCII" ? fttASCII : fttBinary;
}

std::string ExtractFileExt(std::string_view fileName)
{
    const std::size_t slash = fileName.rfind('/');
    const std::string_view name = slash == std::string_view::npos ? fileName : fileName.substr(slash + 1);
    const std::size_t dot = name.rfind('.');
    return dot == std::string_view::npos ? std::string() : std::string(name.substr(dot));
}

std::string TransferTypeCommand(const TFileTransferTypes& types, std::string_view fileName,
                                TFileTransferType defaultType)
{
    TFileTransferType type = types.TransferTypeOf(ExtractFileExt(fileName));
    if (type == fttUnknown)
        type = defaultType;
    return type == fttASCII ? "TYPE A" : "TYPE I";
}
