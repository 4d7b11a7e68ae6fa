// Every engine error a caller may meet descends from EIdException, so one
// handler catches them all (the worker and the transfer threads rely on it):
// the TLS transport's, the SOCKS client's and the one-time-password ones too.

#include "ftp/IdExceptions.h"
#include "ftp/OTP.h"
#include "ftp/SSLExceptions.h"
#include "ftp/SocksErrors.h"

#include <gtest/gtest.h>

#include <type_traits>

namespace {

template <typename Base, typename... Derived>
constexpr bool AllDeriveFrom = (std::is_base_of_v<Base, Derived> && ...);

static_assert(AllDeriveFrom<EIdException, EIdOpenSSLError, EIdSocksError, EIdFTPUnknownOTPMethodException,
                            EIdTLSClientTLSNotAvailable, EIdTLSClientTLSHandShakeFailed, EIdReplyRFCError>);
static_assert(AllDeriveFrom<EIdOpenSSLError, EIdOpenSSLLoadError, EIdOSSLModeNotSet, EIdOSSLGetMethodError,
                            EIdOSSLCreatingContextError, EIdOSSLLoadingRootCertError, EIdOSSLLoadingCertError,
                            EIdOSSLLoadingKeyError, EIdOSSLSettingCipherError, EIdOSSLDataBindingError,
                            EIdOSSLConnectError, EIdOSSLAcceptError, EIdOSSLReadTimeout, EIdOSSLReadError,
                            EIdOSSLWriteError>);
static_assert(std::is_base_of_v<EIdOpenSSLLoadError, EIdOSSLCouldNotLoadSSLLibrary>);
static_assert(AllDeriveFrom<EIdSocksError, EIdSocksRequestFailed, EIdSocksRequestServerFailed,
                            EIdSocksRequestIdentFailed, EIdSocksUnknownError, EIdSocksServerRespondError,
                            EIdSocksAuthMethodError, EIdSocksAuthError, EIdSocksServerGeneralError,
                            EIdSocksServerPermissionError, EIdSocksServerNetUnreachableError,
                            EIdSocksServerHostUnreachableError, EIdSocksServerConnectionRefusedError,
                            EIdSocksServerTTLExpiredError, EIdSocksServerCommandError, EIdSocksServerAddressError,
                            EIdSocksUDPNotSupportedBySOCKSVersion, EIdTransparentProxyCantBind,
                            EIdSocksBadRequest>);

template <typename E>
std::string CaughtAsEngineError(E error)
{
    try {
        throw error;
    } catch (const EIdException& e) {
        return e.what();
    } catch (...) {
        return "not an engine error";
    }
}

}  // namespace

TEST(EngineExceptionTree, OneHandlerCatchesTlsSocksAndOtpErrorsWithTheirTexts)
{
    EXPECT_EQ(CaughtAsEngineError(EIdOSSLCouldNotLoadSSLLibrary("no libssl")), "Could not load SSL library.");
    EXPECT_EQ(CaughtAsEngineError(EIdOSSLConnectError("alert")), "Error connecting with SSL.");
    EXPECT_EQ(CaughtAsEngineError(EIdOSSLSettingCipherError()), "SetCipher failed.");
    EXPECT_EQ(CaughtAsEngineError(EIdTLSClientTLSHandShakeFailed()), "SSL is not available on this server.");
    EXPECT_EQ(CaughtAsEngineError(EIdSocksAuthMethodError()), "Invalid socks authentication method.");
    EXPECT_EQ(CaughtAsEngineError(EIdSocksServerTTLExpiredError()), "TTL expired.");
    EXPECT_EQ(CaughtAsEngineError(EIdFTPUnknownOTPMethodException()), "Unknown OTP method");
    EXPECT_EQ(EIdOSSLConnectError("handshake alert", 104).Reason(), "handshake alert");
    EXPECT_EQ(EIdOSSLConnectError("handshake alert", 104).SysError(), 104);
}
