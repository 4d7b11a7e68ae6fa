#pragma once
// The RFC 2289 six-word form of a 64-bit one-time password: the 64 bits,
// most significant first, followed by a 2-bit checksum (the sum of the 32
// bit pairs, mod 4), read as six 11-bit indexes into the standard
// dictionary. Pure functions, thread-safe.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

/// The eight bytes of a one-time password, in the order the RFC prints them.
using TIdOTPKey = std::array<std::uint8_t, 8>;

/// Dictionary word `index` (0..2047), upper case.
std::string_view OTPWord(std::size_t index);

/// The index of `word` (any letter case); nullopt when it is not in the dictionary.
std::optional<std::size_t> OTPWordIndex(std::string_view word);

/// Six upper-case dictionary words separated by single blanks.
std::string OTPKeyToWords(const TIdOTPKey& key);

/// The key written by six dictionary words (separated by blanks, any case);
/// nullopt for unknown words, a word count other than six, or a wrong checksum.
std::optional<TIdOTPKey> OTPKeyFromWords(std::string_view words);

/// Sixteen upper-case hex digits, no separators.
std::string OTPKeyToHex(const TIdOTPKey& key);
