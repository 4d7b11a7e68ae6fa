#pragma once
// TIconCache: icons and type names of remote entries, by file extension.
//
// Keys: an extension with its leading dot as it follows the last "." of a
// name (letter case ignored; "" for names without one), or the
// pseudo-extensions "ADIRECTORY" (a closed folder) and "ADIRECTORYOPEN" (an
// open folder). The first look-up of a key asks the desktop's theme and MIME
// database by the extension alone, never touching a file; later look-ups
// answer from the cache.
//
// Contract: user-interface thread only (icons are GUI objects).

#include <QHash>
#include <QIcon>
#include <QMimeDatabase>
#include <QString>

#include <string_view>

class TIconCache {
public:
    static constexpr const char* DirectoryKey = "ADIRECTORY";
    static constexpr const char* DirectoryOpenKey = "ADIRECTORYOPEN";

    /// The cache key of a file name: its extension with the dot, lower-cased.
    static QString KeyOfName(std::string_view fileName);

    QIcon Icon(const QString& key);
    /// The desktop's name of the type, at most 80 characters.
    QString TypeName(const QString& key);

    int IconCount() const { return icons_.size(); }
    int TypeNameCount() const { return typeNames_.size(); }

private:
    QIcon LookUpIcon(const QString& key);
    QString LookUpTypeName(const QString& key);

    QMimeDatabase mimeTypes_;
    QHash<QString, QIcon> icons_;
    QHash<QString, QString> typeNames_;
};
