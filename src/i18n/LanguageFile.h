#pragma once
// TLanguageFile: one parsed language file ("*.lng").
//
// Format (text, one entry per line, lines end in CR LF, LF or CR):
// - The byte-order mark chooses the encoding (i18n/TextEncoding.h).
// - "[Name]" opens the section Name. Any other line without "=" is ignored.
//   An entry is split at its first "="; name and value are trimmed of
//   surrounding blanks and control characters, then the value is unescaped.
// - Entries before the first section are header parameters; "LANGID" is the
//   decimal language identifier.
// - Section "$CONSTANTS" (any letter case): constant name = text.
// - Any other section is a window's component name; its entries are
//   number = text, where numbers not greater than 0 (or not numbers) are
//   ignored.
// - A later entry with the same name or number replaces an earlier one.
//
// Parse() never fails on content: damaged input gives fewer entries, never
// an exception. Load() raises ELocalizationError when the file cannot be
// read (or is unreasonably large). Names and section names are kept as
// written; look-ups through the accessors ignore ASCII letter case.
//
// All texts are UTF-8.

#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>

class TLanguageFile {
public:
    /// Files above this size are refused rather than read into memory.
    static constexpr std::uintmax_t MaxFileSize = 16 * 1024 * 1024;

    static TLanguageFile Parse(std::string_view fileBytes);
    static TLanguageFile Load(const std::filesystem::path& path);
    /// Reads only as far as the header needs. Nullopt when "LANGID" is
    /// missing, not a decimal number or outside 0..65535. Raises
    /// ELocalizationError when the file cannot be read.
    static std::optional<std::uint16_t> ReadLanguageId(const std::filesystem::path& path);

    /// "LANGID" of the header, with the rules of ReadLanguageId().
    std::optional<std::uint16_t> LanguageId() const;

    std::optional<std::string> HeaderValue(std::string_view name) const;
    std::optional<std::string> Constant(std::string_view name) const;
    /// Every constant of the file: key is the name in lower case, value the
    /// name as written and its text.
    const std::map<std::string, std::pair<std::string, std::string>>& Constants() const { return constants_; }
    /// The numbered texts of one window section (empty when absent).
    std::map<int, std::string> WindowTexts(std::string_view windowName) const;
    /// Section names other than "$CONSTANTS", in lower case.
    std::map<std::string, std::map<int, std::string>> const& Windows() const { return windows_; }

private:
    std::map<std::string, std::string> header_;  // lower-case name -> value
    std::map<std::string, std::pair<std::string, std::string>> constants_;
    std::map<std::string, std::map<int, std::string>> windows_;

    void AddEntry(const std::string& section, std::string_view name, std::string value);
};

/// The value rules of the format: "\\" is a backslash, "\n" CR LF, "\t" a
/// tab, a backslash and two decimal digits the character with that code;
/// any other backslash stays a backslash.
std::string UnescapeLanguageText(std::string_view value);

/// The opposite direction, for the files translators start from: tab "\t",
/// any line break (CR LF, LF CR, lone CR, lone LF) "\n", backslash "\\",
/// other characters below 32 a backslash and two decimal digits. Blanks at
/// either end are written "\32" so that reading the line back keeps them.
std::string EscapeLanguageText(std::string_view text);

/// A complete language file (UTF-8 with byte-order mark, CR LF lines) with
/// the header "LANGID", the constants and the window sections given.
std::string WriteLanguageFile(std::uint16_t languageId,
                              const std::map<std::string, std::string>& constants,
                              const std::map<std::string, std::map<int, std::string>>& windows = {});

/// Parses a decimal language identifier: digits only (after trimming),
/// 0..65535. Nullopt otherwise.
std::optional<std::uint16_t> ParseLanguageId(std::string_view text);

/// ASCII lower case of a name.
std::string LowerAscii(std::string_view text);
