#include "hosts/PasswordProtection.h"
#include "hosts/RC6.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

std::vector<std::uint8_t> FromHex(const std::string& hex)
{
    std::vector<std::uint8_t> out;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
        out.push_back(static_cast<std::uint8_t>(std::stoi(hex.substr(i, 2), nullptr, 16)));
    return out;
}

struct TVector {
    std::string Key, Plain, Cipher;
};

std::vector<TVector> LoadVectors()
{
    std::ifstream in(TOVREL_FIXTURES_DIR "/rc6-vectors.tsv");
    std::vector<TVector> vectors;
    std::string line;
    std::getline(in, line); // header
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        TVector v;
        std::getline(fields, v.Key, '\t');
        std::getline(fields, v.Plain, '\t');
        std::getline(fields, v.Cipher, '\t');
        if (!v.Key.empty())
            vectors.push_back(v);
    }
    return vectors;
}

const std::string HostA = "{0F3C6A2E-1B7D-4E59-9A80-2C4D6E8F1A3B}";
const std::string HostB = "{7E2B9C4D-5A61-4F08-B3D2-9E1F0A6C8B57}";

} // namespace

TEST(RC6, PublishedVectorsEncryptAndDecrypt)
{
    const auto vectors = LoadVectors();
    ASSERT_EQ(vectors.size(), 15u);
    for (const auto& v : vectors) {
        SCOPED_TRACE(v.Key);
        const auto key = FromHex(v.Key);
        const auto plain = FromHex(v.Plain);
        const auto cipher = FromHex(v.Cipher);
        std::vector<std::uint8_t> out(16);
        TRC6(key).EncryptBlock(plain.data(), out.data());
        EXPECT_EQ(out, cipher);
        TRC6(key).DecryptBlock(cipher.data(), out.data());
        EXPECT_EQ(out, plain);
    }
}

TEST(PasswordProtection, StoredTextLengthsAndRoundTrip)
{
    const std::pair<std::size_t, std::size_t> cases[] = {{0, 22}, {1, 22}, {15, 22}, {16, 43}, {17, 43},
                                                        {31, 43}, {32, 64}, {47, 64}, {48, 86}};
    for (const auto& [length, stored] : cases) {
        SCOPED_TRACE(length);
        std::string password;
        for (std::size_t i = 0; i < length; ++i)
            password += static_cast<char>('a' + i % 26);
        const std::string text = EncryptPassword(HostA, password);
        EXPECT_EQ(text.size(), stored);
        EXPECT_EQ(text.find_first_not_of(PasswordCoding::Alphabet), std::string::npos);
        EXPECT_EQ(DecryptPassword(HostA, text), password);
    }
}

TEST(PasswordProtection, NonAsciiPasswordsAreUtf8Bytes)
{
    const std::string password = "p\xC3\xA4ss\xE2\x82\xAC\x01\xFF"; // "päss€", a control byte, a stray byte
    EXPECT_EQ(DecryptPassword(HostA, EncryptPassword(HostA, password)), password);
}

TEST(PasswordProtection, KeyIsTheFirst32CharactersOfTheHostID)
{
    EXPECT_EQ(EncryptPassword(HostA, "secret"), EncryptPassword(HostA, "secret"));
    EXPECT_NE(EncryptPassword(HostA, "secret"), EncryptPassword(HostB, "secret"));
    std::string sameStart = HostA;
    sameStart.replace(32, 5, "00000");
    EXPECT_EQ(EncryptPassword(HostA, "secret"), EncryptPassword(sameStart, "secret"));
    // A short key is extended with zero bytes.
    EXPECT_EQ(DecryptPassword("short", EncryptPassword("short", "x")), "x");
}

TEST(PasswordProtection, DamagedStoredTextsFail)
{
    const std::string good = EncryptPassword(HostA, "secret");
    for (const std::string& bad : {std::string(), std::string("A"), good.substr(0, 21), good + "AB"}) {
        SCOPED_TRACE(bad);
        EXPECT_THROW(DecryptPassword(HostA, bad), EPasswordDecryptError);
    }
}

TEST(PasswordProtection, WrongKeyGarblesButDoesNotFail)
{
    const std::string text = EncryptPassword(HostA, "secret");
    std::string result;
    EXPECT_NO_THROW(result = DecryptPassword(HostB, text));
    EXPECT_NE(result, "secret");
    EXPECT_LE(result.size(), 15u);
}

TEST(PasswordCoding, ThreeBytesToFourCharactersMostSignificantFirst)
{
    EXPECT_EQ(PasswordCoding::Encode(std::string("\0\0\0", 3)), "++++");
    EXPECT_EQ(PasswordCoding::Encode("\xFF\xFF\xFF"), "zzzz");
    EXPECT_EQ(PasswordCoding::Encode(std::string("\x04\x10\x41", 3)), "----");
    EXPECT_EQ(PasswordCoding::Encode("\xFF"), "zk");   // 111111 110000
    EXPECT_EQ(PasswordCoding::Encode("\xFF\xFF"), "zzw"); // ... 111100
    EXPECT_EQ(PasswordCoding::Decode("zk"), "\xFF");
    EXPECT_EQ(PasswordCoding::Decode("zzw"), "\xFF\xFF");
    EXPECT_EQ(PasswordCoding::Decode("zzzzz"), "\xFF\xFF\xFF"); // a lone last character yields nothing
    EXPECT_EQ(PasswordCoding::Decode("**"), std::string(1, '\0')); // outside the alphabet counts as 0
}
