#pragma once
// Remote file operations built on the browsing worker that need no
// connection of their own: the free name for a new directory. (The
// recursive delete and walk run on the worker, see FTPWorker.h.)

#include <string>
#include <vector>

/// "New folder", else "New folder (1)", "(2)", ... (the active language's
/// texts): the first candidate that none of `captions` equals, compared
/// without regard to letter case.
std::string NewFolderName(const std::vector<std::string>& captions);

/// `parent` and `name` joined with "/" (no doubled separator after "/").
std::string JoinRemotePath(const std::string& parent, const std::string& name);
