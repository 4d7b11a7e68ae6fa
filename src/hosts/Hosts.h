#pragma once
// THosts: the user's hosts, kept in "Hosts.xml" (root "HostList") as a tree
// of "Group" and "Host" elements, with a flat list of every host in
// document order (depth first) for look-ups by host ID. Saving also
// rewrites the registry host index ("Software\Tovrel FTP\Hosts": one
// sub-key per host, named by its ID, whose default value is the host's
// CommonName).
//
// Contract:
// - User-interface thread only; hand other threads copies of the records.
// - The constructor opens or creates the file and loads it; it raises
//   EXMLParseError for an unparsable file and EXMLLoadException for a host
//   that cannot be read, leaving the file untouched.
// - Reload() and ReplaceFromTree() raise EXMLLoadException ("Can't load node
//   with commonname: %s\r\nReason: %s") for a host that cannot be read; the
//   list then holds the hosts read before it.
// - Only Save() and AddOrUpdate() (which saves) write files; the document
//   is also written at destruction when it holds unsaved changes.
// - With a secret store installed (store/SecretStore.h), Save() first moves
//   every password into the desktop's keyring and leaves in the file only
//   a mark for each one the keyring confirmed (THostSecrets); loading reads
//   them back, and a save deletes the entries of hosts that are gone. A
//   password the keyring refused or did not answer for stays in the file
//   in its protected form.
// - Records in the list are owned by it; pointers stay valid until the
//   next Reload or ReplaceFromTree.

#include "hosts/Host.h"
#include "hosts/HostSecrets.h"
#include "hosts/HostTreeNode.h"
#include "platform/Registry.h"
#include "store/XMLDocument.h"

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class THosts {
public:
    static constexpr const char* FileName = "Hosts.xml";
    static constexpr const char* RegistryKey = "Software\\Tovrel FTP\\Hosts";

    /// Opens "Hosts.xml" and the registry in `dataDirectory`.
    explicit THosts(const std::string& dataDirectory);
    ~THosts();

    THosts(const THosts&) = delete;
    THosts& operator=(const THosts&) = delete;

    void Reload();

    const std::vector<std::unique_ptr<THost>>& Items() const { return items_; }
    int Count() const { return static_cast<int>(items_.size()); }
    /// The first host whose ID text equals `hostID` exactly, or nullptr.
    THost* FindByHostID(std::string_view hostID) const;

    /// Fills `tree` (emptied first) with a root captioned "Hosts" and the
    /// document's groups and hosts below it. The host list is not changed.
    void FillTree(THostTreeNode& tree) const;
    /// Replaces the document's content with the groups and hosts below the
    /// first node of `tree` and rebuilds the host list. Nothing is written.
    void ReplaceFromTree(const THostTreeNode& tree);
    /// Updates the host with the same ID (wherever its element is) or adds
    /// a new one at the end, then saves.
    void AddOrUpdate(const THost& host);
    /// Adds three public anonymous FTP servers.
    void AddDefaultHosts();
    /// Rewrites the registry host index, then writes "Hosts.xml", then runs
    /// the saved hook.
    void Save();
    /// Moves the passwords the file still holds into the keyring and saves
    /// when it took any (a keyring that has appeared since the last save).
    void MovePasswordsToKeyring();
    /// Whether a password of the host is kept in the keyring, which could
    /// not give it back (the record then holds an empty one).
    bool PasswordUnreadable(const std::string& hostID) const { return secrets_.HostUnreadable(hostID); }

    /// Runs after every successful Save() of any host tree with the hosts
    /// and the registry holding their index (the desktop's upload entries
    /// follow it). Process-wide; an exception from it passes to the caller.
    using TSavedHook = std::function<void(const THosts& hosts, const TRegistry& registry)>;
    static void SetSavedHook(TSavedHook hook);

private:
    void LoadElement(pugi::xml_node element, THostTreeNode* node,
                     std::vector<std::unique_ptr<THost>>* list) const;
    void WriteTreeNode(const THostTreeNode& node, pugi::xml_node element);
    /// `fromFile`: the document was just read from "Hosts.xml".
    void LoadList(bool fromFile);

    TXMLDocument doc_;
    TRegistry registry_;
    THostSecrets secrets_;
    std::vector<std::unique_ptr<THost>> items_;
};
