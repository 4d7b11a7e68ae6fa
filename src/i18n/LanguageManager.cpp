#include "i18n/LanguageManager.h"

#include "i18n/LanguageNames.h"
#include "i18n/LocalizationError.h"
#include "i18n/StringTable.h"

#include <QCoreApplication>
#include <QString>

#include <algorithm>
#include <mutex>
#include <stdexcept>
#include <system_error>

// The registry of language-changed handlers. Kept apart from the manager's
// tables so that a subscription can outlive the manager, and guarded by a
// recursive mutex held while handlers run: a handler may subscribe or
// unsubscribe, and a reset on another thread waits until no handler runs.
class TLanguageSlots {
public:
    std::uint64_t Add(std::function<void()> handler) {
        const std::lock_guard guard(mutex_);
        const std::uint64_t id = ++lastId_;
        handlers_.emplace(id, std::move(handler));
        return id;
    }

    void Remove(std::uint64_t id) {
        const std::lock_guard guard(mutex_);
        handlers_.erase(id);
    }

    void Fire() {
        const std::lock_guard guard(mutex_);
        std::vector<std::uint64_t> ids;
        ids.reserve(handlers_.size());
        for (const auto& entry : handlers_) ids.push_back(entry.first);
        for (const std::uint64_t id : ids) {
            const auto it = handlers_.find(id);
            if (it == handlers_.end()) continue;  // detached by an earlier handler
            const std::function<void()> handler = it->second;
            handler();
        }
    }

private:
    std::recursive_mutex mutex_;
    std::uint64_t lastId_ = 0;
    std::map<std::uint64_t, std::function<void()>> handlers_;
};

namespace {

char LowerChar(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool MatchesMask(std::string_view name, std::string_view mask) {
    // Iterative wildcard match with one backtrack point for the last "*".
    std::size_t n = 0, m = 0, starM = std::string_view::npos, starN = 0;
    while (n < name.size()) {
        if (m < mask.size() && (mask[m] == '?' || LowerChar(mask[m]) == LowerChar(name[n]))) {
            ++n;
            ++m;
        } else if (m < mask.size() && mask[m] == '*') {
            starM = m++;
            starN = n;
        } else if (starM != std::string_view::npos) {
            m = starM + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (m < mask.size() && mask[m] == '*') ++m;
    return m == mask.size();
}

std::vector<std::string> EnglishTexts() {
    std::vector<std::string> texts;
    for (const auto& entry : TDefaultStringTable::Entries()) texts.emplace_back(entry.Text);
    return texts;
}

bool IsDirectory(const std::filesystem::path& p) {
    std::error_code ec;
    return std::filesystem::is_directory(p, ec);
}

} // namespace

// --- TLanguageSubscription ---------------------------------------------------

TLanguageSubscription::TLanguageSubscription(std::weak_ptr<TLanguageSlots> registry, std::uint64_t id)
    : slots_(std::move(registry)), id_(id) {}

TLanguageSubscription::TLanguageSubscription(TLanguageSubscription&& other) noexcept
    : slots_(std::move(other.slots_)), id_(other.id_) {
    other.id_ = 0;
}

TLanguageSubscription& TLanguageSubscription::operator=(TLanguageSubscription&& other) noexcept {
    if (this != &other) {
        Reset();
        slots_ = std::move(other.slots_);
        id_ = other.id_;
        other.id_ = 0;
    }
    return *this;
}

TLanguageSubscription::~TLanguageSubscription() {
    Reset();
}

void TLanguageSubscription::Reset() {
    if (id_ == 0) return;
    if (const auto registry = slots_.lock()) registry->Remove(id_);
    slots_.reset();
    id_ = 0;
}

// --- TLanguageManager --------------------------------------------------------

TLanguageManager::TLanguageManager()
    : languages_{TLanguageInfo{BuiltInLanguageId, {}}},
      texts_(EnglishTexts()),
      slots_(std::make_shared<TLanguageSlots>()) {}

TLanguageManager::~TLanguageManager() = default;

std::string TLanguageManager::Text(std::string_view constantName) const {
    const auto index = TDefaultStringTable::IndexOf(constantName);
    if (!index) throw ELocalizationError("Constant \"" + std::string(constantName) + "\" not found");
    const std::shared_lock guard(lock_);
    return texts_[*index];
}

int TLanguageManager::ScanDirectory(const std::filesystem::path& directory, std::string_view mask) {
    std::vector<std::filesystem::path> files;
    std::error_code ec;
    for (std::filesystem::directory_iterator it(directory, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code typeError;
        if (!it->is_regular_file(typeError)) continue;
        if (MatchesMask(it->path().filename().string(), mask)) files.push_back(it->path());
    }
    std::sort(files.begin(), files.end());

    int registered = 0;
    for (const auto& file : files) {
        std::optional<TLanguageId> id;
        try {
            id = TLanguageFile::ReadLanguageId(file);
        } catch (const ELocalizationError&) {
            continue;  // unreadable: cannot be offered, must not spoil the others
        }
        if (!id || *id == 0) continue;
        const std::unique_lock guard(lock_);
        if (*id == defaultId_ || FindLanguageLocked(*id)) continue;
        languages_.push_back(TLanguageInfo{*id, file});
        ++registered;
    }
    return registered;
}

void TLanguageManager::SetDefaultLanguageId(TLanguageId id) {
    const std::unique_lock guard(lock_);
    defaultId_ = id;
    languages_.front().Id = id;
}

TLanguageId TLanguageManager::DefaultLanguageId() const {
    const std::shared_lock guard(lock_);
    return defaultId_;
}

const TLanguageInfo* TLanguageManager::FindLanguageLocked(TLanguageId id) const {
    for (std::size_t i = 1; i < languages_.size(); ++i)
        if (languages_[i].Id == id) return &languages_[i];
    return nullptr;
}

void TLanguageManager::SetActiveLanguage(int languageId) {
    std::filesystem::path path;
    {
        const std::shared_lock guard(lock_);
        if (languageId >= 0 && languageId <= 0xFFFF)
            if (const TLanguageInfo* info = FindLanguageLocked(static_cast<TLanguageId>(languageId)))
                path = info->Path;
    }

    // Read outside the lock; swap in only what loaded completely.
    std::vector<std::string> texts = EnglishTexts();
    std::map<std::string, std::map<int, std::string>> windows;
    TLanguageId id = 0;
    if (!path.empty()) {
        const TLanguageFile file = TLanguageFile::Load(path);
        for (const auto& [key, constant] : file.Constants())
            if (const auto index = TDefaultStringTable::IndexOf(key)) texts[*index] = constant.second;
        windows = file.Windows();
        id = static_cast<TLanguageId>(languageId);
    }
    {
        const std::unique_lock guard(lock_);
        activeId_ = path.empty() ? defaultId_ : id;
        texts_ = std::move(texts);
        windows_ = std::move(windows);
    }
    NotifyLanguageChanged();
}

TLanguageId TLanguageManager::ActiveLanguageId() const {
    const std::shared_lock guard(lock_);
    return activeId_;
}

int TLanguageManager::LanguageCount() const {
    const std::shared_lock guard(lock_);
    return static_cast<int>(languages_.size());
}

TLanguageInfo TLanguageManager::LanguageAt(int index) const {
    const std::shared_lock guard(lock_);
    if (index < 0 || static_cast<std::size_t>(index) >= languages_.size())
        throw std::out_of_range("language index " + std::to_string(index));
    return languages_[static_cast<std::size_t>(index)];
}

TLanguageId TLanguageManager::LanguageIdAt(int index) const {
    return LanguageAt(index).Id;
}

std::string TLanguageManager::LanguageNameAt(int index) const {
    return LanguageDisplayName(LanguageAt(index).Id);
}

std::map<int, std::string> TLanguageManager::WindowTexts(std::string_view windowName) const {
    const std::shared_lock guard(lock_);
    const auto it = windows_.find(LowerAscii(windowName));
    if (it == windows_.end()) return {};
    return it->second;
}

std::optional<std::string> TLanguageManager::WindowText(std::string_view windowName, int entry) const {
    const std::shared_lock guard(lock_);
    const auto it = windows_.find(LowerAscii(windowName));
    if (it == windows_.end()) return std::nullopt;
    const auto text = it->second.find(entry);
    if (text == it->second.end()) return std::nullopt;
    return text->second;
}

void TLanguageManager::SetHelpDirectory(const std::filesystem::path& directory) {
    const std::unique_lock guard(lock_);
    helpDirectory_ = directory;
}

std::filesystem::path TLanguageManager::HelpFileName() const {
    const std::shared_lock guard(lock_);
    return helpDirectory_ / ("Help - " + std::to_string(activeId_) + ".html");
}

TLanguageSubscription TLanguageManager::SubscribeLanguageChanged(std::function<void()> handler) {
    return TLanguageSubscription(slots_, slots_->Add(std::move(handler)));
}

void TLanguageManager::NotifyLanguageChanged() {
    slots_->Fire();
}

std::vector<std::filesystem::path> TLanguageManager::DefaultDataDirectories() {
    std::vector<std::filesystem::path> dirs;
    if (!QCoreApplication::instance()) return dirs;
    const std::filesystem::path programDir = QCoreApplication::applicationDirPath().toStdString();
    const std::filesystem::path candidates[] = {programDir / ".." / "share" / "tovrel-ftp", programDir};
    for (const auto& dir : candidates)
        if (IsDirectory(dir)) dirs.push_back(dir.lexically_normal());
#ifdef TOVREL_BUILD_DATA_DIR
    // A program started from the build tree finds the copies made there.
    const std::filesystem::path buildDir = std::filesystem::path(TOVREL_BUILD_DATA_DIR).lexically_normal();
    const auto rel = programDir.lexically_normal().lexically_relative(buildDir);
    if (!rel.empty() && *rel.begin() != ".." && IsDirectory(buildDir)) dirs.push_back(buildDir);
#endif
    return dirs;
}

bool TLanguageManager::Start(const std::vector<std::filesystem::path>& dataDirectories, int languageId) {
    for (const auto& dir : dataDirectories) ScanDirectory(dir / "Languages", "*.lng");
    SetDefaultLanguageId(BuiltInLanguageId);

    std::filesystem::path help = dataDirectories.empty() ? std::filesystem::path() : dataDirectories.front();
    for (const auto& dir : dataDirectories)
        if (IsDirectory(dir / "help")) {
            help = dir;
            break;
        }
    SetHelpDirectory(help / "help");

    try {
        SetActiveLanguage(languageId);
        return true;
    } catch (const ELocalizationError&) {
        SetActiveLanguage(BuiltInLanguageId);
        return false;
    }
}

// --- process-wide access -----------------------------------------------------

TLanguageManager& LangManager() {
    // Never destroyed: threads may still look texts up while the process ends.
    static TLanguageManager* const manager = new TLanguageManager();
    return *manager;
}

std::string LoadStr(std::string_view constantName) {
    return LangManager().Text(constantName);
}
