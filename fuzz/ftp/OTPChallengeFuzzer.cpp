// Arbitrary 331 reply texts through the one-time-password challenge parser;
// every challenge it accepts must be answerable and round-trip as words.
#include "ftp/OTP.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const auto challenge = ParseOTPChallenge(text);
    if (!challenge)
        return 0;
    if (challenge->Seed.empty() || challenge->Count > OTPMaxCount || text.find(challenge->Seed) == std::string_view::npos)
        std::abort();
    // Keep each run short: the count only repeats the same step.
    TIdOTPChallenge quick = *challenge;
    quick.Count %= 64;
    const TIdOTPKey key = ComputeOTP(quick.Hash, "pass phrase", quick.Seed, quick.Count);
    const auto back = OTPKeyFromWords(OTPKeyToWords(key));
    if (!back || *back != key || OTPKeyToHex(key).size() != 16)
        std::abort();
    return 0;
}
