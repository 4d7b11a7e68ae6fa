#pragma once
// THostSecrets: the passwords of one host file that live in the desktop's
// keyring (ISecretStore) instead of in the file.
//
// In the file such a field has no password attribute but a mark in its
// place: "PasswordInKeyring" instead of "Password", "ProxyPasswordInKeyring"
// instead of "ProxyPassword", each with the value "True". A field is marked
// only after the keyring confirmed the write; until then the file keeps the
// password in its usual form. The keyring entry of a host is named by the
// store's prefix and its host ID (the proxy password's by those and
// "/ProxyPassword"), so two files never share an entry.
//
// Contract:
// - Owned by one host store, used on its thread; without an installed
//   secret store every call leaves the document alone.
// - A marked password the keyring could not give (missing, locked, slow) is
//   "unreadable": the record gets an empty password, and writing that
//   record again keeps the mark, so the secret is never dropped by a save.

#include <pugixml.hpp>

#include <map>
#include <optional>
#include <set>
#include <string>

class TXMLDocument;

class THostSecrets {
public:
    static constexpr const char* LoginMark = "PasswordInKeyring";
    static constexpr const char* ProxyMark = "ProxyPasswordInKeyring";

    explicit THostSecrets(std::string keyPrefix = {}) : prefix_(std::move(keyPrefix)) {}

    std::string LoginKey(const std::string& hostID) const { return prefix_ + hostID; }
    std::string ProxyKey(const std::string& hostID) const { return prefix_ + hostID + "/ProxyPassword"; }

    /// Reads from the keyring every password marked below `root` that is
    /// not known yet (and retries the unreadable ones). `asInFile`: `root`
    /// was just read from the file, whose marks a later save compares with.
    void Resolve(pugi::xml_node root, bool asInFile);
    /// The password of a marked field; nullopt while it is unreadable.
    std::optional<std::string> Password(const std::string& key) const;
    bool Unreadable(const std::string& key) const { return unreadable_.count(key) != 0; }
    /// Whether the login or proxy password of `hostID` is unreadable.
    bool HostUnreadable(const std::string& hostID) const
    {
        return Unreadable(LoginKey(hostID)) || Unreadable(ProxyKey(hostID));
    }

    /// Before the file is written: hands every non-empty password below
    /// `doc`'s root to the keyring and marks each field whose secret the
    /// keyring confirmed. Answers whether it marked any.
    bool MoveToKeyring(TXMLDocument& doc);
    /// After the file was written: deletes the keyring entries that the
    /// file marked before but marks no longer.
    void DropUnreferenced(pugi::xml_node root);

private:
    std::set<std::string> MarkedKeys(pugi::xml_node root) const;

    std::string prefix_;
    std::map<std::string, std::string> known_; // key -> secret the keyring holds
    std::set<std::string> unreadable_;
    std::set<std::string> marked_; // keys marked in the file as last read or written
};
