#include "hosts/QuickHosts.h"

#include "hosts/HostXML.h"
#include "hosts/PasswordProtection.h"
#include "hosts/XMLLoadException.h"

#include <algorithm>
#include <cstdio>

TQuickHosts::TQuickHosts(const std::string& dataDirectory) : doc_(dataDirectory, FileName, "HostList")
{
    LoadList();
}

TQuickHosts::~TQuickHosts()
{
    if (loadFailed_)
        return;
    try {
        Save();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "Could not save %s: %s\n", doc_.Path().c_str(), e.what());
    }
}

void TQuickHosts::Reload()
{
    doc_.Reload();
    LoadList();
}

void TQuickHosts::LoadList()
{
    items_.clear();
    loadFailed_ = true;
    secrets_.Resolve(doc_.Root(), true);
    for (pugi::xml_node child : TXMLDocument::Elements(doc_.Root())) {
        if (!TXMLDocument::Attribute(child, "CommonName"))
            continue;
        if (const auto id = TXMLDocument::Attribute(child, "HostID"))
            HostXML::ParseGUID(*id); // a bad ID fails with its own conversion error
        try {
            items_.push_back(std::make_unique<THost>(HostXML::ReadHost(child, THostFormat::QuickHosts, &secrets_)));
        } catch (const EConvertError&) {
            throw EXMLLoadException("Could not read: " + HostXML::ElementText(child));
        } catch (const EPasswordDecryptError&) {
            throw EXMLLoadException("Could not read: " + HostXML::ElementText(child));
        }
    }
    loadFailed_ = false;
}

THost* TQuickHosts::FindByHostID(std::string_view hostID) const
{
    for (const auto& host : items_)
        if (host->HostID == hostID)
            return host.get();
    return nullptr;
}

void TQuickHosts::AddOrUpdate(const THost& host)
{
    THost* existing = FindByHostID(host.HostID);
    pugi::xml_node element;
    if (existing)
        element = HostXML::FindHostElement(doc_.Root(), host.HostID, false);
    if (!element)
        element = doc_.AppendElement(doc_.Root(), "Host");
    HostXML::WriteHost(doc_, element, host, THostFormat::QuickHosts, &secrets_);
    if (existing)
        existing->Assign(host);
    else
        items_.push_back(std::make_unique<THost>(host));
    Save();
}

void TQuickHosts::Delete(const THost* entry)
{
    const auto it = std::find_if(items_.begin(), items_.end(), [entry](const auto& h) { return h.get() == entry; });
    if (it == items_.end())
        return;
    if (pugi::xml_node element = HostXML::FindHostElement(doc_.Root(), (*it)->HostID, false))
        doc_.RemoveElement(element);
    items_.erase(it);
    Save();
}

void TQuickHosts::MovePasswordsToKeyring()
{
    if (secrets_.MoveToKeyring(doc_))
        Save();
}

void TQuickHosts::Save()
{
    secrets_.MoveToKeyring(doc_);
    doc_.Save();
    secrets_.DropUnreferenced(doc_.Root());
}
