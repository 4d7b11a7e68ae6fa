#pragma once
// TRC6: the RC6-32/20/b block cipher (32-bit words, 20 rounds, a key of up
// to 255 bytes), one 16-byte block at a time. Key bytes are loaded into key
// words and block bytes into the four registers little-endian.
//
// Contract: made for one operation and then destroyed; the destructor
// overwrites the key schedule and the working block with zeros. Not shared
// between threads (each caller makes its own).

#include <array>
#include <cstdint>
#include <span>

class TRC6 {
public:
    static constexpr int Rounds = 20;
    static constexpr int BlockSize = 16;
    static constexpr int MaxKeySize = 255;

    /// Expands `key` (at most 255 bytes; longer raises std::invalid_argument).
    explicit TRC6(std::span<const std::uint8_t> key);
    ~TRC6();

    TRC6(const TRC6&) = delete;
    TRC6& operator=(const TRC6&) = delete;

    /// `in` and `out` are 16 bytes each and may be the same buffer.
    void EncryptBlock(const std::uint8_t* in, std::uint8_t* out);
    void DecryptBlock(const std::uint8_t* in, std::uint8_t* out);

private:
    void LoadBlock(const std::uint8_t* in);
    void StoreBlock(std::uint8_t* out) const;

    std::array<std::uint32_t, 2 * Rounds + 4> schedule_{};
    std::array<std::uint32_t, 4> block_{};
};
