#pragma once
// Sites kept by other FTP programs, read into a host tree: a site manager
// file (XML: a "Servers" element holding "Server" sites and "Folder"
// groups, to any depth) or a plain list of ftp:// addresses, one a line
// (blank lines and lines starting with "#" are passed over).
//
// Contract:
// - The input is untrusted: it is read whole or refused whole. Any damage
//   (not XML, a site without a host, a port or protocol that is no number,
//   a line that is no address) raises ESiteImportError with a localised
//   message naming what is wrong, and nothing is returned.
// - Every imported host is a new record with a new host ID, so nothing
//   existing can be matched or overwritten.
// - Sites of protocols this program does not speak (SFTP, implicit FTP
//   over TLS, HTTP, cloud storage...) are counted in Skipped, not imported.
//   "FTP, TLS if the server offers it" becomes a host that requires TLS:
//   the password is never sent in the clear to a server that could have
//   protected it.
// - Passwords are taken as plain text or base64; one protected by the
//   other program's master password cannot be read and is counted in
//   PasswordsLeftOut (the site is imported without it).
// - Pure, any thread (texts come from the string table).

#include "hosts/HostTreeNode.h"

#include <stdexcept>
#include <string>
#include <string_view>

class ESiteImportError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct TSiteImport {
    /// The sites below a root node without a caption: folders as group
    /// nodes, sites as host nodes, in the file's order.
    THostTreeNode Tree;
    int Imported = 0;
    int Skipped = 0;
    int PasswordsLeftOut = 0;

    /// Reads either kind of file from its bytes.
    static TSiteImport FromText(std::string_view text);
    /// Reads the file at `path` (at most MaxFileSize bytes).
    static TSiteImport FromFile(const std::string& path);

    static constexpr long long MaxFileSize = 32LL << 20;
};
