#include "i18n/Tips.h"

#include "i18n/LanguageManager.h"
#include "store/MainConfig.h"
#include "store/XMLDocument.h"

#include <system_error>

namespace {

/// Copies the shipped tip file through a temporary name, so an
/// interrupted copy never leaves a half file to be read as the user's.
void CopyShippedTips(const std::filesystem::path& target, const std::string& fileName,
                     const std::vector<std::filesystem::path>& shippedDirectories)
{
    for (const std::filesystem::path& dir : shippedDirectories) {
        const std::filesystem::path shipped = dir / "Tips" / fileName;
        std::error_code ec;
        if (!std::filesystem::is_regular_file(shipped, ec))
            continue;
        std::filesystem::path partial = target;
        partial += ".part";
        if (std::filesystem::copy_file(shipped, partial, std::filesystem::copy_options::overwrite_existing, ec))
            std::filesystem::rename(partial, target, ec);
        if (ec)
            std::filesystem::remove(partial, ec);
        return;
    }
}

std::string ContentText(pugi::xml_node tip)
{
    std::string text;
    for (pugi::xml_node part : TXMLDocument::FindChild(tip, "Content").children())
        if (part.type() == pugi::node_pcdata || part.type() == pugi::node_cdata)
            text += part.value();
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}

int HelpIDOf(pugi::xml_node tip)
{
    const auto value = TXMLDocument::Attribute(tip, "HelpID");
    if (!value)
        return -1;
    try {
        const long long id = TXMLDocument::ParseInt(*value);
        // A number no help topic can carry names none.
        return id >= 0 && id <= 0x7fffffff ? static_cast<int>(id) : -1;
    } catch (const EConvertError&) {
        return -1;
    }
}

} // namespace

std::string TTips::FileName(int languageId)
{
    return "Tips - " + std::to_string(languageId) + ".xml";
}

TTips::TTips(TMainConfig& config, const std::string& dataDirectory, int languageId,
             const std::vector<std::filesystem::path>& shippedDirectories)
    : config_(config)
{
    const std::string fileName = FileName(languageId);
    const std::filesystem::path target = std::filesystem::path(dataDirectory) / fileName;
    std::error_code ec;
    if (!std::filesystem::exists(target, ec))
        CopyShippedTips(target, fileName, shippedDirectories);
    TXMLDocument doc(dataDirectory, fileName, "TipList");
    for (pugi::xml_node tip : TXMLDocument::Elements(doc.Root()))
        if (std::string_view(tip.name()) == "Tip")
            tips_.push_back({ContentText(tip), HelpIDOf(tip)});
}

std::string TTips::Select(int index)
{
    config_.SetLastTipIndex(index);
    selected_ = &tips_[static_cast<std::size_t>(index)];
    return selected_->Content;
}

std::string TTips::NextTip()
{
    if (tips_.empty()) {
        selected_ = nullptr;
        return LoadStr("TipOfTheDayForm_IDS_1");
    }
    const int last = static_cast<int>(tips_.size()) - 1;
    const int index = config_.LastTipIndex() + 1;
    return Select(index > last || index < 0 ? 0 : index);
}

std::string TTips::PreviousTip()
{
    if (tips_.empty()) {
        selected_ = nullptr;
        return LoadStr("TipOfTheDayForm_IDS_1");
    }
    const int last = static_cast<int>(tips_.size()) - 1;
    const int index = config_.LastTipIndex() - 1;
    return Select(index < 0 || index > last ? last : index);
}
