#pragma once
// --site NAME: a stored host ("Hosts.xml", then "QuickHosts.xml" of the
// user's data directory), found by its name, as a connection address.

#include "cli/CliOptions.h"
#include "hosts/Host.h"

#include <string>

/// The host named `name` (case-insensitive; a host ID also matches) with
/// its restored password (from the desktop's keyring when it is kept there)
/// and all its stored settings (passive mode, TLS, proxy). Raises
/// std::runtime_error when there is none, or when its password is in a
/// keyring that cannot give it back. The keyring is only read.
THost SiteHost(const std::string& name);

/// SiteHost() as an address (anonymous hosts without user and password).
TCliUrl SiteUrl(const std::string& name);
