#pragma once
// TListingCache: the browsing session's directory listings, one per
// directory path (the path exactly as the server reported it). Entries are
// shared, immutable snapshots: a listing handed out stays valid after its
// entry is invalidated. Thread-safe.

#include "ftp/listparse/ListItem.h"

#include <map>
#include <memory>
#include <mutex>
#include <string>

class TListingCache {
public:
    using TListing = std::shared_ptr<const TIdFTPListItems>;

    /// The cached listing of `directory`, or null.
    TListing Find(const std::string& directory) const;
    /// Keeps `listing` under `directory` unless it is empty or an entry
    /// exists already (the first copy wins).
    void Add(const std::string& directory, TListing listing);
    void Invalidate(const std::string& directory);
    void Clear();
    bool Contains(const std::string& directory) const { return Find(directory) != nullptr; }

private:
    mutable std::mutex mutex_;
    std::map<std::string, TListing> entries_;
};

/// A copy of `source` in a collection of its own. When the first entry is a
/// Unix-style entry every entry is copied as one (general fields, owner,
/// group, link target and permissions); otherwise each entry keeps the
/// general fields (name, kind, size, date, raw line).
std::unique_ptr<TIdFTPListItems> CopyListing(const TIdFTPListItems& source);
