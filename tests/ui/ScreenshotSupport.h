#pragma once
// Shared by the programs that picture windows for the documentation: one
// window to a PNG, and the private configuration home with the build
// tree's icons and language files.

#include "i18n/LanguageManager.h"
#include "ui/AppIcons.h"

#include <QApplication>
#include <QPixmap>
#include <QTemporaryDir>
#include <QWidget>

#include <cstdio>
#include <functional>
#include <string>

namespace shots {

/// Shows `window`, lets it lay itself out, writes it to `file` and hides it
/// again; answers whether the file was written.
inline bool Shoot(QWidget& window, const QString& file)
{
    window.show();
    for (int i = 0; i < 20; ++i)
        QApplication::processEvents();
    const bool saved = window.grab().save(file);
    std::printf("%s %s\n", saved ? "wrote" : "could not write", qPrintable(file));
    window.hide();
    return saved;
}

/// Points the configuration (and data) home at `home`, sets up the icon
/// theme and registers the shipped language files.
inline void PrepareHome(const QTemporaryDir& home)
{
    TAppIcons::SetUpIconTheme();
    qputenv("XDG_CONFIG_HOME", home.path().toUtf8());
    qputenv("XDG_DATA_HOME", home.path().toUtf8());
    for (const auto& shipped : TLanguageManager::DefaultDataDirectories())
        LangManager().ScanDirectory(shipped / "Languages");
}

using TShootAll = std::function<bool(const QString& out, const std::string& dataDir, const QString& suffix)>;

/// The whole program: `shootAll` runs once in English (no suffix) and once
/// in German ("-de"), each with a fresh data folder.
inline int ShootInBothLanguages(int argc, char** argv, const TShootAll& shootAll)
{
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s <output folder>\n", argv[0]);
        return 2;
    }
    const QString out = QString::fromLocal8Bit(argv[1]);
    QTemporaryDir home;
    PrepareHome(home);
    bool ok = shootAll(out, (home.path() + "/en").toStdString(), QString());
    LangManager().SetActiveLanguage(1031);
    ok &= shootAll(out, (home.path() + "/de").toStdString(), QStringLiteral("-de"));
    return ok ? 0 : 1;
}

}  // namespace shots
