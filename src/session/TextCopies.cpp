#include "session/TextCopies.h"

#include "i18n/LocalizationError.h"

TTextCopies::TTextCopies(std::initializer_list<std::string_view> constantNames, TLanguageManager& manager)
    : manager_(manager)
{
    for (std::string_view name : constantNames)
        texts_.emplace(std::string(name), std::string());
    // Subscribe first, so that a switch while the first copies are taken
    // is not missed.
    subscription_ = manager_.SubscribeLanguageChanged([this] { Refresh(); });
    Refresh();
}

std::string TTextCopies::Text(std::string_view constantName) const
{
    const std::lock_guard guard(lock_);
    const auto it = texts_.find(constantName);
    if (it == texts_.end())
        throw ELocalizationError("Constant \"" + std::string(constantName) + "\" not found");
    return it->second;
}

void TTextCopies::Refresh()
{
    // One refresh at a time: each reads the language active when it runs,
    // so the last one leaves the copies of the last language. The texts are
    // fetched outside the copies' lock, so readers never wait for the manager.
    const std::lock_guard refreshing(refreshLock_);
    std::map<std::string, std::string, std::less<>> fresh;
    {
        const std::lock_guard guard(lock_);
        fresh = texts_;
    }
    for (auto& [name, text] : fresh)
        text = manager_.Text(name);
    const std::lock_guard guard(lock_);
    texts_ = std::move(fresh);
}
