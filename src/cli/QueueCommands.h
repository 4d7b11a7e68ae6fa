#pragma once
// "tovrel-ftp-cli queue": the program's transfer queue from the command line.
//
//   queue add FILE.xml (--get URL LOCALDIR | --put LOCALPATH URL)... [--site NAME] [--tls]
//   queue run FILE.xml [--max N] [--exists ask|overwrite|resume|skip]
//
// - add appends items to a queue file (creating it when missing). A URL's
//   server is recorded in the quick-connect history, so the file refers to
//   it by host ID (--tls: that server needs explicit TLS); --site NAME uses
//   a stored host instead (the URL is then just the remote path). Elements already in the file are kept as they
//   are, even those this installation cannot read.
// - run loads the file, plays it with the queue manager and its transfer
//   threads, prints one line per finished or failed item and a summary,
//   saves what is left back to the file and answers 1 when an item failed.
//   --exists sets the answer for targets that exist already; "ask" asks on
//   the terminal with the choices and scopes of the program's dialog.
//
// Both use the user's data directory ($XDG_CONFIG_HOME/Tovrel FTP) for the
// settings and the host stores. Bad arguments raise std::invalid_argument.

#include <string>
#include <vector>

/// Runs "queue add" or "queue run"; `args` are the words after "queue".
/// Answers the process exit code.
int RunQueueCommand(const std::vector<std::string>& args);

/// The usage lines of the queue commands.
extern const char* const kQueueUsage;
