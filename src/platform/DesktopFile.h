#pragma once
// TDesktopFile: a freedesktop key file (".desktop" entries, "mimeapps.list")
// read and rewritten without losing what the program does not touch:
// comments, blank lines, other groups and keys keep their text and order.
//
// Contract:
// - Load() answers nullopt when the file is absent or cannot be read; it
//   never creates anything. Lines that are neither groups nor entries are
//   kept as they are.
// - Value() unescapes "\s", "\n", "\t", "\r" and "\\"; SetValue() escapes.
// - Save() writes a temporary file and renames it over the old one (the old
//   file stays whole when writing fails), creating missing parent folders;
//   raises EInOutError on failure.
// - Exec lines: SplitExec() undoes the quoting of the desktop entry rules;
//   QuoteExecArgument() quotes one argument so SplitExec() reads it back.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

class TDesktopFile {
public:
    static std::optional<TDesktopFile> Load(const std::string& path);
    static TDesktopFile Parse(std::string_view text);

    bool HasGroup(std::string_view group) const;
    std::optional<std::string> Value(std::string_view group, std::string_view key) const;
    /// Adds the group at the end and the key at the end of its group when missing.
    void SetValue(std::string_view group, std::string_view key, std::string_view value);
    bool RemoveKey(std::string_view group, std::string_view key);
    /// True when no group holds an entry.
    bool IsEmpty() const;

    std::string ToText() const;
    void Save(const std::string& path, bool executable = false) const;

    static std::string EscapeValue(std::string_view value);
    static std::string UnescapeValue(std::string_view value);
    /// "a;b;" -> {"a", "b"} (escaped ";" kept inside an element).
    static std::vector<std::string> SplitList(std::string_view value);
    static std::string JoinList(const std::vector<std::string>& items);

    static std::string QuoteExecArgument(std::string_view argument);
    /// The arguments of an Exec value (already unescaped with UnescapeValue).
    static std::vector<std::string> SplitExec(std::string_view exec);

private:
    struct TLine {
        std::string Key;  // empty: a comment, blank or unreadable line
        std::string Text; // the whole line, or the raw (escaped) value of an entry
    };
    struct TGroup {
        std::string Name; // empty for lines before the first group
        std::vector<TLine> Lines;
    };
    TGroup* FindGroup(std::string_view group);
    const TGroup* FindGroup(std::string_view group) const;

    std::vector<TGroup> groups_;
};
