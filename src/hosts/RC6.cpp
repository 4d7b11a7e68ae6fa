#include "hosts/RC6.h"

#include <openssl/crypto.h>

#include <algorithm>
#include <bit>
#include <stdexcept>
#include <vector>

namespace {

constexpr std::uint32_t P32 = 0xB7E15163u;
constexpr std::uint32_t Q32 = 0x9E3779B9u;

std::uint32_t RotL(std::uint32_t x, std::uint32_t n) { return std::rotl(x, static_cast<int>(n & 31u)); }
std::uint32_t RotR(std::uint32_t x, std::uint32_t n) { return std::rotr(x, static_cast<int>(n & 31u)); }

std::uint32_t LoadWord(const std::uint8_t* p)
{
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

void StoreWord(std::uint32_t w, std::uint8_t* p)
{
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<std::uint8_t>(w >> (8 * i));
}

} // namespace

TRC6::TRC6(std::span<const std::uint8_t> key)
{
    if (key.size() > MaxKeySize)
        throw std::invalid_argument("RC6 key longer than 255 bytes");
    const std::size_t c = std::max<std::size_t>(1, (key.size() + 3) / 4);
    std::vector<std::uint32_t> l(c, 0);
    for (std::size_t i = 0; i < key.size(); ++i)
        l[i / 4] |= static_cast<std::uint32_t>(key[i]) << (8 * (i % 4));

    const std::size_t t = schedule_.size();
    schedule_[0] = P32;
    for (std::size_t i = 1; i < t; ++i)
        schedule_[i] = schedule_[i - 1] + Q32;

    std::uint32_t a = 0, b = 0;
    std::size_t i = 0, j = 0;
    const std::size_t steps = 3 * std::max(c, t);
    for (std::size_t s = 0; s < steps; ++s) {
        a = schedule_[i] = RotL(schedule_[i] + a + b, 3);
        b = l[j] = RotL(l[j] + a + b, a + b);
        i = (i + 1) % t;
        j = (j + 1) % c;
    }
    OPENSSL_cleanse(l.data(), l.size() * sizeof(std::uint32_t));
    a = b = 0;
}

TRC6::~TRC6()
{
    OPENSSL_cleanse(schedule_.data(), sizeof(schedule_));
    OPENSSL_cleanse(block_.data(), sizeof(block_));
}

void TRC6::LoadBlock(const std::uint8_t* in)
{
    for (int k = 0; k < 4; ++k)
        block_[static_cast<std::size_t>(k)] = LoadWord(in + 4 * k);
}

void TRC6::StoreBlock(std::uint8_t* out) const
{
    for (int k = 0; k < 4; ++k)
        StoreWord(block_[static_cast<std::size_t>(k)], out + 4 * k);
}

void TRC6::EncryptBlock(const std::uint8_t* in, std::uint8_t* out)
{
    LoadBlock(in);
    auto& [a, b, c, d] = block_;
    const auto& s = schedule_;
    b += s[0];
    d += s[1];
    for (std::size_t i = 1; i <= Rounds; ++i) {
        const std::uint32_t t = RotL(b * (2 * b + 1), 5);
        const std::uint32_t u = RotL(d * (2 * d + 1), 5);
        a = RotL(a ^ t, u) + s[2 * i];
        c = RotL(c ^ u, t) + s[2 * i + 1];
        const std::uint32_t oldA = a;
        a = b;
        b = c;
        c = d;
        d = oldA;
    }
    a += s[2 * Rounds + 2];
    c += s[2 * Rounds + 3];
    StoreBlock(out);
}

void TRC6::DecryptBlock(const std::uint8_t* in, std::uint8_t* out)
{
    LoadBlock(in);
    auto& [a, b, c, d] = block_;
    const auto& s = schedule_;
    c -= s[2 * Rounds + 3];
    a -= s[2 * Rounds + 2];
    for (std::size_t i = Rounds; i >= 1; --i) {
        const std::uint32_t oldD = d;
        d = c;
        c = b;
        b = a;
        a = oldD;
        const std::uint32_t u = RotL(d * (2 * d + 1), 5);
        const std::uint32_t t = RotL(b * (2 * b + 1), 5);
        c = RotR(c - s[2 * i + 1], t) ^ u;
        a = RotR(a - s[2 * i], u) ^ t;
    }
    d -= s[1];
    b -= s[0];
    StoreBlock(out);
}
