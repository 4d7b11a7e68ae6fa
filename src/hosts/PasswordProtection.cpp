#include "hosts/PasswordProtection.h"

#include "hosts/RC6.h"

#include <openssl/crypto.h>

#include <array>
#include <cstdint>

namespace {

constexpr std::size_t KeySize = 32;

// Wipes a buffer that held a password before it is released.
struct TWipedBytes {
    std::string bytes;
    ~TWipedBytes()
    {
        if (!bytes.empty())
            OPENSSL_cleanse(bytes.data(), bytes.size());
    }
};

std::array<std::uint8_t, KeySize> KeyFromText(std::string_view keyText)
{
    std::array<std::uint8_t, KeySize> key{};
    for (std::size_t i = 0; i < KeySize && i < keyText.size(); ++i)
        key[i] = static_cast<std::uint8_t>(keyText[i]);
    return key;
}

std::uint8_t* Bytes(std::string& s) { return reinterpret_cast<std::uint8_t*>(s.data()); }

int ValueOf(char c)
{
    const std::size_t pos = PasswordCoding::Alphabet.find(c);
    return pos == std::string_view::npos ? 0 : static_cast<int>(pos);
}

} // namespace

std::string PasswordCoding::Encode(std::string_view bytes)
{
    std::string out;
    out.reserve((bytes.size() * 4 + 2) / 3);
    for (std::size_t i = 0; i < bytes.size(); i += 3) {
        const std::size_t n = std::min<std::size_t>(3, bytes.size() - i);
        std::uint32_t group = 0;
        for (std::size_t k = 0; k < 3; ++k)
            group = (group << 8) | (k < n ? static_cast<std::uint8_t>(bytes[i + k]) : 0u);
        for (std::size_t k = 0; k < n + 1; ++k)
            out += Alphabet[(group >> (18 - 6 * k)) & 63u];
    }
    return out;
}

std::string PasswordCoding::Decode(std::string_view text)
{
    std::string out;
    out.reserve(text.size() * 3 / 4);
    for (std::size_t i = 0; i < text.size(); i += 4) {
        const std::size_t n = std::min<std::size_t>(4, text.size() - i);
        if (n < 2)
            break;
        std::uint32_t group = 0;
        for (std::size_t k = 0; k < 4; ++k)
            group = (group << 6) | static_cast<std::uint32_t>(k < n ? ValueOf(text[i + k]) : 0);
        for (std::size_t k = 0; k < n - 1; ++k)
            out += static_cast<char>((group >> (16 - 8 * k)) & 0xFFu);
    }
    return out;
}

std::string EncryptPassword(std::string_view keyText, std::string_view password)
{
    auto key = KeyFromText(keyText);
    TRC6 cipher(key);
    OPENSSL_cleanse(key.data(), key.size());

    TWipedBytes data{std::string(password)};
    const std::size_t pad = TRC6::BlockSize - password.size() % TRC6::BlockSize;
    data.bytes.append(pad, static_cast<char>(pad));
    for (std::size_t i = 0; i < data.bytes.size(); i += TRC6::BlockSize)
        cipher.EncryptBlock(Bytes(data.bytes) + i, Bytes(data.bytes) + i);
    return PasswordCoding::Encode(data.bytes);
}

std::string DecryptPassword(std::string_view keyText, std::string_view storedText)
{
    TWipedBytes data{PasswordCoding::Decode(storedText)};
    if (data.bytes.empty() || data.bytes.size() % TRC6::BlockSize != 0)
        throw EPasswordDecryptError("The stored password is damaged and could not be restored.");

    auto key = KeyFromText(keyText);
    TRC6 cipher(key);
    OPENSSL_cleanse(key.data(), key.size());
    for (std::size_t i = 0; i < data.bytes.size(); i += TRC6::BlockSize)
        cipher.DecryptBlock(Bytes(data.bytes) + i, Bytes(data.bytes) + i);

    const auto last = static_cast<std::uint8_t>(data.bytes.back());
    const std::size_t drop = (last >= 1 && last <= TRC6::BlockSize) ? last : 1;
    return data.bytes.substr(0, data.bytes.size() - drop);
}
