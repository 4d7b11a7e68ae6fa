#pragma once
// The queue file ("Queue.xml" in the data directory, or any file the user
// picks): one empty "QueueItem" element per item below the root
// "QueueList", attributes in this order: "HostID", "RemoteFilename",
// "RemoteRoot", "IsDirectory", "FileSize", "FileModifiedDateTime",
// "LocalRoot", "LocalFilename", "TransferDirection".
//
// The queue manager keeps the items; these functions read and write the
// file for it, so they take the items and a way to append them.
//
// Contract:
// - SaveQueueFile keeps an existing file's declaration, root element and
//   anything outside the root, replaces every child of the root and writes
//   the file atomically (rows refused for an unsafe name are left out):
//   a failed save (unparsable old file, full disk)
//   raises and leaves the old file as it was.
// - LoadQueueFile appends; it never clears. An unreadable or malformed file
//   raises EXMLParseError before anything is appended. An element whose
//   host is in neither store, or whose "TransferDirection" is neither
//   "Upload" nor "Download" (compared exactly), is skipped silently. Any
//   other failure of an element raises EXMLLoadException
//   ("Can't load QueueItem.\r\nReason: %s") and stops the load; items
//   appended before it stay appended.
// - Loaded items are unscheduled and awaiting. Uploads take their remote
//   path, directory flag, size and date from the local file at load time.
// - Sizes are 64-bit decimal numbers. Dates are written as
//   "yyyy-MM-dd HH:mm:ss" ("yyyy-MM-dd" at midnight), whatever the locale;
//   the reader also accepts the user's regional short date and long time.
// - Not thread-safe: the caller holds the queue lock.

#include "queue/QueueItem.h"

#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>

class THosts;
class TQuickHosts;

inline constexpr const char* kQueueFileName = "Queue.xml";

/// The host record for a host ID, or nullptr when there is none.
using THostLookup = std::function<const THost*(std::string_view hostID)>;
/// Takes a loaded item into the queue (the manager's add step: defaults,
/// events, status).
using TQueueItemSink = std::function<void(std::unique_ptr<TQueueItem> item)>;

/// Looks a host ID up exactly, first in the host tree, then in the
/// quick-connect history. Both stores must outlive the lookup.
THostLookup HostLookupIn(const THosts& hosts, const TQuickHosts& quickHosts);

void SaveQueueFile(const std::string& path, std::span<TQueueItem* const> items);
void LoadQueueFile(const std::string& path, const THostLookup& findHost, const TQueueItemSink& append);

/// The data directory followed by "Queue.xml".
std::string DefaultQueueFilePath();

/// The stored form of a date: "yyyy-MM-dd HH:mm:ss", the time left out when
/// it is midnight; rounded to the second.
std::string FormatQueueDateTime(TDateTime value);
/// Reads the stored form exactly, or else the user's regional short date
/// followed by a blank and the long (or short) time, or the short date
/// alone. Raises EConvertError for anything else.
TDateTime ParseQueueDateTime(std::string_view text);
