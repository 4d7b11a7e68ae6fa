#pragma once
// The commands of tovrel-ftp-cli that drive the FTP engine directly, one
// connection per run:
//   ls [--raw|--json] URL            "LIST -al" of a folder, links as listed
//   get URL LOCAL [URL LOCAL]...     downloads ("-" = standard output)
//   put LOCAL URL                    an upload (a URL ending in "/" keeps the name)
//   quote URL COMMAND...             one command; its reply on standard output
// Each returns the exit code; bad arguments raise std::invalid_argument,
// engine failures their EId... exceptions.

#include "cli/CliOptions.h"

int RunEngineLs(const TCliOptions& options);
int RunGet(const TCliOptions& options);
int RunPut(const TCliOptions& options);
int RunQuote(const TCliOptions& options);
