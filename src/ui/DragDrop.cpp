#include "ui/DragDrop.h"

#include "platform/DropTargetBlock.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMimeData>
#include <QUrl>

#include <cstdint>

namespace {

constexpr int kHeaderSize = 20;

void PutLE32(QByteArray& out, std::uint32_t value)
{
    for (int shift = 0; shift < 32; shift += 8)
        out.append(static_cast<char>((value >> shift) & 0xFF));
}

} // namespace

QByteArray TDragDrop::EncodeNameBlock(const QStringList& names)
{
    QByteArray block;
    PutLE32(block, kHeaderSize);  // offset of the list
    PutLE32(block, 0);            // drop point x
    PutLE32(block, 0);            // drop point y
    PutLE32(block, 0);            // not in the non-client area
    PutLE32(block, 1);            // wide characters
    for (const QString& name : names) {
        for (const QChar c : name) {
            const char16_t unit = c.unicode();
            block.append(static_cast<char>(unit & 0xFF));
            block.append(static_cast<char>(unit >> 8));
        }
        block.append(2, '\0');
    }
    block.append(2, '\0');
    return block;
}

QStringList TDragDrop::DecodeNameBlock(const QByteArray& block)
{
    QStringList names;
    if (block.size() < kHeaderSize)
        return names;
    // The whole UTF-16 text is kept, so names beyond 8-bit characters survive.
    QString current;
    for (qsizetype at = kHeaderSize; at + 1 < block.size(); at += 2) {
        const char16_t unit = static_cast<char16_t>(static_cast<std::uint8_t>(block[at]) |
                                                    (static_cast<std::uint8_t>(block[at + 1]) << 8));
        if (unit != 0) {
            current.append(QChar(unit));
            continue;
        }
        if (current.isEmpty())
            break;  // the double zero
        names.append(current);
        current.clear();
    }
    return names;
}

bool TDragDrop::HasRemoteNames(const QMimeData& data)
{
    return data.hasFormat(QLatin1String(RemoteNamesFormat));
}

QStringList TDragDrop::RemoteNames(const QMimeData& data)
{
    return DecodeNameBlock(data.data(QLatin1String(RemoteNamesFormat)));
}

bool TDragDrop::HasFileList(const QMimeData& data)
{
    const QStringList paths = LocalPaths(data);
    return !paths.isEmpty() && !IsPlaceholder(paths.front());
}

QStringList TDragDrop::LocalPaths(const QMimeData& data)
{
    QStringList paths;
    if (!data.hasUrls())
        return paths;
    for (const QUrl& url : data.urls())
        if (url.isLocalFile())
            paths.append(QDir::cleanPath(url.toLocalFile()));
    return paths;
}

QMimeData* TDragDrop::RemoteDragData(const QStringList& names)
{
    auto* data = new QMimeData;
    if (!names.isEmpty())
        data->setData(QLatin1String(RemoteNamesFormat), EncodeNameBlock(names));
    if (TDropTargetBlock::Served()) {
        const QString placeholder = QString::fromStdString(TDropTargetBlock::PlaceholderFolder());
        if (!placeholder.isEmpty())
            data->setUrls({QUrl::fromLocalFile(placeholder)});
    }
    return data;
}

QMimeData* TDragDrop::LocalDragData(const QStringList& paths)
{
    auto* data = new QMimeData;
    QList<QUrl> urls;
    for (const QString& path : paths)
        urls.append(QUrl::fromLocalFile(path));
    data->setUrls(urls);
    return data;
}

bool TDragDrop::IsPlaceholder(const QString& path)
{
    const std::string placeholder = TDropTargetBlock::PlaceholderPath();
    return !placeholder.empty() && QDir::cleanPath(path) == QDir::cleanPath(QString::fromStdString(placeholder));
}

QString TDragDrop::TakeDropTarget()
{
    return QString::fromLocal8Bit(TDropTargetBlock::Take());
}
