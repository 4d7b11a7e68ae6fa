#pragma once
// TQuickHosts: the quick-connect history, servers reached without a saved
// host, kept flat in "QuickHosts.xml" (root "HostList") oldest first. No
// dial-up attributes and no bookmarks are stored.
//
// Contract:
// - User-interface thread only; hand other threads copies of the records.
// - The constructor opens or creates the file and loads it (raising
//   EXMLParseError or a load error as Reload does, file untouched).
// - Reload() raises EXMLLoadException "Could not read: <element XML>" for an
//   entry with an absent attribute, a value that does not convert or a
//   password that cannot be restored, and EConvertError for a host ID that
//   is not a GUID; entries read before it stay in the list.
// - AddOrUpdate() and Delete() save at once; the destructor saves too,
//   except after a failed load (so a damaged file is never rewritten).
// - Passwords go to the desktop's keyring when a secret store is installed,
//   as for the host tree (THostSecrets).

#include "hosts/Host.h"
#include "hosts/HostSecrets.h"
#include "store/XMLDocument.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

class TQuickHosts {
public:
    static constexpr const char* FileName = "QuickHosts.xml";

    explicit TQuickHosts(const std::string& dataDirectory);
    ~TQuickHosts();

    TQuickHosts(const TQuickHosts&) = delete;
    TQuickHosts& operator=(const TQuickHosts&) = delete;

    void Reload();

    const std::vector<std::unique_ptr<THost>>& Items() const { return items_; }
    int Count() const { return static_cast<int>(items_.size()); }
    THost* FindByHostID(std::string_view hostID) const;

    void AddOrUpdate(const THost& host);
    /// Removes `entry` (a record of this list) and its element, then saves.
    /// A record not in the list is ignored.
    void Delete(const THost* entry);
    void Save();
    /// As THosts::MovePasswordsToKeyring and THosts::PasswordUnreadable.
    void MovePasswordsToKeyring();
    bool PasswordUnreadable(const std::string& hostID) const { return secrets_.HostUnreadable(hostID); }

private:
    void LoadList();

    TXMLDocument doc_;
    THostSecrets secrets_{"QuickHosts/"};
    std::vector<std::unique_ptr<THost>> items_;
    bool loadFailed_ = false;
};
