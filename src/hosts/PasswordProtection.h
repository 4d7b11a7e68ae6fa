#pragma once
// Protection of stored host passwords: RC6 (32-byte key taken from the
// host's ID text), one block at a time, padded with n bytes of value n, and
// written with a 64-character alphabet (three bytes to four characters).
// It keeps passwords from being read at a glance; the key lies next to the
// password, so it is not a secret.
//
// Passwords are UTF-8 bytes. Both functions are pure and thread-safe.

#include <stdexcept>
#include <string>
#include <string_view>

/// A stored password text that cannot be turned back into a password.
class EPasswordDecryptError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

/// The stored text of `password` under `keyText` (a host ID text).
std::string EncryptPassword(std::string_view keyText, std::string_view password);

/// The password of `storedText` under `keyText`. Raises EPasswordDecryptError
/// when the text decodes to no bytes or to a length that is not a multiple
/// of 16. A wrong key does not fail; it gives a garbled password.
std::string DecryptPassword(std::string_view keyText, std::string_view storedText);

namespace PasswordCoding {
/// The 64 characters of the stored text, value 0 first.
inline constexpr std::string_view Alphabet =
    "+-0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
std::string Encode(std::string_view bytes);
/// Characters outside the alphabet count as 0; a lone final character
/// yields nothing.
std::string Decode(std::string_view text);
} // namespace PasswordCoding
