#include "hosts/FileMask.h"

#include <QList>
#include <QString>

namespace {

std::u32string ToCharacters(std::string_view text)
{
    const QList<uint> ucs4 = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())).toUcs4();
    return std::u32string(ucs4.begin(), ucs4.end());
}

char32_t FoldAsciiLetter(char32_t c) { return (c >= U'A' && c <= U'Z') ? c - U'A' + U'a' : c; }

} // namespace

TFileMask::TFileMask(std::string_view mask)
{
    const std::u32string chars = ToCharacters(mask);
    for (std::size_t i = 0; i < chars.size(); ++i) {
        TToken token;
        const char32_t c = chars[i];
        if (c == U'*') {
            token.Kind = TKind::AnyRun;
            if (!tokens_.empty() && tokens_.back().Kind == TKind::AnyRun)
                continue; // "**" is "*"
        } else if (c == U'?') {
            token.Kind = TKind::AnyChar;
        } else if (c == U'[') {
            const std::size_t open = i;
            token.Kind = TKind::Set;
            ++i;
            if (i < chars.size() && chars[i] == U'!') {
                token.Negated = true;
                ++i;
            }
            while (i < chars.size() && chars[i] != U']') {
                TRange range{chars[i], chars[i]};
                if (i + 2 < chars.size() && chars[i + 1] == U'-' && chars[i + 2] != U']') {
                    range.Last = chars[i + 2];
                    i += 2;
                }
                token.Ranges.push_back(range);
                ++i;
            }
            if (i >= chars.size())
                throw EMaskException("'" + std::string(mask) + "' is an invalid mask at (" +
                                     std::to_string(open + 1) + ")");
        } else {
            token.Char = c;
        }
        tokens_.push_back(std::move(token));
    }
}

bool TFileMask::TokenMatches(const TToken& token, char32_t c) const
{
    switch (token.Kind) {
    case TKind::AnyChar:
        return true;
    case TKind::Literal:
        return FoldAsciiLetter(token.Char) == FoldAsciiLetter(c);
    case TKind::Set: {
        bool inSet = false;
        for (const TRange& r : token.Ranges) {
            if ((c >= r.First && c <= r.Last) ||
                (FoldAsciiLetter(c) >= FoldAsciiLetter(r.First) && FoldAsciiLetter(c) <= FoldAsciiLetter(r.Last) &&
                 ((r.First >= U'a' && r.Last <= U'z') || (r.First >= U'A' && r.Last <= U'Z')))) {
                inSet = true;
                break;
            }
        }
        return inSet != token.Negated;
    }
    case TKind::AnyRun:
        break;
    }
    return false;
}

bool TFileMask::Matches(std::string_view name) const
{
    // Greedy match with one back-tracking point: every token but "*" takes
    // exactly one character, so the last "*" seen is the only one that
    // ever needs to take more.
    const std::u32string chars = ToCharacters(name);
    std::size_t t = 0, n = 0;
    std::size_t starToken = std::u32string::npos, starName = 0;
    while (n < chars.size()) {
        if (t < tokens_.size() && tokens_[t].Kind == TKind::AnyRun) {
            starToken = t++;
            starName = n;
        } else if (t < tokens_.size() && TokenMatches(tokens_[t], chars[n])) {
            ++t;
            ++n;
        } else if (starToken != std::u32string::npos) {
            t = starToken + 1;
            n = ++starName;
        } else {
            return false;
        }
    }
    while (t < tokens_.size() && tokens_[t].Kind == TKind::AnyRun)
        ++t;
    return t == tokens_.size();
}

bool MatchesMask(std::string_view name, std::string_view mask) { return TFileMask(mask).Matches(name); }
