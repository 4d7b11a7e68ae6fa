#pragma once
// One-time passwords (RFC 2289) for the FTP login: recognising the challenge
// a server puts into its 331 reply to USER, and computing the response PASS
// carries. Pure functions, thread-safe; no I/O.
//
// Use at login, when a PASS is due after a 331 reply:
//   if (const auto challenge = ParseOTPChallenge(reply.Text()))
//       pass = OTPResponse(*challenge, Password);   // six dictionary words
//   else
//       pass = Password;                            // no challenge: plain password

#include "ftp/IdExceptions.h"
#include "ftp/OTPWords.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

/// Raised for a one-time-password hash name the engine does not know.
class EIdFTPUnknownOTPMethodException : public EIdException {
public:
    EIdFTPUnknownOTPMethodException() : EIdException("Unknown OTP method") {}
};

enum TIdOTPHash { ohMD4, ohMD5, ohSHA1 };

/// A challenge: hash, sequence number and seed as the server sent it.
struct TIdOTPChallenge {
    TIdOTPHash Hash = ohMD5;
    std::uint32_t Count = 0;
    std::string Seed;

    bool operator==(const TIdOTPChallenge&) const = default;
};

/// The largest sequence number answered. Real servers start below 10000;
/// a larger one would only make the client hash for minutes.
inline constexpr std::uint32_t OTPMaxCount = 1000000;

/// The hash for a name after "otp-": "md4", "md5" or "sha1" (exactly, lower
/// case). Anything else raises EIdFTPUnknownOTPMethodException.
TIdOTPHash OTPHashFromName(std::string_view name);

/// The challenge in the text of a 331 reply (all its lines), or nullopt when
/// the plain password is to be sent. The first "otp-" (case-sensitive)
/// counts; the word after it must name a known hash and be followed by a
/// decimal sequence number (0..OTPMaxCount) and a seed (its leading letters
/// and digits, at least one). Words are separated by blanks, tabs or line
/// breaks. Without any "otp-", a classic "s/key <count> <seed>" challenge is
/// answered with MD4, which is the same computation.
std::optional<TIdOTPChallenge> ParseOTPChallenge(std::string_view replyText);

/// The one-time password: hash of the lower-cased seed followed by the
/// pass phrase, folded to 64 bits, then `count` further hash-and-fold steps.
TIdOTPKey ComputeOTP(TIdOTPHash hash, std::string_view passPhrase, std::string_view seed,
                     std::uint32_t count);

/// The PASS argument for a challenge: six dictionary words separated by
/// single blanks.
std::string OTPResponse(const TIdOTPChallenge& challenge, std::string_view passPhrase);
