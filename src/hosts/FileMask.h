#pragma once
// TFileMask: a file-name mask such as "*.txt", "report-??.doc" or
// "[a-c]*.[!b]*", matched against a whole name (no path).
//
// - "*" matches any run of characters, the empty run included; "?" exactly
//   one character.
// - "[...]" matches one character from a set of characters and ranges
//   ("a-f"); "[!...]" one character outside it.
// - Letters a to z match without regard to case; every other character
//   matches only itself.
// - A set without its closing "]" makes the mask invalid: the constructor
//   raises EMaskException "'%s' is an invalid mask at (%d)" with the mask
//   and the 1-based position of the "[" that opened it.
//
// Names and masks are UTF-8; "?" and sets take one character, not one byte.
// Matching takes time proportional to the product of the two lengths at
// worst. Immutable once made; safe to share between threads.

#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

class EMaskException : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class TFileMask {
public:
    explicit TFileMask(std::string_view mask);

    bool Matches(std::string_view name) const;

private:
    struct TRange {
        char32_t First;
        char32_t Last;
    };
    enum class TKind { Literal, AnyChar, AnyRun, Set };
    struct TToken {
        TKind Kind = TKind::Literal;
        char32_t Char = 0;
        bool Negated = false;
        std::vector<TRange> Ranges;
    };

    bool TokenMatches(const TToken& token, char32_t c) const;

    std::vector<TToken> tokens_;
};

/// True when `name` matches `mask` (see TFileMask); raises EMaskException
/// for an invalid mask.
bool MatchesMask(std::string_view name, std::string_view mask);
