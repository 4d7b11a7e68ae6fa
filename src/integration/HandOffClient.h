#pragma once
// The starting program's end of the hand-off: the command line that asks
// for a hand-off, and the delivery of its message to a running instance.
//
//   tovrel-ftp ftp://host/path/          the browser's link
//   tovrel-ftp --upload INDEX FILE...    files for the host at INDEX
//
// Contract: ParseHandOffArguments() raises EHandOffMessageError for a
// malformed request (a bad index, no files, a name with a line break, a
// message that does not fit) and answers nullopt when the arguments ask for
// no hand-off. Relative file names are made absolute against `workingFolder`.
// SendHandOff() blocks up to `timeoutMs`; any thread.

#include "integration/HandOffMessage.h"

#include <optional>
#include <string>
#include <vector>

std::optional<THandOffMessage> ParseHandOffArguments(const std::vector<std::string>& arguments,
                                                     const std::string& workingFolder);

enum class THandOffDelivery {
    Accepted,   // the running instance took it
    Refused,    // it answered, but refused the message
    NoInstance, // nobody listens: start the program and act after start-up
};

THandOffDelivery SendHandOff(const std::string& socketName, const THandOffMessage& message, int timeoutMs = 5000);
