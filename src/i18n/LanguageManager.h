#pragma once
// TLanguageManager: the available languages, the active one, its string
// table and its window texts.
//
// Entry 0 of the language list is always the built-in language (1033,
// United States English); entries 1..n are the language files registered
// by ScanDirectory(), in scan order (file names sorted within a directory).
//
// Contract:
// - Thread-safe. Look-ups take the read side of a many-readers/one-writer
//   lock; scanning and switching languages take the write side.
// - Text() raises ELocalizationError("Constant \"<name>\" not found") for a
//   name outside the string table, in every language: that is a programming
//   error, not something callers handle. Names ignore ASCII letter case.
// - SetActiveLanguage() of an identifier that no registered file carries
//   selects the built-in language without complaint. A registered file that
//   cannot be read raises ELocalizationError and leaves the active language
//   as it was. Constants a file gives that the table does not hold are
//   ignored; entries it does not give keep their English text.
// - Language-changed handlers run after every successful
//   SetActiveLanguage(), on the calling thread, after the lock is released
//   (so they may call Text()). A handler is never called after its
//   subscription was reset or destroyed, even from another thread; handlers
//   must not wait for a thread that is resetting a subscription.
// - Texts are UTF-8.
//
// The program has one manager, LangManager(), created on first use and
// living until the process ends; tests may make their own.

#include "i18n/LanguageFile.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <shared_mutex>
#include <string>
#include <string_view>
#include <vector>

using TLanguageId = std::uint16_t;

struct TLanguageInfo {
    TLanguageId Id = 0;
    std::filesystem::path Path;  // empty for the built-in language
};

class TLanguageSlots;

/// Keeps a language-changed handler attached; detaches it when reset or
/// destroyed. May outlive the manager.
class TLanguageSubscription {
public:
    TLanguageSubscription() = default;
    TLanguageSubscription(std::weak_ptr<TLanguageSlots> registry, std::uint64_t id);
    TLanguageSubscription(TLanguageSubscription&& other) noexcept;
    TLanguageSubscription& operator=(TLanguageSubscription&& other) noexcept;
    TLanguageSubscription(const TLanguageSubscription&) = delete;
    TLanguageSubscription& operator=(const TLanguageSubscription&) = delete;
    ~TLanguageSubscription();

    void Reset();
    bool Attached() const { return id_ != 0; }

private:
    std::weak_ptr<TLanguageSlots> slots_;
    std::uint64_t id_ = 0;
};

class TLanguageManager {
public:
    static constexpr TLanguageId BuiltInLanguageId = 1033;

    TLanguageManager();
    ~TLanguageManager();
    TLanguageManager(const TLanguageManager&) = delete;
    TLanguageManager& operator=(const TLanguageManager&) = delete;

    // --- string table --------------------------------------------------
    /// The active language's text of a string-table entry.
    std::string Text(std::string_view constantName) const;

    // --- languages -----------------------------------------------------
    /// Registers every file in `directory` (not its subdirectories) whose
    /// name matches `mask` ("*" and "?", letter case ignored) and whose
    /// "LANGID" is a number other than 0 and other than the default
    /// language's. A file that cannot be read, or whose identifier is
    /// already registered, is skipped. Answers how many were registered; a
    /// missing directory registers none.
    int ScanDirectory(const std::filesystem::path& directory, std::string_view mask = "*.lng");

    void SetDefaultLanguageId(TLanguageId id);
    TLanguageId DefaultLanguageId() const;

    /// Makes `languageId` active (out-of-range and unknown identifiers
    /// select the default language), then notifies the handlers.
    void SetActiveLanguage(int languageId);
    TLanguageId ActiveLanguageId() const;

    int LanguageCount() const;
    /// Out-of-range indexes raise std::out_of_range.
    TLanguageInfo LanguageAt(int index) const;
    TLanguageId LanguageIdAt(int index) const;
    std::string LanguageNameAt(int index) const;

    // --- window texts --------------------------------------------------
    /// The active language's replacement texts for one window, by entry
    /// number; empty for the built-in language or a window the file omits.
    std::map<int, std::string> WindowTexts(std::string_view windowName) const;
    std::optional<std::string> WindowText(std::string_view windowName, int entry) const;

    // --- help ----------------------------------------------------------
    void SetHelpDirectory(const std::filesystem::path& directory);
    /// "<help directory>/Help - <active id>.html". The file may not exist.
    std::filesystem::path HelpFileName() const;

    // --- notification --------------------------------------------------
    [[nodiscard]] TLanguageSubscription SubscribeLanguageChanged(std::function<void()> handler);

    // --- start-up ------------------------------------------------------
    /// Where the shipped data lives: "<program dir>/../share/tovrel-ftp",
    /// "<program dir>", and the build tree when the program runs from it.
    /// Directories that do not exist are left out; without a
    /// QCoreApplication the program directory is unknown and none is
    /// answered.
    static std::vector<std::filesystem::path> DefaultDataDirectories();

    /// The program's start-up: scans "<dir>/Languages" of every data
    /// directory, sets the default language to 1033, activates
    /// `languageId` and points help at "<first dir with help>/help".
    /// Answers false when the chosen language could not be loaded; English
    /// is active then and the caller shows "Could not load language file.
    /// Reverting to English.".
    bool Start(const std::vector<std::filesystem::path>& dataDirectories, int languageId);

private:
    mutable std::shared_mutex lock_;
    TLanguageId defaultId_ = BuiltInLanguageId;
    TLanguageId activeId_ = BuiltInLanguageId;
    std::vector<TLanguageInfo> languages_;
    std::vector<std::string> texts_;  // parallel to TDefaultStringTable::Entries()
    std::map<std::string, std::map<int, std::string>> windows_;
    std::filesystem::path helpDirectory_;
    std::shared_ptr<TLanguageSlots> slots_;

    const TLanguageInfo* FindLanguageLocked(TLanguageId id) const;
    void NotifyLanguageChanged();
};

/// The program's language manager.
TLanguageManager& LangManager();

/// The active language's text of a string-table constant, e.g.
/// LoadStr("MainForm_strRSSTConnected"). Raises ELocalizationError for an
/// unknown name.
std::string LoadStr(std::string_view constantName);
