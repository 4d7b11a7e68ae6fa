#include "session/ListingCache.h"

TListingCache::TListing TListingCache::Find(const std::string& directory) const
{
    std::lock_guard lock(mutex_);
    const auto found = entries_.find(directory);
    return found == entries_.end() ? nullptr : found->second;
}

void TListingCache::Add(const std::string& directory, TListing listing)
{
    if (!listing || listing->Empty())
        return;
    std::lock_guard lock(mutex_);
    entries_.emplace(directory, std::move(listing));
}

void TListingCache::Invalidate(const std::string& directory)
{
    TListing dropped;  // freed outside the lock
    std::lock_guard lock(mutex_);
    const auto found = entries_.find(directory);
    if (found == entries_.end())
        return;
    dropped = std::move(found->second);
    entries_.erase(found);
}

void TListingCache::Clear()
{
    std::map<std::string, TListing> dropped;
    std::lock_guard lock(mutex_);
    dropped.swap(entries_);
}

std::unique_ptr<TIdFTPListItems> CopyListing(const TIdFTPListItems& source)
{
    auto copy = std::make_unique<TIdFTPListItems>();
    copy->SetNow(source.Now());
    copy->Reserve(source.Count());
    const bool unix = !source.Empty() && dynamic_cast<const TIdUnixBaseFTPListItem*>(&source[0]);
    for (const TIdFTPListItem& item : source) {
        TIdFTPListItem& target = unix ? static_cast<TIdFTPListItem&>(copy->Add<TIdUnixFTPListItem>())
                                      : copy->Add<TIdFTPListItem>();
        target.Assign(item);
        target.SetLocalFileName(item.LocalFileName());
        target.SetSizeKnown(item.SizeKnown());
        target.SetModifiedKnown(item.ModifiedKnown());
    }
    return copy;
}
