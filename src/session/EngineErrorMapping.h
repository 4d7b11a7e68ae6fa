#pragma once
// Which of the program's errors an engine failure becomes, per remote
// operation of the browsing session and the transfer thread.
//
// The session and the transfer thread catch what the engine raised, ask
// MapEngineError() what to do, and act on the answer: disconnect first
// when asked, then show (store in the pending-error slot, or raise from the
// transfer thread) the given error, or close silently, ignore the failure,
// or let it pass on to their caller.
//
// Engine failures are the engine's EId... classes (ftp/IdExceptions.h,
// ftp/SocksErrors.h) and its TLS transport's EIdOpenSSLError family
// (ftp/SSLExceptions.h). Stateless and thread-safe; the texts come from
// ErrorTexts() at the moment of the call.

#include "session/TransferExceptions.h"

#include <exception>
#include <memory>

enum class TRemoteOperation {
    roConnect,         // worker: open the control connection, read the greeting
    roLogin,           // worker: AUTH, USER/PASS and follow-ups, "PWD"
    roList,            // worker: "LIST" and resolving symbolic links
    roChangeDir,       // "CWD" (then "PWD")
    roChangeDirUp,     // "CDUP" (then "PWD")
    roMakeDir,         // "MKD"
    roRename,          // "RNFR"/"RNTO"
    roDeleteFile,      // "DELE"
    roRecursiveDelete, // the recursive delete of directories
    roTransferConnect, // transfer thread: open the control connection
    roTransferLogin,   // transfer thread: log in
};

enum class TErrorAction {
    eaShow,          // report Error to the user
    eaCloseSilently, // the server ended the session: disconnect, show nothing
    eaIgnore,        // drop the failure and carry on
    eaPassOn,        // not ours to report: rethrow to the caller
};

struct TEngineErrorOutcome {
    TErrorAction Action = TErrorAction::eaPassOn;
    /// Close the connection before reporting (socket errors, failed login,
    /// a closing reply).
    bool Disconnect = false;
    /// Set exactly when Action is eaShow.
    std::unique_ptr<EFTPTransferException> Error;
};

/// What `failure`, raised during `operation`, becomes.
TEngineErrorOutcome MapEngineError(TRemoteOperation operation, const std::exception& failure);

/// The socket-error report: 10053 and 10054 (the peer aborted or reset the
/// connection) -> EFTRemoteConnectionClosed; 11001 (host not found) ->
/// EFTRemoteConnectionFailed with the host-not-found texts; any other code
/// -> EFTRemoteConnectionFailed with the general texts.
std::unique_ptr<EFTPTransferException> SocketErrorReport(int socketErrorCode);

/// False when `failure` may have left a server reply unread on the control
/// connection: a socket error, a timeout or a local failure in the middle
/// of an exchange (a transfer's final reply is never read after its data
/// connection broke). The next command would take that reply for its own,
/// so the connection must be dropped. A reply error, a command the engine
/// refused to send and the program's own errors leave it in step.
bool LeavesDialogueInStep(const std::exception& failure);

/// True for the engine's own failures (EId... classes and the TLS
/// transport's), as opposed to program or library errors.
bool IsEngineError(const std::exception& failure);
