#include "ftp/listparse/ListItem.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <limits>
#include <stdexcept>

namespace {

bool HasLowerCase(std::string_view s)
{
    return std::any_of(s.begin(), s.end(), [](char c) { return c >= 'a' && c <= 'z'; });
}

bool HasUpperCase(std::string_view s)
{
    return std::any_of(s.begin(), s.end(), [](char c) { return c >= 'A' && c <= 'Z'; });
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i];
        char y = b[i];
        if (x >= 'a' && x <= 'z')
            x = static_cast<char>(x - 32);
        if (y >= 'a' && y <= 'z')
            y = static_cast<char>(y - 32);
        if (x != y)
            return false;
    }
    return true;
}

// Whether [p, p+n) lies inside [begin, begin+len).
bool Inside(const char* p, std::size_t n, const char* begin, std::size_t len)
{
    if (begin == nullptr || p == nullptr)
        return false;
    const std::less<const char*> less;
    return !less(p, begin) && !less(begin + len, p + n) && !less(p + n, p);
}

constexpr std::size_t kFirstBlock = 4096;
constexpr std::size_t kMaxBlock = 1 << 20;

} // namespace

// ---------------------------------------------------------------- items

TIdFTPListItem::TIdFTPListItem(TIdFTPListStore& store) : store_(&store) {}

std::string_view TIdFTPListItem::Text(TIdTextRef ref) const
{
    return store_->Text(ref);
}

TIdTextRef TIdFTPListItem::Store(std::string_view text)
{
    return store_->Store(text);
}

void TIdFTPListItem::SetRawLine(std::string_view line)
{
    rawLine_ = store_->StoreSourceLine(line);
}

void TIdFTPListItem::SetFileName(std::string_view name)
{
    const std::string_view oldName = FileName();
    const std::string_view oldLocal = LocalFileName();
    if (oldLocal.empty() || EqualsIgnoringCase(oldLocal, oldName)) {
        const TIdTextRef nameRef = Store(name);
        fileName_ = nameRef;
        localFileName_ = nameRef;
        if (!HasLowerCase(name) && HasUpperCase(name)) {
            std::string lower(Text(nameRef));
            for (char& c : lower)
                if (c >= 'A' && c <= 'Z')
                    c = static_cast<char>(c + 32);
            localFileName_ = Store(lower);
        }
        return;
    }
    fileName_ = Store(name);
}

void TIdFTPListItem::Assign(const TIdFTPListItem& source)
{
    // Copy the texts first: `source` may live in another collection.
    const std::string raw(source.RawLine());
    const std::string name(source.FileName());
    SetRawLine(raw);
    itemKind_ = source.itemKind_;
    size_ = source.size_;
    modifiedDate_ = source.modifiedDate_;
    SetFileName(name);
}

TIdMinimalFTPListItem::TIdMinimalFTPListItem(TIdFTPListStore& store) : TIdFTPListItem(store)
{
    SetSizeKnown(false);
    SetModifiedKnown(false);
}

void TIdOwnerFTPListItem::Assign(const TIdFTPListItem& source)
{
    TIdFTPListItem::Assign(source);
    if (const auto* s = dynamic_cast<const TIdOwnerFTPListItem*>(&source))
        SetOwnerName(std::string(s->OwnerName()));
}

std::string_view TIdUnixPermFTPListItem::Perm(int which) const
{
    const char* p = perms_ + which * 3;
    std::size_t n = 0;
    while (n < 3 && p[n] != '\0')
        ++n;
    return {p, n};
}

void TIdUnixPermFTPListItem::SetPerm(int which, std::string_view p)
{
    char* out = perms_ + which * 3;
    for (std::size_t i = 0; i < 3; ++i)
        out[i] = i < p.size() ? p[i] : '\0';
}

void TIdUnixPermFTPListItem::Assign(const TIdFTPListItem& source)
{
    TIdOwnerFTPListItem::Assign(source);
    if (const auto* s = dynamic_cast<const TIdUnixPermFTPListItem*>(&source))
        std::memcpy(perms_, s->perms_, sizeof perms_);
}

void TIdUnixBaseFTPListItem::Assign(const TIdFTPListItem& source)
{
    TIdUnixPermFTPListItem::Assign(source);
    if (const auto* s = dynamic_cast<const TIdUnixBaseFTPListItem*>(&source)) {
        linkCount_ = s->linkCount_;
        SetGroupName(std::string(s->GroupName()));
        SetLinkTarget(std::string(s->LinkTarget()));
    }
}

void TIdUnixFTPListItem::Assign(const TIdFTPListItem& source)
{
    TIdUnixBaseFTPListItem::Assign(source);
    if (const auto* s = dynamic_cast<const TIdUnixFTPListItem*>(&source)) {
        blockCount_ = s->blockCount_;
        inode_ = s->inode_;
    }
}

void TIdUnitreeFTPListItem::Assign(const TIdFTPListItem& source)
{
    TIdUnixFTPListItem::Assign(source);
    if (const auto* s = dynamic_cast<const TIdUnitreeFTPListItem*>(&source)) {
        migrated_ = s->migrated_;
        SetFileFamily(std::string(s->FileFamily()));
    }
}

// ---------------------------------------------------------------- store

TIdFTPListStore::TIdFTPListStore()
{
    SetNow(NowLocal());
}

TIdFTPListStore::~TIdFTPListStore() = default;

void TIdFTPListStore::SetNow(TDateTime now)
{
    now_ = now;
    nowParts_ = DecodeDateTime(now);
}

TIdTextRef TIdFTPListStore::Append(std::string_view text)
{
    if (text_.size() + text.size() > std::numeric_limits<std::uint32_t>::max())
        throw std::length_error("directory listing too large");
    TIdTextRef ref{static_cast<std::uint32_t>(text_.size()),
                   static_cast<std::uint32_t>(text.size())};
    text_.append(text);
    return ref;
}

TIdTextRef TIdFTPListStore::Store(std::string_view text)
{
    if (text.empty())
        return {};
    if (Inside(text.data(), text.size(), sourceBegin_, sourceLength_))
        return {static_cast<std::uint32_t>(sourceOffset_ + (text.data() - sourceBegin_)),
                static_cast<std::uint32_t>(text.size())};
    if (Inside(text.data(), text.size(), text_.data(), text_.size()))
        return {static_cast<std::uint32_t>(text.data() - text_.data()),
                static_cast<std::uint32_t>(text.size())};
    return Append(text);
}

TIdTextRef TIdFTPListStore::StoreSourceLine(std::string_view line)
{
    if (Inside(line.data(), line.size(), text_.data(), text_.size())) {
        // Already ours (an item re-parsed from its own RawLine): a copy
        // would let later appends move the text under the parser.
        const std::string copy(line);
        return StoreSourceLine(copy);
    }
    const TIdTextRef ref = Append(line);
    sourceBegin_ = line.data();
    sourceLength_ = line.size();
    sourceOffset_ = ref.Offset;
    return ref;
}

void TIdFTPListStore::ReserveText(std::size_t bytes)
{
    text_.reserve(text_.size() + bytes);
}

void* TIdFTPListStore::Allocate(std::size_t bytes, std::size_t align)
{
    std::size_t start = (blockUsed_ + align - 1) / align * align;
    if (blocks_.empty() || start + bytes > blockSize_) {
        blockSize_ = std::max(bytes + align, std::min(kMaxBlock, blocks_.empty()
                                                                    ? kFirstBlock
                                                                    : blockSize_ * 2));
        // Not value-initialised: items are constructed in place anyway.
        blocks_.push_back(std::unique_ptr<std::byte[]>(new std::byte[blockSize_]));
        blockBytes_ += blockSize_;
        const auto base = reinterpret_cast<std::uintptr_t>(blocks_.back().get());
        start = static_cast<std::size_t>((base + align - 1) / align * align - base);
    }
    blockUsed_ = start + bytes;
    return blocks_.back().get() + start;
}

std::size_t TIdFTPListStore::MemoryUsed() const
{
    return text_.capacity() + blockBytes_ + blocks_.capacity() * sizeof(blocks_[0]);
}

// ---------------------------------------------------------------- collection

TIdFTPListItems::TIdFTPListItems() : store_(std::make_unique<TIdFTPListStore>()) {}

TIdFTPListItems::~TIdFTPListItems()
{
    DestroyItems();
}

TIdFTPListItems::TIdFTPListItems(TIdFTPListItems&& other) noexcept
    : store_(std::exchange(other.store_, std::make_unique<TIdFTPListStore>())),
      items_(std::move(other.items_))
{
    other.items_.clear();
}

TIdFTPListItems& TIdFTPListItems::operator=(TIdFTPListItems&& other) noexcept
{
    if (this != &other) {
        DestroyItems();
        store_ = std::exchange(other.store_, std::make_unique<TIdFTPListStore>());
        items_ = std::move(other.items_);
        other.items_.clear();
    }
    return *this;
}

void TIdFTPListItems::DestroyItems()
{
    for (TIdFTPListItem* item : items_)
        item->~TIdFTPListItem();
    items_.clear();
}

void TIdFTPListItems::RemoveLast()
{
    if (items_.empty())
        return;
    items_.back()->~TIdFTPListItem();
    items_.pop_back();
}

void TIdFTPListItems::Clear()
{
    const TDateTime now = store_->Now();
    DestroyItems();
    store_ = std::make_unique<TIdFTPListStore>();
    store_->SetNow(now);
}

std::size_t TIdFTPListItems::MemoryUsed() const
{
    return sizeof(*this) + sizeof(TIdFTPListStore) + store_->MemoryUsed()
           + items_.capacity() * sizeof(TIdFTPListItem*);
}
