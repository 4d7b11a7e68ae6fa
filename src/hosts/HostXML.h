#pragma once
// Reading and writing THost records as "Host" elements, shared by the host
// tree ("Hosts.xml") and the quick-connect history ("QuickHosts.xml").
// Internal to the hosts layer.
//
// ReadHost raises EConvertError (an absent attribute, a Boolean or number
// that does not convert, a host ID that is not a GUID) or
// EPasswordDecryptError; callers wrap these in their own load error.

#include "hosts/Host.h"
#include "hosts/HostSecrets.h"
#include "store/XMLDocument.h"

#include <pugixml.hpp>

#include <string>
#include <string_view>

enum class THostFormat {
    HostTree,  // every attribute, dial-up included, and a "Bookmarks" child
    QuickHosts // no dial-up attributes, no bookmarks
};

namespace HostXML {

/// An absent attribute that had to be read.
class EMissingAttribute : public EConvertError {
public:
    using EConvertError::EConvertError;
};

/// The braced GUID text in upper case; either letter case is accepted.
/// Raises EConvertError for anything else.
std::string ParseGUID(std::string_view text);

/// A password kept in the keyring comes from `secrets` (empty while it is
/// unreadable); without `secrets` such a host is read as one without a
/// password attribute.
THost ReadHost(pugi::xml_node element, THostFormat format, const THostSecrets* secrets = nullptr);

/// Replaces all attributes of `element` with the host's, in the stored
/// order; for the host tree also rewrites its "Bookmarks" child. An empty
/// password whose keyring entry `secrets` could not read keeps its mark.
void WriteHost(TXMLDocument& doc, pugi::xml_node element, const THost& host, THostFormat format,
               const THostSecrets* secrets = nullptr);

/// The first element below `parent` (its children only, or the whole
/// subtree depth first) whose "HostID" names `hostID`, letter case ignored.
pugi::xml_node FindHostElement(pugi::xml_node parent, std::string_view hostID, bool deep);

/// The element as XML text, for error messages.
std::string ElementText(pugi::xml_node element);

} // namespace HostXML
