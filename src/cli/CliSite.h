#pragma once
// --site NAME: a stored host ("Hosts.xml", then "QuickHosts.xml" of the
// user's data directory), found by its name, as a connection address.

#include "cli/CliOptions.h"

#include <string>

/// The host named `name` (case-insensitive; a host ID also matches) with
/// its restored password. Raises std::runtime_error when there is none.
TCliUrl SiteUrl(const std::string& name);
