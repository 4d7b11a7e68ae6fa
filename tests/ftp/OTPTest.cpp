// One-time passwords: the published RFC 2289 vectors (hex and six words),
// MD4 against RFC 1320, and the recognition of challenges in 331 replies.
#include "ftp/MD4.h"
#include "ftp/OTP.h"
#include "ftp/OTPWords.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <type_traits>
#include <vector>

namespace {

struct TVector {
    std::string Hash, PassPhrase, Seed, Hex, Words, Source;
    std::uint32_t Count = 0;
};

std::vector<TVector> LoadVectors()
{
    std::ifstream in(TOVREL_FIXTURES_DIR "/rfc2289-vectors.tsv");
    std::vector<TVector> vectors;
    std::string line;
    std::getline(in, line);  // header
    while (std::getline(in, line)) {
        std::vector<std::string> fields;
        std::stringstream stream(line);
        std::string field;
        while (std::getline(stream, field, '\t'))
            fields.push_back(field);
        if (fields.size() != 7)
            continue;
        TVector v{fields[0], fields[1], fields[2], fields[4], fields[5], fields[6]};
        v.Count = static_cast<std::uint32_t>(std::stoul(fields[3]));
        vectors.push_back(v);
    }
    return vectors;
}

std::string HexOf(const TMD4Digest& digest)
{
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string out;
    for (const std::uint8_t b : digest) {
        out += kDigits[b >> 4];
        out += kDigits[b & 15];
    }
    return out;
}

TMD4Digest MD4Of(std::string_view text)
{
    return MD4Digest({reinterpret_cast<const std::uint8_t*>(text.data()), text.size()});
}

static_assert(std::is_base_of_v<EIdException, EIdFTPUnknownOTPMethodException>);

} // namespace

TEST(MD4, MatchesRfc1320TestSuite)
{
    const std::pair<std::string, std::string> cases[] = {
        {"", "31d6cfe0d16ae931b73c59d7e0c089c0"},
        {"a", "bde52cb31de33e46245e05fbdbd6fb24"},
        {"abc", "a448017aaf21d8525fc10ae87aa6729d"},
        {"message digest", "d9130a8164549fe818874806e1c7014b"},
        {"abcdefghijklmnopqrstuvwxyz", "d79e1c308aa5bbcdeea8ed63df412da9"},
        {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789", "043f8582f241db351ce627e153e7f0e4"},
        {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
         "e33b4ddc9c38f2199c3e7b164fcc0536"},
    };
    for (const auto& [input, expected] : cases)
        EXPECT_EQ(HexOf(MD4Of(input)), expected) << '"' << input << '"';
}

TEST(MD4, PaddingAtBlockBoundaries)
{
    // 55 bytes leave room for the length in the same block, 56 and 63 do
    // not, 64 and 120 start fresh blocks. Values from another MD4 implementation.
    const std::pair<std::size_t, std::string> cases[] = {
        {55, "c889c81dd86c4d2e025778944ea02881"},  {56, "d5f9a9e9257077a5f08b0b92f348b0ad"},
        {63, "7ea3da77432d44c323671097d1348fc8"},  {64, "52f5076fabd22680234a3fa9f9dc5732"},
        {119, "e65dd227ccef97fa1d34d70189120f76"}, {120, "b03ddbd470b47c013e0c7ab2ddd763db"},
    };
    for (const auto& [length, expected] : cases)
        EXPECT_EQ(HexOf(MD4Of(std::string(length, 'a'))), expected) << length;
}

TEST(OTP, ReproducesEveryRfc2289Vector)
{
    const auto vectors = LoadVectors();
    ASSERT_FALSE(vectors.empty()) << "fixture rfc2289-vectors.tsv not read";
    for (const TVector& v : vectors) {
        SCOPED_TRACE(v.Hash + " \"" + v.PassPhrase + "\" " + v.Seed + " " + std::to_string(v.Count));
        const TIdOTPKey key = ComputeOTP(OTPHashFromName(v.Hash), v.PassPhrase, v.Seed, v.Count);
        EXPECT_EQ(OTPKeyToHex(key), v.Hex);
        EXPECT_EQ(OTPKeyToWords(key), v.Words);
        const auto back = OTPKeyFromWords(v.Words);
        ASSERT_TRUE(back.has_value());
        EXPECT_EQ(*back, key);
    }
}

TEST(OTP, ResponseForChallengeIsSixWords)
{
    const TIdOTPChallenge challenge{ohMD5, 99, "AValidSeed"};
    EXPECT_EQ(OTPResponse(challenge, "A_Valid_Pass_Phrase"), "FOWL KID MASH DEAD DUAL OAF");
}

TEST(OTPWords, ChecksumCatchesAChangedWord)
{
    // The parity example: the last word carries the 2-bit checksum, so a
    // neighbouring word with the same 9 leading bits is refused.
    ASSERT_TRUE(OTPKeyFromWords("FOWL KID MASH DEAD DUAL OAF").has_value());
    const std::size_t oaf = *OTPWordIndex("OAF");
    for (std::size_t flip = 1; flip < 4; ++flip) {
        const std::string words = "FOWL KID MASH DEAD DUAL " + std::string(OTPWord(oaf ^ flip));
        EXPECT_FALSE(OTPKeyFromWords(words).has_value()) << words;
    }
    EXPECT_EQ(OTPKeyFromWords("fowl  kid mash dead dual oaf"), OTPKeyFromWords("FOWL KID MASH DEAD DUAL OAF"));
    EXPECT_FALSE(OTPKeyFromWords("FOWL KID MASH DEAD DUAL").has_value());
    EXPECT_FALSE(OTPKeyFromWords("FOWL KID MASH DEAD DUAL OAF OAF").has_value());
    EXPECT_FALSE(OTPKeyFromWords("FOWL KID MASH DEAD DUAL XYZZY").has_value());
}

TEST(OTPWords, DictionaryMatchesFixtureInOrder)
{
    std::ifstream in(TOVREL_FIXTURES_DIR "/rfc2289-words.txt");
    std::string word;
    std::size_t index = 0;
    while (std::getline(in, word)) {
        ASSERT_EQ(OTPWord(index), word) << index;
        ASSERT_EQ(OTPWordIndex(word), index) << word;
        ++index;
    }
    EXPECT_EQ(index, 2048u);
    EXPECT_EQ(OTPWord(2048), "");
}

TEST(OTP, HashNames)
{
    EXPECT_EQ(OTPHashFromName("md4"), ohMD4);
    EXPECT_EQ(OTPHashFromName("md5"), ohMD5);
    EXPECT_EQ(OTPHashFromName("sha1"), ohSHA1);
    for (const char* name : {"md2", "MD5", "sha", "sha256", ""}) {
        try {
            OTPHashFromName(name);
            ADD_FAILURE() << name;
        } catch (const EIdFTPUnknownOTPMethodException& e) {
            EXPECT_STREQ(e.what(), "Unknown OTP method");
        }
    }
}

TEST(OTP, ChallengeParsing)
{
    struct TCase {
        const char* Text;
        std::optional<TIdOTPChallenge> Expected;
    };
    const TCase cases[] = {
        {"otp-md5 499 ke1234 ext", TIdOTPChallenge{ohMD5, 499, "ke1234"}},
        {"Response to otp-md5 499 ke1234 ext required for joe.", TIdOTPChallenge{ohMD5, 499, "ke1234"}},
        {"331 otp-sha1 0 AValidSeed", TIdOTPChallenge{ohSHA1, 0, "AValidSeed"}},
        {"Password required: otp-md4 98 alpha1\r\n", TIdOTPChallenge{ohMD4, 98, "alpha1"}},
        {"[otp-md5 12 ab34], s/key 1 zz", TIdOTPChallenge{ohMD5, 12, "ab34"}},
        {"Welcome\r\notp-md5\t7\tx9\r\nend", TIdOTPChallenge{ohMD5, 7, "x9"}},
        {"s/key 99 seed", TIdOTPChallenge{ohMD4, 99, "seed"}},
        {"331 s/key 99 ma23891 required", TIdOTPChallenge{ohMD4, 99, "ma23891"}},
        // Not challenges: the plain password is sent.
        {"Password required for joe.", std::nullopt},
        {"otp-md2 499 ke1234", std::nullopt},
        {"otp-MD5 499 ke1234", std::nullopt},
        {"OTP-md5 499 ke1234", std::nullopt},
        {"otp-md5 ke1234 499", std::nullopt},
        {"otp-md5 -1 ke1234", std::nullopt},
        {"otp-md5 4294967296 ke1234", std::nullopt},
        {"otp-md5 1000001 ke1234", std::nullopt},
        {"otp-md5 499", std::nullopt},
        {"otp-md5 499 ", std::nullopt},
        {"otp-md5 499 !!", std::nullopt},
        {"otp-", std::nullopt},
        {"otp-md2 1 a s/key 1 b", std::nullopt},  // the first "otp-" decides
        {"s/keys 1 b", std::nullopt},
        {"", std::nullopt},
    };
    for (const TCase& c : cases)
        EXPECT_EQ(ParseOTPChallenge(c.Text), c.Expected) << '"' << c.Text << '"';
}
