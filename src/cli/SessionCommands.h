#pragma once
// The commands of tovrel-ftp-cli that go through the program's browsing
// session (TFTPWorker), so they send what the program sends and fail as it
// fails:
//   rm [-r] URL            delete a file or link; with -r also a folder tree
//   mkdir URL              create a folder
//   mv URL NEWNAME         rename (NEWNAME relative to the folder of URL)
//   chmod MODE URL         "SITE CHMOD MODE name"
//   find URL PATTERN       walk the tree below URL; one JSON line per entry
//                          whose name matches PATTERN ("*", "?", "[a-z]"),
//                          with the folder it is in
//   ls --resolve-links URL list through the session: links shown as the
//                          folders or files they lead to
// A failure the program would show in its error dialog prints the
// program's short text and long text on standard error and answers 1.
// Bad arguments raise std::invalid_argument.

#include "cli/CliOptions.h"

#include <string>

/// True for the words above (and "ls" with --resolve-links).
bool IsSessionCommand(const std::string& command, const TCliOptions& options);
int RunSessionCommand(const std::string& command, const TCliOptions& options);
