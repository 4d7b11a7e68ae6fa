#pragma once
// How an error reads to the user: the worker error dialog's two texts and
// the log line of an exception nobody caught on the user-interface thread.
// Stateless and thread-safe.

#include <exception>
#include <string>

struct TErrorDialogTexts {
    std::string Headline;    // the error's message (a transfer error's short text)
    std::string Explanation; // a transfer error's long text; empty for any other class
};

TErrorDialogTexts ErrorDialogTexts(const std::exception& error);

/// "TransferException: %s" for the program's transfer errors,
/// "DirectException: %s" for its direct errors, otherwise
/// "Other exception: %s/%s" with the class name and the message.
std::string UnhandledExceptionLogLine(const std::exception& error);

/// The readable class name of the object's dynamic type ("std::bad_alloc").
std::string ExceptionClassName(const std::exception& error);
