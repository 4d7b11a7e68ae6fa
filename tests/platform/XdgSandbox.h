#pragma once
// A throwaway freedesktop tree: the XDG variables point into a temporary
// folder for the life of the object (and back afterwards), so switch,
// association and entry tests never touch the user's desktop. The system
// data folders stay last in XDG_DATA_DIRS so the MIME database is found.

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <map>
#include <optional>
#include <string>

class XdgSandbox {
public:
    XdgSandbox()
    {
        Set("HOME", Path("home"));
        Set("XDG_CONFIG_HOME", Path("home/.config"));
        Set("XDG_DATA_HOME", Path("home/.local/share"));
        Set("XDG_CONFIG_DIRS", Path("etc/xdg"));
        Set("XDG_DATA_DIRS", Path("usr/share") + ":/usr/share");
        Set("XDG_CURRENT_DESKTOP", "");
        QDir().mkpath(QString::fromStdString(Path("home")));
    }
    ~XdgSandbox()
    {
        for (const auto& [name, value] : saved_)
            if (value)
                qputenv(name.c_str(), QByteArray::fromStdString(*value));
            else
                qunsetenv(name.c_str());
    }
    XdgSandbox(const XdgSandbox&) = delete;
    XdgSandbox& operator=(const XdgSandbox&) = delete;

    std::string Path(const std::string& relative) const { return dir_.path().toStdString() + "/" + relative; }
    std::string ConfigHome() const { return Path("home/.config"); }
    std::string DataHome() const { return Path("home/.local/share"); }
    std::string SystemData() const { return Path("usr/share"); }

    void Write(const std::string& path, const std::string& text) const
    {
        QDir().mkpath(QFileInfo(QString::fromStdString(path)).absolutePath());
        QFile file(QString::fromStdString(path));
        file.open(QIODevice::WriteOnly);
        file.write(text.data(), static_cast<qint64>(text.size()));
    }
    static std::string Read(const std::string& path)
    {
        QFile file(QString::fromStdString(path));
        return file.open(QIODevice::ReadOnly) ? file.readAll().toStdString() : std::string();
    }
    static bool Exists(const std::string& path) { return QFileInfo::exists(QString::fromStdString(path)); }
    /// Every file below the sandbox, as relative paths (what a read may have created).
    std::string Listing() const
    {
        std::string out;
        List(QDir(dir_.path()), "", out);
        return out;
    }

    void Set(const std::string& name, const std::string& value)
    {
        if (!saved_.contains(name)) {
            const QByteArray old = qgetenv(name.c_str());
            saved_[name] = qEnvironmentVariableIsSet(name.c_str()) ? std::optional<std::string>(old.toStdString())
                                                                   : std::nullopt;
        }
        qputenv(name.c_str(), QByteArray::fromStdString(value));
    }

private:
    static void List(const QDir& dir, const std::string& prefix, std::string& out)
    {
        for (const QFileInfo& info : dir.entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Name)) {
            out += prefix + info.fileName().toStdString() + (info.isDir() ? "/\n" : "\n");
            if (info.isDir() && !info.isSymLink())
                List(QDir(info.filePath()), prefix + info.fileName().toStdString() + "/", out);
        }
    }

    QTemporaryDir dir_;
    std::map<std::string, std::optional<std::string>> saved_;
};
