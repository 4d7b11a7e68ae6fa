#include "platform/XdgPaths.h"

#include <QByteArray>
#include <QDir>
#include <QString>
#include <QStringList>

namespace {

std::string Env(const char* name)
{
    return qEnvironmentVariable(name).toStdString();
}

bool IsAbsolute(const std::string& path) { return !path.empty() && path.front() == '/'; }

std::string Absolute(const char* name, const std::string& fallback)
{
    const std::string value = Env(name);
    return IsAbsolute(value) ? value : fallback;
}

std::vector<std::string> PathList(const char* name, const std::string& fallback)
{
    std::vector<std::string> dirs;
    for (const QString& part : QString::fromStdString(Env(name)).split(QLatin1Char(':'), Qt::SkipEmptyParts))
        if (IsAbsolute(part.toStdString()))
            dirs.push_back(part.toStdString());
    if (dirs.empty())
        for (const QString& part : QString::fromStdString(fallback).split(QLatin1Char(':')))
            dirs.push_back(part.toStdString());
    return dirs;
}

} // namespace

std::string TXdgPaths::Home()
{
    const std::string home = Env("HOME");
    return IsAbsolute(home) ? home : QDir::homePath().toStdString();
}

std::string TXdgPaths::ConfigHome() { return Absolute("XDG_CONFIG_HOME", Home() + "/.config"); }
std::string TXdgPaths::DataHome() { return Absolute("XDG_DATA_HOME", Home() + "/.local/share"); }
std::vector<std::string> TXdgPaths::ConfigDirs() { return PathList("XDG_CONFIG_DIRS", "/etc/xdg"); }
std::vector<std::string> TXdgPaths::DataDirs() { return PathList("XDG_DATA_DIRS", "/usr/local/share:/usr/share"); }
std::string TXdgPaths::RuntimeDir() { return Absolute("XDG_RUNTIME_DIR", ""); }

std::vector<std::string> TXdgPaths::CurrentDesktops()
{
    std::vector<std::string> names;
    for (const QString& part : qEnvironmentVariable("XDG_CURRENT_DESKTOP").split(QLatin1Char(':'), Qt::SkipEmptyParts))
        names.push_back(part.toLower().toStdString());
    return names;
}
