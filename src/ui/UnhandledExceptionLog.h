#pragma once
// The program's last resort for exceptions nobody caught on the
// user-interface thread: nothing is shown, one status line is logged.
//   EFTPTransferException and descendants: "TransferException: <message>"
//   EFTPDirectException and descendants:   "DirectException: <message>"
//   anything else:                         "Other exception: <class>/<message>"
//
// TUnhandledExceptionLog holds where the line goes; Detach() at the start
// of shutdown makes later exceptions vanish silently. Thread-safe.

#include <exception>
#include <functional>
#include <mutex>
#include <string>

class TUnhandledExceptionLog {
public:
    /// The log line for `error` (which must not be null).
    static std::string LineFor(std::exception_ptr error);

    /// `writeStatus` receives the line (the log's status kind).
    void Attach(std::function<void(const std::string&)> writeStatus);
    void Detach();
    /// Logs `error` while attached; answers whether it was logged.
    bool Handle(std::exception_ptr error);

private:
    std::mutex mutex_;
    std::function<void(const std::string&)> write_;
};
