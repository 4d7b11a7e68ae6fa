#pragma once
// Points XDG_CONFIG_HOME (and HOME) at a fresh temporary folder for one
// test, restoring the previous values afterwards.

#include <QByteArray>
#include <QTemporaryDir>
#include <QtGlobal>

#include <fstream>
#include <sstream>
#include <string>

class TScopedConfigHome {
public:
    TScopedConfigHome()
        : oldXdg_(qgetenv("XDG_CONFIG_HOME")), hadXdg_(qEnvironmentVariableIsSet("XDG_CONFIG_HOME")),
          oldHome_(qgetenv("HOME"))
    {
        qputenv("XDG_CONFIG_HOME", dir_.path().toUtf8());
        qputenv("HOME", dir_.path().toUtf8());
    }
    ~TScopedConfigHome()
    {
        if (hadXdg_)
            qputenv("XDG_CONFIG_HOME", oldXdg_);
        else
            qunsetenv("XDG_CONFIG_HOME");
        qputenv("HOME", oldHome_);
    }
    TScopedConfigHome(const TScopedConfigHome&) = delete;
    TScopedConfigHome& operator=(const TScopedConfigHome&) = delete;

    std::string Path() const { return dir_.path().toStdString(); }
    std::string DataDir() const { return Path() + "/Tovrel FTP"; }
    std::string ConfigFile() const { return DataDir() + "/Config.xml"; }

private:
    QTemporaryDir dir_;
    QByteArray oldXdg_;
    bool hadXdg_;
    QByteArray oldHome_;
};

inline std::string ReadFileText(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

inline void WriteFileText(const std::string& path, const std::string& text)
{
    std::ofstream(path, std::ios::binary) << text;
}
