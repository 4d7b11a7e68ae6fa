#pragma once
// TDragDrop: the data formats of the program's drags and drops.
//
// - The file list is the desktop's "text/uri-list" (local files only).
// - "FTPFiles" carries the names of dragged remote entries, without any
//   folder, as a block: a 20-byte header (list offset 20, drop point 0,0,
//   not non-client, wide characters), then each name in UTF-16LE ended by a
//   zero character, and one more zero character after the last.
// - Dragging remote rows out to the file manager offers the placeholder
//   folder "TFTPDROP" as the file list, but only while a file-manager
//   extension serves the drop-target block (platform/DropTargetBlock.h):
//   the extension keeps the copy from happening and reports the
//   destination, which the program reads when its drag ended outside its
//   own lists. Without one the drag carries only the names, and the file
//   manager refuses it.
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
    /// Whether the data has a list of local files (the placeholder alone,
    /// or first, is no such list).
    static bool HasFileList(const QMimeData& data);
    /// The local paths of the file list, in order.
    static QStringList LocalPaths(const QMimeData& data);

    /// A drag of remote rows: the names, and the placeholder folder while an
    /// extension serves the drop-target block.
    static QMimeData* RemoteDragData(const QStringList& names);
    /// A drag of local files.
    static QMimeData* LocalDragData(const QStringList& paths);

    /// Whether `path` is the placeholder folder.
    static bool IsPlaceholder(const QString& path);
    /// The folder the extension reported, and the report cleared; "" when none.
    static QString TakeDropTarget();
};
