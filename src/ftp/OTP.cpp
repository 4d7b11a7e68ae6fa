#include "ftp/OTP.h"

#include "ftp/MD4.h"

#include <openssl/evp.h>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <span>

namespace {

bool IsSeparator(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// Splits off the next separator-delimited word of `text` starting at `pos`.
std::string_view NextWord(std::string_view text, std::size_t& pos)
{
    while (pos < text.size() && IsSeparator(text[pos]))
        ++pos;
    const std::size_t start = pos;
    while (pos < text.size() && !IsSeparator(text[pos]))
        ++pos;
    return text.substr(start, pos - start);
}

std::optional<std::uint32_t> ParseCount(std::string_view word)
{
    std::uint32_t count = 0;
    const auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), count);
    if (error != std::errc() || end != word.data() + word.size() || word.empty() || count > OTPMaxCount)
        return std::nullopt;
    return count;
}

// The seed is letters and digits (RFC 2289 says 1 to 16; longer ones are
// answered all the same); servers sometimes close the challenge with
// punctuation ("ke1234]"), which is not part of it.
std::optional<std::string> ParseSeed(std::string_view word)
{
    std::size_t length = 0;
    while (length < word.size() && std::isalnum(static_cast<unsigned char>(word[length])))
        ++length;
    if (length == 0)
        return std::nullopt;
    return std::string(word.substr(0, length));
}

std::optional<TIdOTPChallenge> ParseCountAndSeed(TIdOTPHash hash, std::string_view text, std::size_t pos)
{
    const auto count = ParseCount(NextWord(text, pos));
    if (!count)
        return std::nullopt;
    auto seed = ParseSeed(NextWord(text, pos));
    if (!seed)
        return std::nullopt;
    return TIdOTPChallenge{hash, *count, std::move(*seed)};
}

using TDigestBytes = std::array<std::uint8_t, 20>;

std::size_t Digest(TIdOTPHash hash, std::span<const std::uint8_t> data, TDigestBytes& out)
{
    if (hash == ohMD4) {
        const TMD4Digest digest = MD4Digest(data);
        std::copy(digest.begin(), digest.end(), out.begin());
        return digest.size();
    }
    unsigned size = 0;
    const EVP_MD* md = hash == ohMD5 ? EVP_md5() : EVP_sha1();
    if (EVP_Digest(data.data(), data.size(), out.data(), &size, md, nullptr) != 1)
        throw EIdException("The message digest failed.");
    return size;
}

// RFC 2289 folds MD4 and MD5 by XOR of the two digest halves. SHA-1 is
// folded on its five big-endian words (d0 ^= d2 ^ d4, d1 ^= d3) and the
// two words are then stored least significant byte first; the reference
// implementation does this and the published vectors depend on it.
TIdOTPKey Fold(TIdOTPHash hash, const TDigestBytes& digest)
{
    TIdOTPKey key{};
    if (hash != ohSHA1) {
        for (std::size_t i = 0; i < 8; ++i)
            key[i] = static_cast<std::uint8_t>(digest[i] ^ digest[i + 8]);
        return key;
    }
    for (std::size_t i = 0; i < 4; ++i) {
        key[3 - i] = static_cast<std::uint8_t>(digest[i] ^ digest[i + 8] ^ digest[i + 16]);
        key[7 - i] = static_cast<std::uint8_t>(digest[i + 4] ^ digest[i + 12]);
    }
    return key;
}

std::span<const std::uint8_t> Bytes(std::string_view text)
{
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

} // namespace

TIdOTPHash OTPHashFromName(std::string_view name)
{
    if (name == "md4")
        return ohMD4;
    if (name == "md5")
        return ohMD5;
    if (name == "sha1")
        return ohSHA1;
    throw EIdFTPUnknownOTPMethodException();
}

std::optional<TIdOTPChallenge> ParseOTPChallenge(std::string_view replyText)
{
    std::size_t pos = replyText.find("otp-");
    if (pos != std::string_view::npos) {
        pos += 4;
        std::size_t nameEnd = pos;
        while (nameEnd < replyText.size() && !IsSeparator(replyText[nameEnd]))
            ++nameEnd;
        const std::string_view name = replyText.substr(pos, nameEnd - pos);
        if (name != "md4" && name != "md5" && name != "sha1")
            return std::nullopt;
        return ParseCountAndSeed(OTPHashFromName(name), replyText, nameEnd);
    }
    pos = replyText.find("s/key");
    if (pos == std::string_view::npos)
        return std::nullopt;
    pos += 5;
    if (pos < replyText.size() && !IsSeparator(replyText[pos]))
        return std::nullopt;
    return ParseCountAndSeed(ohMD4, replyText, pos);
}

TIdOTPKey ComputeOTP(TIdOTPHash hash, std::string_view passPhrase, std::string_view seed, std::uint32_t count)
{
    std::string input;
    input.reserve(seed.size() + passPhrase.size());
    for (const char c : seed)
        input += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    input.append(passPhrase);

    TDigestBytes digest{};
    Digest(hash, Bytes(input), digest);
    TIdOTPKey key = Fold(hash, digest);
    for (std::uint32_t i = 0; i < count; ++i) {
        Digest(hash, key, digest);
        key = Fold(hash, digest);
    }
    return key;
}

std::string OTPResponse(const TIdOTPChallenge& challenge, std::string_view passPhrase)
{
    return OTPKeyToWords(ComputeOTP(challenge.Hash, passPhrase, challenge.Seed, challenge.Count));
}
