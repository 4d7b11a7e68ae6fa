#pragma once
// TIdFtpProxyType: how a login goes through an FTP proxy. Header-only and
// free of Qt so that both the engine and the settings store can use it.
// The names are also the stored form in the settings file.

#include <array>
#include <optional>
#include <string_view>

enum TIdFtpProxyType {
    fpcmNone,
    fpcmUserSite,
    fpcmSite,
    fpcmOpen,
    fpcmUserPass,
    fpcmTransparent,
    fpcmHttpProxyWithFtp,
    fpcmCustomProxy
};

/// Value names in ordinal order.
inline constexpr std::array<std::string_view, 8> IdFtpProxyTypeNames = {
    "fpcmNone",     "fpcmUserSite",    "fpcmSite",             "fpcmOpen",
    "fpcmUserPass", "fpcmTransparent", "fpcmHttpProxyWithFtp", "fpcmCustomProxy"};

inline std::string_view IdFtpProxyTypeToName(TIdFtpProxyType value)
{
    const auto index = static_cast<std::size_t>(value);
    return index < IdFtpProxyTypeNames.size() ? IdFtpProxyTypeNames[index] : std::string_view();
}

/// The value whose name equals `name` exactly; nullopt for any other text.
inline std::optional<TIdFtpProxyType> IdFtpProxyTypeFromName(std::string_view name)
{
    for (std::size_t i = 0; i < IdFtpProxyTypeNames.size(); ++i)
        if (IdFtpProxyTypeNames[i] == name)
            return static_cast<TIdFtpProxyType>(i);
    return std::nullopt;
}
