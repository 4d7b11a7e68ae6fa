#pragma once
// TDefaultStringTable: the built-in United States English string table
// (language 1033), the texts every language file overrides by name.
//
// Contract:
// - Entries() is sorted by name, compared ASCII case-insensitively; names
//   are unique in that comparison. The order is fixed for the life of the
//   program, so an entry's index can key a per-language copy of the table.
// - IndexOf() finds a name without regard to letter case in O(log n).
// - Pure data; safe from any thread.
//
// Texts are UTF-8. Placeholders follow Format() (i18n/Format.h): "%s",
// "%d" and so on; line breaks inside a text are CR LF.

#include <cstddef>
#include <optional>
#include <span>
#include <string_view>

struct TStringTableEntry {
    std::string_view Name;
    std::string_view Text;
};

class TDefaultStringTable {
public:
    static std::span<const TStringTableEntry> Entries();
    static std::optional<std::size_t> IndexOf(std::string_view name);
    /// The English text of a name, or nullopt for a name the table lacks.
    static std::optional<std::string_view> Find(std::string_view name);
};

/// ASCII-only, case-insensitive three-way comparison of two names.
constexpr int CompareNamesNoCase(std::string_view a, std::string_view b) {
    const std::size_t n = a.size() < b.size() ? a.size() : b.size();
    for (std::size_t i = 0; i < n; ++i) {
        char x = a[i];
        char y = b[i];
        if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
        if (x != y) return static_cast<unsigned char>(x) < static_cast<unsigned char>(y) ? -1 : 1;
    }
    if (a.size() == b.size()) return 0;
    return a.size() < b.size() ? -1 : 1;
}
