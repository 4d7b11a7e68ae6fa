#pragma once
// Enumerations kept in the settings file, with their stored names.
// Header-only and free of Qt: include it without pulling in the settings.
//
// Every enumeration is stored by the name of its value ("vsReport"), never
// by number. `...ToName` answers the stored name; `...FromName` answers the
// value for an exact name and nullopt for anything else.

#include "ftp/FtpProxyType.h"

#include <array>
#include <cstddef>
#include <optional>
#include <string_view>

enum TViewStyle { vsIcon, vsSmallIcon, vsList, vsReport };
enum TFileAlreadyExistsAction { faeAsk, faeOverwrite, faeResume, faeSkip };
enum TSortDirection { sdAscending, sdDescending };
enum TFileTransferType { fttUnknown, fttASCII, fttBinary };

namespace SettingsNames {

template <typename E, std::size_t N>
std::string_view ToName(const std::array<std::string_view, N>& names, E value)
{
    const auto index = static_cast<std::size_t>(value);
    return index < N ? names[index] : std::string_view();
}

template <typename E, std::size_t N>
std::optional<E> FromName(const std::array<std::string_view, N>& names, std::string_view name)
{
    for (std::size_t i = 0; i < N; ++i)
        if (names[i] == name)
            return static_cast<E>(i);
    return std::nullopt;
}

inline constexpr std::array<std::string_view, 4> ViewStyle = {"vsIcon", "vsSmallIcon", "vsList",
                                                              "vsReport"};
inline constexpr std::array<std::string_view, 4> FileAlreadyExistsAction = {
    "faeAsk", "faeOverwrite", "faeResume", "faeSkip"};
inline constexpr std::array<std::string_view, 2> SortDirection = {"sdAscending", "sdDescending"};
inline constexpr std::array<std::string_view, 3> FileTransferType = {"fttUnknown", "fttASCII",
                                                                     "fttBinary"};

} // namespace SettingsNames

inline std::string_view ViewStyleToName(TViewStyle v)
{
    return SettingsNames::ToName(SettingsNames::ViewStyle, v);
}
inline std::optional<TViewStyle> ViewStyleFromName(std::string_view n)
{
    return SettingsNames::FromName<TViewStyle>(SettingsNames::ViewStyle, n);
}

inline std::string_view FileAlreadyExistsActionToName(TFileAlreadyExistsAction v)
{
    return SettingsNames::ToName(SettingsNames::FileAlreadyExistsAction, v);
}
inline std::optional<TFileAlreadyExistsAction> FileAlreadyExistsActionFromName(std::string_view n)
{
    return SettingsNames::FromName<TFileAlreadyExistsAction>(SettingsNames::FileAlreadyExistsAction, n);
}

inline std::string_view SortDirectionToName(TSortDirection v)
{
    return SettingsNames::ToName(SettingsNames::SortDirection, v);
}
inline std::optional<TSortDirection> SortDirectionFromName(std::string_view n)
{
    return SettingsNames::FromName<TSortDirection>(SettingsNames::SortDirection, n);
}

inline std::string_view FileTransferTypeToName(TFileTransferType v)
{
    return SettingsNames::ToName(SettingsNames::FileTransferType, v);
}
inline std::optional<TFileTransferType> FileTransferTypeFromName(std::string_view n)
{
    return SettingsNames::FromName<TFileTransferType>(SettingsNames::FileTransferType, n);
}

// The proxy type's names live with the engine (ftp/FtpProxyType.h):
// IdFtpProxyTypeToName / IdFtpProxyTypeFromName.
