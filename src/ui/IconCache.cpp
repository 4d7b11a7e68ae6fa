#include "ui/IconCache.h"

#include <QFileIconProvider>

namespace {

constexpr qsizetype kMaxTypeNameLength = 80;

QIcon ThemeIcon(const QString& name, const QString& generic)
{
    if (QIcon::hasThemeIcon(name))
        return QIcon::fromTheme(name);
    if (!generic.isEmpty() && QIcon::hasThemeIcon(generic))
        return QIcon::fromTheme(generic);
    return {};
}

}  // namespace

QString TIconCache::KeyOfName(std::string_view fileName)
{
    const std::size_t dot = fileName.rfind('.');
    if (dot == std::string_view::npos)
        return {};
    const std::string_view extension = fileName.substr(dot);
    // An extension never holds a path separator.
    if (extension.find('/') != std::string_view::npos)
        return {};
    return QString::fromUtf8(extension.data(), static_cast<qsizetype>(extension.size())).toLower();
}

QIcon TIconCache::Icon(const QString& key)
{
    const auto found = icons_.constFind(key);
    if (found != icons_.cend())
        return *found;
    QIcon icon = LookUpIcon(key);
    icons_.insert(key, icon);
    return icon;
}

QString TIconCache::TypeName(const QString& key)
{
    const auto found = typeNames_.constFind(key);
    if (found != typeNames_.cend())
        return *found;
    QString name = LookUpTypeName(key).left(kMaxTypeNameLength);
    typeNames_.insert(key, name);
    return name;
}

QIcon TIconCache::LookUpIcon(const QString& key)
{
    QFileIconProvider provider;
    if (key == QLatin1String(DirectoryKey)) {
        const QIcon icon = ThemeIcon(QStringLiteral("folder"), {});
        return icon.isNull() ? provider.icon(QFileIconProvider::Folder) : icon;
    }
    if (key == QLatin1String(DirectoryOpenKey)) {
        const QIcon icon = ThemeIcon(QStringLiteral("folder-open"), QStringLiteral("folder"));
        return icon.isNull() ? provider.icon(QFileIconProvider::Folder) : icon;
    }
    // By the extension alone: the name is made up, nothing is read.
    const QMimeType type = mimeTypes_.mimeTypeForFile(QStringLiteral("bogus") + key, QMimeDatabase::MatchExtension);
    const QIcon icon = ThemeIcon(type.iconName(), type.genericIconName());
    if (!icon.isNull())
        return icon;
    const QIcon plain = ThemeIcon(QStringLiteral("text-x-generic"), QStringLiteral("unknown"));
    return plain.isNull() ? provider.icon(QFileIconProvider::File) : plain;
}

QString TIconCache::LookUpTypeName(const QString& key)
{
    if (key == QLatin1String(DirectoryKey) || key == QLatin1String(DirectoryOpenKey))
        return mimeTypes_.mimeTypeForName(QStringLiteral("inode/directory")).comment();
    const QMimeType type = mimeTypes_.mimeTypeForFile(QStringLiteral("bogus.") + key, QMimeDatabase::MatchExtension);
    return type.comment();
}
