#include "hosts/Hosts.h"

#include "hosts/HostXML.h"
#include "hosts/PasswordProtection.h"
#include "hosts/XMLLoadException.h"
#include "i18n/LanguageManager.h"

#include <mutex>

namespace {

constexpr const char* RootName = "HostList";

// Public servers that allow anonymous FTP logins.
constexpr const char* SampleHostnames[] = {"ftp.gnu.org", "ftp.funet.fi", "ftp.fau.de"};

bool IsNamed(pugi::xml_node element, std::string_view name) { return name == element.name(); }

} // namespace

THosts::THosts(const std::string& dataDirectory)
    : doc_(dataDirectory, FileName, RootName), registry_(dataDirectory)
{
    LoadList(true);
}

THosts::~THosts() = default;

void THosts::Reload()
{
    doc_.Reload();
    LoadList(true);
}

void THosts::LoadList(bool fromFile)
{
    secrets_.Resolve(doc_.Root(), fromFile);
    items_.clear();
    LoadElement(doc_.Root(), nullptr, &items_);
}

void THosts::LoadElement(pugi::xml_node element, THostTreeNode* node,
                         std::vector<std::unique_ptr<THost>>* list) const
{
    for (pugi::xml_node child : TXMLDocument::Elements(element)) {
        const auto commonName = TXMLDocument::Attribute(child, "CommonName");
        if (!commonName)
            continue;
        if (IsNamed(child, "Group")) {
            LoadElement(child, node ? &node->AddGroup(*commonName) : nullptr, list);
        } else if (IsNamed(child, "Host")) {
            THost host;
            try {
                host = HostXML::ReadHost(child, THostFormat::HostTree, &secrets_);
            } catch (const std::exception& e) {
                throw EXMLLoadException("Can't load node with commonname: " + *commonName +
                                        "\r\nReason: " + e.what());
            }
            if (list)
                list->push_back(std::make_unique<THost>(host));
            if (node)
                node->AddHost(host);
        }
    }
}

THost* THosts::FindByHostID(std::string_view hostID) const
{
    for (const auto& host : items_)
        if (host->HostID == hostID)
            return host.get();
    return nullptr;
}

void THosts::FillTree(THostTreeNode& tree) const
{
    tree.Children.clear();
    THostTreeNode& root = tree.AddGroup(LoadStr("MainForm_strHosts"));
    LoadElement(doc_.Root(), &root, nullptr);
}

void THosts::WriteTreeNode(const THostTreeNode& node, pugi::xml_node element)
{
    for (const auto& child : node.Children) {
        if (child->IsHost()) {
            pugi::xml_node e = doc_.AppendElement(element, "Host");
            HostXML::WriteHost(doc_, e, *child->Host, THostFormat::HostTree, &secrets_);
        } else {
            pugi::xml_node e = doc_.AppendElement(element, "Group");
            doc_.SetAttribute(e, "CommonName", child->Caption);
            WriteTreeNode(*child, e);
        }
    }
}

void THosts::ReplaceFromTree(const THostTreeNode& tree)
{
    doc_.RemoveAllChildren(doc_.Root());
    if (!tree.Children.empty())
        WriteTreeNode(*tree.Children.front(), doc_.Root());
    LoadList(false);
}

void THosts::AddOrUpdate(const THost& host)
{
    THost* existing = FindByHostID(host.HostID);
    pugi::xml_node element;
    if (existing)
        element = HostXML::FindHostElement(doc_.Root(), host.HostID, true);
    if (!element)
        element = doc_.AppendElement(doc_.Root(), "Host");
    HostXML::WriteHost(doc_, element, host, THostFormat::HostTree, &secrets_);
    if (existing)
        existing->Assign(host);
    else
        items_.push_back(std::make_unique<THost>(host));
    Save();
}

void THosts::AddDefaultHosts()
{
    for (const char* hostname : SampleHostnames) {
        THost host;
        host.Hostname = hostname;
        host.CommonName = hostname;
        host.IsAnonymous = true;
        AddOrUpdate(host);
    }
}

namespace {
std::mutex SavedHookLock;
THosts::TSavedHook SavedHookSlot;
} // namespace

void THosts::MovePasswordsToKeyring()
{
    if (secrets_.MoveToKeyring(doc_))
        Save();
}

void THosts::Save()
{
    secrets_.MoveToKeyring(doc_);
    registry_.Transaction([this](TRegistry& registry) {
        registry.DeleteKey(RegistryKey);
        registry.CreateKey(RegistryKey);
        for (const auto& host : items_)
            registry.WriteString(std::string(RegistryKey) + "\\" + host->HostID, "", host->CommonName);
    });
    doc_.Save();
    secrets_.DropUnreferenced(doc_.Root());
    TSavedHook hook;
    {
        std::lock_guard guard(SavedHookLock);
        hook = SavedHookSlot;
    }
    if (hook)
        hook(*this, registry_);
}

void THosts::SetSavedHook(TSavedHook hook)
{
    std::lock_guard guard(SavedHookLock);
    SavedHookSlot = std::move(hook);
}
