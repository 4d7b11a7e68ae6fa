#pragma once
// TXdgPaths: the freedesktop base directories, read from the environment
// at each call, so tests (and users) can redirect every desktop file the
// program touches.
//
// Contract: a variable that is unset, empty or not absolute falls back to
// its documented default ($HOME/.config, $HOME/.local/share, /etc/xdg,
// /usr/local/share:/usr/share). Nothing is created. Any thread.

#include <string>
#include <vector>

class TXdgPaths {
public:
    static std::string ConfigHome();
    static std::string DataHome();
    /// $XDG_CONFIG_DIRS, most important first.
    static std::vector<std::string> ConfigDirs();
    /// $XDG_DATA_DIRS, most important first.
    static std::vector<std::string> DataDirs();
    /// $XDG_RUNTIME_DIR, or "" when unset or not absolute.
    static std::string RuntimeDir();
    /// $XDG_CURRENT_DESKTOP split at ":", lower-cased.
    static std::vector<std::string> CurrentDesktops();
    /// The home folder ($HOME, or the password database's).
    static std::string Home();
};
