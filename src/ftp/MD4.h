#pragma once
// The MD4 message digest (RFC 1320). OpenSSL 3 keeps MD4 in its legacy
// provider only, so the one-time-password login carries its own copy.
// Pure function, thread-safe.

#include <array>
#include <cstdint>
#include <span>

using TMD4Digest = std::array<std::uint8_t, 16>;

/// The MD4 digest of `data`, bytes in the order RFC 1320 prints them.
TMD4Digest MD4Digest(std::span<const std::uint8_t> data);
