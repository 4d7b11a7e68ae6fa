#pragma once
// Parsed directory-listing entries and the collection that owns them.
//
// Contract:
// - Items live only inside a TIdFTPListItems; the collection allocates them
//   (Add<T>()) and frees them. Moving a collection keeps its items valid.
// - Text fields are stored in the collection's text store. Accessors return
//   views that stay valid until the collection changes (an item is added or
//   a text field is set); copy them into a std::string to keep them longer.
// - Setters accept any view, including a view into the line being parsed
//   (stored without a copy once the item's RawLine was set from that line)
//   or into the collection's own text.
// - Not thread-safe: one owner at a time. Distinct collections are
//   independent, so several threads may parse listings at once.

#include "ftp/listparse/ListDateTime.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

enum TIdDirItemType : std::uint8_t {
    dkDirectory = 0,
    dkFile = 1,
    dkSymbolicLink = 2,
    dkSymbolicLinkDir = 3,
    dkBlockDevice = 4,
    dkCharDevice = 5,
    dkFifo = 6,
    dkSocket = 7,
};

class TIdFTPListItems;
class TIdFTPListStore;

/// A stored text: a place in the collection's text store.
struct TIdTextRef {
    std::uint32_t Offset = 0;
    std::uint32_t Length = 0;
};

class TIdFTPListItem {
public:
    explicit TIdFTPListItem(TIdFTPListStore& store);
    virtual ~TIdFTPListItem() = default;
    TIdFTPListItem(const TIdFTPListItem&) = delete;
    TIdFTPListItem& operator=(const TIdFTPListItem&) = delete;

    std::string_view RawLine() const { return Text(rawLine_); }
    void SetRawLine(std::string_view line);

    std::string_view FileName() const { return Text(fileName_); }
    /// Also keeps LocalFileName in step: when it is empty or equal (ignoring
    /// case) to the old name it follows the new name, lower-cased when the
    /// new name has no lower-case letter.
    void SetFileName(std::string_view name);

    std::string_view LocalFileName() const { return Text(localFileName_); }
    void SetLocalFileName(std::string_view name) { localFileName_ = Store(name); }

    std::int64_t Size() const { return size_; }
    void SetSize(std::int64_t size) { size_ = size; }
    bool SizeKnown() const { return sizeKnown_; }
    void SetSizeKnown(bool known) { sizeKnown_ = known; }

    TDateTime ModifiedDate() const { return modifiedDate_; }
    void SetModifiedDate(TDateTime date) { modifiedDate_ = date; }
    bool ModifiedKnown() const { return modifiedKnown_; }
    void SetModifiedKnown(bool known) { modifiedKnown_ = known; }

    TIdDirItemType ItemKind() const { return itemKind_; }
    void SetItemKind(TIdDirItemType kind) { itemKind_ = kind; }

    /// Copies RawLine, ItemKind, Size, ModifiedDate and the name (through
    /// SetFileName); the known-flags stay as they are. Derived classes copy
    /// their own fields when `source` is of their class.
    virtual void Assign(const TIdFTPListItem& source);

    TIdFTPListStore& ListStore() const { return *store_; }

protected:
    std::string_view Text(TIdTextRef ref) const;
    TIdTextRef Store(std::string_view text);

private:
    TIdFTPListStore* store_;
    TIdTextRef rawLine_;
    TIdTextRef fileName_;
    TIdTextRef localFileName_;
    std::int64_t size_ = 0;
    TDateTime modifiedDate_ = 0;
    TIdDirItemType itemKind_ = dkFile;
    bool sizeKnown_ = true;
    bool modifiedKnown_ = true;
};

/// Entries of formats that show only names.
class TIdMinimalFTPListItem : public TIdFTPListItem {
public:
    explicit TIdMinimalFTPListItem(TIdFTPListStore& store);
};

class TIdOwnerFTPListItem : public TIdFTPListItem {
public:
    using TIdFTPListItem::TIdFTPListItem;
    std::string_view OwnerName() const { return Text(ownerName_); }
    void SetOwnerName(std::string_view name) { ownerName_ = Store(name); }
    void Assign(const TIdFTPListItem& source) override;

private:
    TIdTextRef ownerName_;
};

class TIdUnixPermFTPListItem : public TIdOwnerFTPListItem {
public:
    using TIdOwnerFTPListItem::TIdOwnerFTPListItem;
    /// Three characters each, such as "rwx" or "r-s".
    std::string_view UserPermissions() const { return Perm(0); }
    std::string_view GroupPermissions() const { return Perm(1); }
    std::string_view OtherPermissions() const { return Perm(2); }
    void SetUserPermissions(std::string_view p) { SetPerm(0, p); }
    void SetGroupPermissions(std::string_view p) { SetPerm(1, p); }
    void SetOtherPermissions(std::string_view p) { SetPerm(2, p); }
    void Assign(const TIdFTPListItem& source) override;

private:
    std::string_view Perm(int which) const;
    void SetPerm(int which, std::string_view p);
    char perms_[9] = {};
};

class TIdUnixBaseFTPListItem : public TIdUnixPermFTPListItem {
public:
    using TIdUnixPermFTPListItem::TIdUnixPermFTPListItem;
    std::int32_t LinkCount() const { return linkCount_; }
    void SetLinkCount(std::int32_t count) { linkCount_ = count; }
    std::string_view GroupName() const { return Text(groupName_); }
    void SetGroupName(std::string_view name) { groupName_ = Store(name); }
    std::string_view LinkTarget() const { return Text(linkTarget_); }
    void SetLinkTarget(std::string_view target) { linkTarget_ = Store(target); }
    void Assign(const TIdFTPListItem& source) override;

private:
    std::int32_t linkCount_ = 0;
    TIdTextRef groupName_;
    TIdTextRef linkTarget_;
};

class TIdUnixFTPListItem : public TIdUnixBaseFTPListItem {
public:
    using TIdUnixBaseFTPListItem::TIdUnixBaseFTPListItem;
    std::int64_t BlockCount() const { return blockCount_; }
    void SetBlockCount(std::int64_t count) { blockCount_ = count; }
    std::int64_t Inode() const { return inode_; }
    void SetInode(std::int64_t inode) { inode_ = inode; }
    void Assign(const TIdFTPListItem& source) override;

private:
    std::int64_t blockCount_ = 0;
    std::int64_t inode_ = 0;
};

class TIdUnitreeFTPListItem : public TIdUnixFTPListItem {
public:
    using TIdUnixFTPListItem::TIdUnixFTPListItem;
    bool Migrated() const { return migrated_; }
    void SetMigrated(bool migrated) { migrated_ = migrated; }
    std::string_view FileFamily() const { return Text(fileFamily_); }
    void SetFileFamily(std::string_view family) { fileFamily_ = Store(family); }
    void Assign(const TIdFTPListItem& source) override;

private:
    TIdTextRef fileFamily_;
    bool migrated_ = false;
};

/// The shared state of one collection: item memory, text and the "now"
/// that dates without a year are read against.
class TIdFTPListStore {
public:
    TIdFTPListStore();
    ~TIdFTPListStore();
    TIdFTPListStore(const TIdFTPListStore&) = delete;
    TIdFTPListStore& operator=(const TIdFTPListStore&) = delete;

    TDateTime Now() const { return now_; }
    const TIdDateParts& NowParts() const { return nowParts_; }
    void SetNow(TDateTime now);

    std::string_view Text(TIdTextRef ref) const
    {
        return {text_.data() + ref.Offset, ref.Length};
    }
    /// Stores `text`, without a copy when it lies inside the current source
    /// line or the text store already.
    TIdTextRef Store(std::string_view text);
    /// Copies a source line into the text store and remembers it, so that
    /// views into it are stored without another copy.
    TIdTextRef StoreSourceLine(std::string_view line);
    void ReserveText(std::size_t bytes);

    void* Allocate(std::size_t bytes, std::size_t align);
    std::size_t MemoryUsed() const;

private:
    TIdTextRef Append(std::string_view text);

    std::string text_;
    const char* sourceBegin_ = nullptr;
    std::size_t sourceLength_ = 0;
    std::uint32_t sourceOffset_ = 0;
    std::vector<std::unique_ptr<std::byte[]>> blocks_;
    std::size_t blockUsed_ = 0;
    std::size_t blockSize_ = 0;
    std::size_t blockBytes_ = 0;
    TDateTime now_ = 0;
    TIdDateParts nowParts_;
};

class TIdFTPListItems {
public:
    /// "Now" starts as the local clock; SetNow() replaces it (tests, tools).
    TIdFTPListItems();
    ~TIdFTPListItems();
    TIdFTPListItems(TIdFTPListItems&&) noexcept;
    TIdFTPListItems& operator=(TIdFTPListItems&&) noexcept;

    template <class T>
    T& Add()
    {
        static_assert(std::is_base_of_v<TIdFTPListItem, T>);
        void* place = store_->Allocate(sizeof(T), alignof(T));
        T* item = new (place) T(*store_);
        items_.push_back(item);
        return *item;
    }
    /// Drops the most recently added item (a line that turned out not to be
    /// an entry).
    void RemoveLast();
    void Clear();
    /// Room for `count` more items in the index (a hint; never required).
    void Reserve(std::size_t count) { items_.reserve(items_.size() + count); }

    std::size_t Count() const { return items_.size(); }
    bool Empty() const { return items_.empty(); }
    TIdFTPListItem& operator[](std::size_t i) const { return *items_[i]; }

    class const_iterator {
    public:
        using iterator_category = std::random_access_iterator_tag;
        using value_type = TIdFTPListItem;
        using difference_type = std::ptrdiff_t;
        using pointer = TIdFTPListItem*;
        using reference = TIdFTPListItem&;
        explicit const_iterator(TIdFTPListItem* const* p) : p_(p) {}
        reference operator*() const { return **p_; }
        pointer operator->() const { return *p_; }
        const_iterator& operator++() { ++p_; return *this; }
        bool operator==(const const_iterator& o) const { return p_ == o.p_; }
        bool operator!=(const const_iterator& o) const { return p_ != o.p_; }

    private:
        TIdFTPListItem* const* p_;
    };
    const_iterator begin() const { return const_iterator(items_.data()); }
    const_iterator end() const { return const_iterator(items_.data() + items_.size()); }

    TDateTime Now() const { return store_->Now(); }
    void SetNow(TDateTime now) { store_->SetNow(now); }
    TIdFTPListStore& ListStore() const { return *store_; }

    /// Bytes held by the items, their text and the item index.
    std::size_t MemoryUsed() const;

private:
    void DestroyItems();

    std::unique_ptr<TIdFTPListStore> store_;
    std::vector<TIdFTPListItem*> items_;
};
