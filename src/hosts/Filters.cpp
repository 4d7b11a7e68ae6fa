#include "hosts/Filters.h"

#include "hosts/FileMask.h"

namespace {

bool IsBlank(char c) { return static_cast<unsigned char>(c) <= 32; }

std::string RequiredAttribute(pugi::xml_node element, std::string_view name)
{
    auto value = TXMLDocument::Attribute(element, name);
    if (!value)
        throw EConvertError("\"" + std::string(element.name()) + "\" has no attribute \"" + std::string(name) + "\"");
    return *value;
}

} // namespace

std::vector<std::string> SplitMasks(std::string_view text)
{
    std::vector<std::string> masks;
    std::size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && IsBlank(text[i]))
            ++i;
        if (i >= text.size())
            break;
        const std::size_t start = i;
        while (i < text.size() && !IsBlank(text[i]) && text[i] != ';')
            ++i;
        masks.emplace_back(text.substr(start, i - start));
        if (i < text.size()) {
            const bool semicolon = text[i] == ';';
            ++i;
            if (semicolon && i == text.size())
                masks.emplace_back();
        }
    }
    return masks;
}

TFilter::TFilter(std::string name, std::string_view maskText) : Name(std::move(name)), Masks(SplitMasks(maskText)) {}

std::string TFilter::MaskText() const
{
    std::string text;
    for (std::size_t i = 0; i < Masks.size(); ++i)
        text += (i ? ";" : "") + Masks[i];
    return text;
}

bool TFilter::Matches(std::string_view name) const
{
    for (const std::string& mask : Masks)
        if (MatchesMask(name, mask))
            return true;
    return false;
}

TFilters::TFilters(const std::string& dataDirectory) : doc_(dataDirectory, FileName, "FilterList") { LoadList(); }

void TFilters::Reload()
{
    doc_.Reload();
    LoadList();
}

void TFilters::LoadList()
{
    items_.clear();
    for (pugi::xml_node filter : TXMLDocument::Elements(doc_.Root())) {
        if (std::string_view(filter.name()) != "Filter")
            continue;
        std::string name = RequiredAttribute(filter, "Name");
        std::string joined;
        bool first = true;
        for (pugi::xml_node mask : TXMLDocument::Elements(filter)) {
            if (std::string_view(mask.name()) != "FileMask")
                continue;
            joined += (first ? "" : ";") + RequiredAttribute(mask, "Mask");
            first = false;
        }
        items_.emplace_back(std::move(name), joined);
    }
}

void TFilters::Save()
{
    doc_.RemoveAllChildren(doc_.Root());
    for (const TFilter& filter : items_) {
        pugi::xml_node element = doc_.AppendElement(doc_.Root(), "Filter");
        doc_.SetAttribute(element, "Name", filter.Name);
        for (const std::string& mask : filter.Masks)
            doc_.SetAttribute(doc_.AppendElement(element, "FileMask"), "Mask", mask);
    }
    doc_.Save();
}
