#include "ui/AppIcons.h"

#include "i18n/LanguageManager.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QString>

#include <array>
#include <utility>

namespace {

// Freedesktop names with the same meaning, for names the program lacks.
const QHash<QString, QString>& ThemeNames()
{
    static const QHash<QString, QString> names = {
        {"refresh", "view-refresh"}, {"up", "go-up"},          {"home", "go-home"},
        {"new-folder", "folder-new"}, {"delete", "edit-delete"}, {"stop", "process-stop"},
        {"help", "help-browser"},    {"settings", "preferences-system"},
        {"folder", "folder"},         {"file", "text-x-generic"},
    };
    return names;
}

QStringList IconDirectories()
{
    QStringList dirs;
    for (const auto& dir : TLanguageManager::DefaultDataDirectories()) {
        const QString icons = QString::fromStdString((dir / "icons").string());
        if (QFileInfo(icons).isDir())
            dirs << icons;
    }
    return dirs;
}

} // namespace

void TAppIcons::SetUpIconTheme()
{
    QStringList paths = QIcon::themeSearchPaths();
    for (const QString& extra : {QStringLiteral("/usr/share/icons"), QStringLiteral("/usr/local/share/icons")})
        if (!paths.contains(extra) && QFileInfo(extra).isDir())
            paths << extra;
    QIcon::setThemeSearchPaths(paths);
    QIcon::setFallbackThemeName(QStringLiteral("hicolor"));
    if (!QIcon::themeName().isEmpty() && QIcon::themeName() != QLatin1String("hicolor"))
        return;
    for (const QString& path : paths)
        if (QFileInfo(path + QStringLiteral("/Adwaita/index.theme")).exists()) {
            QIcon::setThemeName(QStringLiteral("Adwaita"));
            return;
        }
    QIcon::setThemeName(QStringLiteral("hicolor"));
}

QIcon TAppIcons::Icon(std::string_view name)
{
    static QHash<QString, QIcon> cache;
    const QString key = QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size()));
    if (auto found = cache.constFind(key); found != cache.constEnd())
        return *found;

    static const QStringList dirs = IconDirectories();
    QIcon icon;
    for (const QString& dir : dirs)
        for (int size : {16, 24, 32, 48, 64, 128, 256}) {
            const QString file = QStringLiteral("%1/%2-%3.png").arg(dir, key).arg(size);
            if (QFileInfo::exists(file))
                icon.addFile(file, QSize(size, size));
        }
    if (icon.isNull())
        icon = QIcon::fromTheme(ThemeNames().value(key, key));
    cache.insert(key, icon);
    return icon;
}
