#pragma once
// Display names of Windows language identifiers (LANGIDs), the numbers
// language files carry in their "LANGID" header.
//
// LanguageDisplayName() answers the language's own name from the locale
// data (first letter upper case, e.g. "Deutsch", "American English"), or
// the identifier in decimal when the table below does not know it.
// Thread-safe.

#include <cstdint>
#include <optional>
#include <string>

/// The BCP 47 tag of a known identifier ("de-DE" for 1031).
std::optional<std::string> LanguageTag(std::uint16_t languageId);

std::string LanguageDisplayName(std::uint16_t languageId);
