#pragma once
// TDragDrop: the data formats of the program's drags and drops.
//
// - The file list is the desktop's "text/uri-list" (local files only).
// - "FTPFiles" carries the names of dragged remote entries, without any
//   folder, as a block: a 20-byte header (list offset 20, drop point 0,0,
//   not non-client, wide characters), then each name in UTF-16LE ended by a
//   zero character, and one more zero character after the last.
// - Dragging remote rows out to the file manager offers the placeholder
//   folder "TFTPDROP" in the temporary folder as the file list. A
//   file-manager extension that sees a copy of it writes the destination
//   folder into the drop-target file and keeps the copy from happening; the
//   program reads that file when its drag ended outside its own lists.
//
// Pure functions over QMimeData and the file system; user-interface thread.

#include <QString>
#include <QStringList>

class QMimeData;

class TDragDrop {
public:
    static constexpr const char* RemoteNamesFormat = "FTPFiles";
    static constexpr const char* UriListFormat = "text/uri-list";

    /// The block of `names` in the layout above, and back. Decoding stops
    /// at the first double zero; a block shorter than its header is empty.
    static QByteArray EncodeNameBlock(const QStringList& names);
    static QStringList DecodeNameBlock(const QByteArray& block);

    static bool HasRemoteNames(const QMimeData& data);
    static QStringList RemoteNames(const QMimeData& data);
    /// Whether the data has a list of local files.
    static bool HasFileList(const QMimeData& data);
    /// The local paths of the file list, in order.
    static QStringList LocalPaths(const QMimeData& data);

    /// A drag of remote rows: the names and the placeholder folder.
    static QMimeData* RemoteDragData(const QStringList& names);
    /// A drag of local files.
    static QMimeData* LocalDragData(const QStringList& paths);

    /// The placeholder folder, created when missing ("" when it cannot be).
    static QString PlaceholderFolder();
    /// Whether `path` is the placeholder folder.
    static bool IsPlaceholder(const QString& path);
    /// Where the extension writes the destination of a placeholder drop:
    /// at most 260 bytes, 8-bit text ended by a zero byte.
    static QString DropTargetFile();
    /// The folder the extension reported, and the report cleared; "" when none.
    static QString TakeDropTarget();
};
