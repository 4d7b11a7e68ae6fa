#pragma once
// TTextCopies: the program's own copies of a fixed set of string-table
// texts, refreshed whenever a language is loaded.
//
// Errors and queue statuses take their texts from such copies at the
// moment they are made, so an error keeps the language that was active
// when it happened even after the user switches languages.
//
// Contract:
// - Thread-safe: Text() may run on any thread while a language switch
//   refreshes the copies on another.
// - Text() of a name outside the set raises ELocalizationError (a
//   programming error, as for the string table itself).
// - The copies follow the given manager's language-changed notification
//   for as long as this object lives.

#include "i18n/LanguageManager.h"

#include <initializer_list>
#include <map>
#include <mutex>
#include <string>
#include <string_view>

class TTextCopies {
public:
    TTextCopies(std::initializer_list<std::string_view> constantNames, TLanguageManager& manager);
    TTextCopies(const TTextCopies&) = delete;
    TTextCopies& operator=(const TTextCopies&) = delete;

    /// The copy of one constant's text.
    std::string Text(std::string_view constantName) const;
    /// Takes fresh copies from the manager's active language.
    void Refresh();

private:
    TLanguageManager& manager_;
    std::mutex refreshLock_;
    mutable std::mutex lock_;
    std::map<std::string, std::string, std::less<>> texts_;
    TLanguageSubscription subscription_;
};
