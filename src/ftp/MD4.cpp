#include "ftp/MD4.h"

#include <cstring>

namespace {

constexpr std::uint32_t F(std::uint32_t x, std::uint32_t y, std::uint32_t z) { return (x & y) | (~x & z); }
constexpr std::uint32_t G(std::uint32_t x, std::uint32_t y, std::uint32_t z) { return (x & y) | (x & z) | (y & z); }
constexpr std::uint32_t H(std::uint32_t x, std::uint32_t y, std::uint32_t z) { return x ^ y ^ z; }
constexpr std::uint32_t Rotl(std::uint32_t v, int s) { return (v << s) | (v >> (32 - s)); }

void ProcessBlock(std::array<std::uint32_t, 4>& state, const std::uint8_t* block)
{
    std::uint32_t x[16];
    for (int i = 0; i < 16; ++i)
        x[i] = std::uint32_t{block[4 * i]} | std::uint32_t{block[4 * i + 1]} << 8
               | std::uint32_t{block[4 * i + 2]} << 16 | std::uint32_t{block[4 * i + 3]} << 24;
    std::uint32_t a = state[0], b = state[1], c = state[2], d = state[3];

    static constexpr int kShift1[4] = {3, 7, 11, 19};
    for (int i = 0; i < 16; ++i) {
        const std::uint32_t t = Rotl(a + F(b, c, d) + x[i], kShift1[i % 4]);
        a = d; d = c; c = b; b = t;
    }
    static constexpr int kShift2[4] = {3, 5, 9, 13};
    for (int i = 0; i < 16; ++i) {
        const int k = (i % 4) * 4 + i / 4;  // 0 4 8 12 1 5 9 13 ...
        const std::uint32_t t = Rotl(a + G(b, c, d) + x[k] + 0x5A827999u, kShift2[i % 4]);
        a = d; d = c; c = b; b = t;
    }
    static constexpr int kShift3[4] = {3, 9, 11, 15};
    static constexpr int kOrder3[16] = {0, 8, 4, 12, 2, 10, 6, 14, 1, 9, 5, 13, 3, 11, 7, 15};
    for (int i = 0; i < 16; ++i) {
        const std::uint32_t t = Rotl(a + H(b, c, d) + x[kOrder3[i]] + 0x6ED9EBA1u, kShift3[i % 4]);
        a = d; d = c; c = b; b = t;
    }
    state[0] += a; state[1] += b; state[2] += c; state[3] += d;
}

} // namespace

TMD4Digest MD4Digest(std::span<const std::uint8_t> data)
{
    std::array<std::uint32_t, 4> state = {0x67452301u, 0xEFCDAB89u, 0x98BADCFEu, 0x10325476u};
    std::size_t done = 0;
    for (; data.size() - done >= 64; done += 64)
        ProcessBlock(state, data.data() + done);

    // Padding: 0x80, zeros up to 56 mod 64, then the bit length little-endian.
    std::uint8_t tail[128] = {};
    const std::size_t rest = data.size() - done;
    if (rest > 0)
        std::memcpy(tail, data.data() + done, rest);
    tail[rest] = 0x80;
    const std::size_t tailSize = rest < 56 ? 64 : 128;
    const std::uint64_t bits = static_cast<std::uint64_t>(data.size()) * 8u;
    for (int i = 0; i < 8; ++i)
        tail[tailSize - 8 + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(bits >> (8 * i));
    for (std::size_t off = 0; off < tailSize; off += 64)
        ProcessBlock(state, tail + off);

    TMD4Digest digest{};
    for (std::size_t i = 0; i < 4; ++i)
        for (std::size_t j = 0; j < 4; ++j)
            digest[4 * i + j] = static_cast<std::uint8_t>(state[i] >> (8 * j));
    return digest;
}
