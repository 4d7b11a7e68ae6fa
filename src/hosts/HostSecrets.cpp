#include "hosts/HostSecrets.h"

#include "hosts/HostXML.h"
#include "hosts/PasswordProtection.h"
#include "store/SecretStore.h"
#include "store/XMLDocument.h"

#include <functional>
#include <vector>

namespace {

struct TField {
    const char* Attribute;
    const char* Mark;
    bool Protected; // the file holds it enciphered (the login password)
    std::string (THostSecrets::*Key)(const std::string& hostID) const;
};

const TField Fields[] = {
    {"Password", THostSecrets::LoginMark, true, &THostSecrets::LoginKey},
    {"ProxyPassword", THostSecrets::ProxyMark, false, &THostSecrets::ProxyKey},
};

// Every element below `parent` that names a host ID, groups searched through.
void ForEachHost(pugi::xml_node parent, const std::function<void(pugi::xml_node, const std::string&)>& visit)
{
    for (pugi::xml_node child : TXMLDocument::Elements(parent)) {
        if (const auto id = TXMLDocument::Attribute(child, "HostID")) {
            try {
                visit(child, HostXML::ParseGUID(*id));
            } catch (const EConvertError&) {
                // A damaged host is the loader's to report, not ours.
            }
        }
        ForEachHost(child, visit);
    }
}

bool IsMarked(pugi::xml_node element, const TField& field)
{
    if (TXMLDocument::Attribute(element, field.Attribute))
        return false; // a password in the file wins over the mark
    const auto mark = TXMLDocument::Attribute(element, field.Mark);
    try {
        return mark && TXMLDocument::ParseBool(*mark);
    } catch (const EConvertError&) {
        return false;
    }
}

// The password a field holds in the file; nullopt when there is none or it
// cannot be restored.
std::optional<std::string> SecretIn(pugi::xml_node element, const TField& field, const std::string& id)
{
    const auto stored = TXMLDocument::Attribute(element, field.Attribute);
    if (!stored)
        return std::nullopt;
    if (!field.Protected)
        return stored;
    try {
        return DecryptPassword(id, *stored);
    } catch (const EPasswordDecryptError&) {
        return std::nullopt;
    }
}

void Mark(TXMLDocument& doc, pugi::xml_node element, const TField& field)
{
    const pugi::xml_attribute stored = element.attribute(field.Attribute);
    element.insert_attribute_after(field.Mark, stored).set_value("True");
    element.remove_attribute(stored);
    doc.MarkChanged();
}

struct TMove {
    pugi::xml_node Element;
    const TField* Field;
    std::string Key;
};

} // namespace

std::set<std::string> THostSecrets::MarkedKeys(pugi::xml_node root) const
{
    std::set<std::string> keys;
    ForEachHost(root, [this, &keys](pugi::xml_node element, const std::string& id) {
        for (const TField& field : Fields)
            if (IsMarked(element, field))
                keys.insert((this->*field.Key)(id));
    });
    return keys;
}

void THostSecrets::Resolve(pugi::xml_node root, bool asInFile)
{
    const std::set<std::string> marked = MarkedKeys(root);
    if (asInFile)
        marked_ = marked;
    std::vector<std::string> wanted;
    for (const std::string& key : marked)
        if (!known_.count(key))
            wanted.push_back(key);
    if (wanted.empty())
        return;
    const std::shared_ptr<ISecretStore> store = ISecretStore::Instance();
    const ISecretStore::TReadResult read = store ? store->Read(wanted) : ISecretStore::TReadResult{};
    for (const std::string& key : wanted) {
        if (const auto found = read.Found.find(key); found != read.Found.end()) {
            known_[key] = found->second;
            unreadable_.erase(key);
        } else if (read.Missing.count(key)) {
            // The keyring answered that it holds nothing: the password is
            // gone (removed by hand), which an empty one says truthfully.
            known_[key].clear();
            unreadable_.erase(key);
        } else {
            unreadable_.insert(key);
        }
    }
}

std::optional<std::string> THostSecrets::Password(const std::string& key) const
{
    if (unreadable_.count(key))
        return std::nullopt;
    const auto found = known_.find(key);
    return found == known_.end() ? std::nullopt : std::optional<std::string>(found->second);
}

bool THostSecrets::MoveToKeyring(TXMLDocument& doc)
{
    const std::shared_ptr<ISecretStore> store = ISecretStore::Instance();
    if (!store)
        return false;
    std::vector<TMove> moves;
    std::map<std::string, std::string> secrets;
    std::set<std::string> clashing; // one host ID on two elements with different passwords
    ForEachHost(doc.Root(), [&](pugi::xml_node element, const std::string& id) {
        for (const TField& field : Fields) {
            const std::optional<std::string> secret = SecretIn(element, field, id);
            if (!secret || secret->empty())
                continue;
            const std::string key = (this->*field.Key)(id);
            const auto [at, added] = secrets.emplace(key, *secret);
            if (!added && at->second != *secret)
                clashing.insert(key);
            moves.push_back({element, &field, key});
        }
    });
    std::map<std::string, std::string> toWrite;
    for (const auto& [key, secret] : secrets) {
        const auto known = known_.find(key);
        if (!clashing.count(key) && (known == known_.end() || known->second != secret))
            toWrite.emplace(key, secret);
    }
    const std::set<std::string> confirmed = toWrite.empty() ? std::set<std::string>{} : store->Write(toWrite);
    bool marked = false;
    for (const TMove& move : moves) {
        if (clashing.count(move.Key))
            continue;
        if (toWrite.count(move.Key) && !confirmed.count(move.Key))
            continue; // the file keeps it until the keyring holds it
        known_[move.Key] = secrets[move.Key];
        unreadable_.erase(move.Key);
        Mark(doc, move.Element, *move.Field);
        marked = true;
    }
    return marked;
}

void THostSecrets::DropUnreferenced(pugi::xml_node root)
{
    std::set<std::string> now = MarkedKeys(root);
    std::vector<std::string> gone;
    for (const std::string& key : marked_)
        if (!now.count(key))
            gone.push_back(key);
    marked_ = std::move(now);
    if (gone.empty())
        return;
    for (const std::string& key : gone) {
        known_.erase(key);
        unreadable_.erase(key);
    }
    if (const std::shared_ptr<ISecretStore> store = ISecretStore::Instance())
        store->Delete(gone);
}
