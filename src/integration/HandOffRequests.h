#pragma once
// What the main window does with a hand-off, without its dialogs:
//
//   link (OnURL):     THost host = HostFromBrowserURL(url);   // raises EHostURLError
//                     quickHosts.AddOrUpdate(host); ConnectToHost(host);
//   files (OnFiles):  const THost* host = ResolveUploadHost(registry, hosts, index);
//                     if (!host) return;                      // nothing is shown
//                     bring the window to the front; destination dialog;
//                     QueueHandedUploads(queue, *host, dialogText, paths);
//
// Contract: user-interface thread (the stores and the queue are its).

#include "hosts/Host.h"

#include <string>
#include <vector>

class THosts;
class TQueueItem;
class TQueueManager;
class TRegistry;

/// A new host record for an ftp:// link: its user (or anonymous login),
/// host, port, and the link's folder as the initial remote directory.
/// Raises EHostURLError for a link it cannot read.
THost HostFromBrowserURL(const std::string& url);

/// The stored host at `index` of the registry host index, or nullptr when
/// the index key is missing, the index is not below the number of its
/// entries, or the host named there is no longer in the host tree.
const THost* ResolveUploadHost(const TRegistry& registry, const THosts& hosts, int index);

/// Queues one upload per path, in order, marked to run (no transfer is
/// started here): local root = the path's folder, remote root =
/// `destination`, or the host's initial remote directory when that is empty,
/// with "/" forced. A folder becomes a folder item. Relative paths are
/// refused (left out). Errors of AddUpload pass to the caller; the items
/// queued before stay.
std::vector<TQueueItem*> QueueHandedUploads(TQueueManager& queue, const THost& host, const std::string& destination,
                                            const std::vector<std::string>& paths);
