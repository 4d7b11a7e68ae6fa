#include "store/DataDirectory.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QString>

#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace {

constexpr const char* kDataDirectoryName = "Tovrel FTP";

QString ConfigHome()
{
    // The XDG base directory rules ignore a relative XDG_CONFIG_HOME.
    const QString xdg = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (!xdg.isEmpty() && QDir::isAbsolutePath(xdg))
        return xdg;
    // A new account may not have ~/.config yet; the XDG rules ask
    // programs that write there to create it, private to the user.
    const QString fallback = QDir::homePath() + QStringLiteral("/.config");
    if (!QFileInfo::exists(fallback))
        QDir().mkdir(fallback, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return fallback;
}

} // namespace

std::string ResolveDataDirectory()
{
    QString base = ConfigHome();
    while (base.size() > 1 && base.endsWith(u'/'))
        base.chop(1);
    const QString path = base + u'/' + QLatin1String(kDataDirectoryName);
    const QFileInfo info(path);
    if (!info.exists()) {
        // Only the last level: a missing configuration home means a broken
        // environment, which we report rather than paper over.
        // Private to the user: the settings hold the proxy password in
        // plain text and the host file the stored passwords.
        if (!QDir().mkdir(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner))
            throw EInOutError("Could not create the data directory " + path.toStdString());
    } else if (!info.isDir()) {
        throw EInOutError("The data directory " + path.toStdString() + " is not a directory");
    }
    return path.toStdString();
}

std::string ProgramDirectory()
{
    if (QCoreApplication::instance())
        return QCoreApplication::applicationDirPath().toStdString();
    std::error_code ec;
    const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (!ec && exe.has_parent_path())
        return exe.parent_path().string();
    return std::filesystem::current_path(ec).string();
}
