#pragma once
// TMimeApps: which application the desktop opens a MIME type (or a URL
// scheme, "x-scheme-handler/ftp") with, after the freedesktop rules for
// "mimeapps.list": the user's configuration first, then the system's, then
// the application folders' lists and caches; desktop-specific lists
// ("<desktop>-mimeapps.list") before the plain ones.
//
// Contract: reading never creates or changes a file. The writers change only
// the user's "$XDG_CONFIG_HOME/mimeapps.list", keep every other line of it,
// and raise EInOutError when it cannot be written. Any thread, but the
// files are not locked against other programs writing them at once.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

class TMimeApps {
public:
    static constexpr const char* DefaultGroup = "Default Applications";

    /// The user's own list, where the writers write.
    static std::string UserListPath();
    /// The path of an installed desktop file by its ID ("tovrel-ftp.desktop"),
    /// or nullopt. Hidden entries count as not installed.
    static std::optional<std::string> FindDesktopFile(std::string_view desktopId);
    /// The desktop ID of the default application for `mimeType` itself (no
    /// parent types), or "" when none is set or none of the named ones is
    /// installed.
    static std::string DefaultApplication(std::string_view mimeType);
    /// The default application, else the first installed one that declares
    /// the type, for `mimeType` and then each of its parent types.
    static std::string PreferredApplication(std::string_view mimeType, const std::vector<std::string>& parentTypes);

    /// Makes `desktopId` the first default for `mimeType` in the user's list.
    static void SetUserDefault(std::string_view mimeType, std::string_view desktopId);
    /// Takes `desktopId` out of the user's defaults for `mimeType`; nothing
    /// is written when it is not there.
    static void RemoveUserDefault(std::string_view mimeType, std::string_view desktopId);

private:
    static std::vector<std::string> ListFiles();
    static std::vector<std::string> ApplicationDirs();
};
