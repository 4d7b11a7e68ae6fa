#include "session/EngineErrorMapping.h"

#include "ftp/IdExceptions.h"
#include "ftp/SSLExceptions.h"

namespace {

constexpr int kConnectionAborted = 10053;
constexpr int kConnectionReset = 10054;
constexpr int kHostNotFound = 11001;

TEngineErrorOutcome Show(std::unique_ptr<EFTPTransferException> error, bool disconnect = false)
{
    TEngineErrorOutcome outcome;
    outcome.Action = TErrorAction::eaShow;
    outcome.Disconnect = disconnect;
    outcome.Error = std::move(error);
    return outcome;
}

TEngineErrorOutcome Plain(TErrorAction action, bool disconnect = false)
{
    TEngineErrorOutcome outcome;
    outcome.Action = action;
    outcome.Disconnect = disconnect;
    return outcome;
}

const EIdSocketError* AsSocketError(const std::exception& failure)
{
    return dynamic_cast<const EIdSocketError*>(&failure);
}

const EIdReplyRFCError* AsReplyError(const std::exception& failure)
{
    return dynamic_cast<const EIdReplyRFCError*>(&failure);
}

// Engine failures that are not reported are ignored; anything else (a
// program error, a date conversion out of a listing, ...) passes on.
TEngineErrorOutcome IgnoreEngineErrors(const std::exception& failure)
{
    return Plain(IsEngineError(failure) ? TErrorAction::eaIgnore : TErrorAction::eaPassOn);
}

TEngineErrorOutcome MapLogin(const std::exception& failure)
{
    // A refused "AUTH" and a TLS handshake that fails are both "TLS not
    // available": telling the user the password was wrong would mislead.
    if (dynamic_cast<const EIdTLSClientTLSNotAvailable*>(&failure)
        || dynamic_cast<const EIdTLSClientTLSHandShakeFailed*>(&failure)
        || dynamic_cast<const EIdOpenSSLError*>(&failure))
        return Show(std::make_unique<EFTRemoteTLSNotAvailable>(), true);
    if (dynamic_cast<const EIdException*>(&failure))
        return Show(std::make_unique<EFTRemoteAuthenticationFailed>(), true);
    return Plain(TErrorAction::eaPassOn);
}

TEngineErrorOutcome MapChangeDir(const std::exception& failure)
{
    if (const auto* reply = AsReplyError(failure)) {
        // 221, 421 and 426: the server is closing the control connection.
        const int code = reply->ReplyCode();
        if (code == 221 || code == 421 || code == 426)
            return Plain(TErrorAction::eaCloseSilently, true);
        return Show(std::make_unique<EFTRemoteDirectoryCantChange>());
    }
    return IgnoreEngineErrors(failure);
}

TEngineErrorOutcome MapDeleteFile(const std::exception& failure)
{
    if (const auto* reply = AsReplyError(failure)) {
        if (reply->ReplyCode() == 550)
            return Show(std::make_unique<EFTRemoteFileNotFound>());
        return Show(std::make_unique<EFTRemoteFileCantDelete>());
    }
    return Plain(TErrorAction::eaPassOn);
}

TEngineErrorOutcome MapRecursiveDelete(const std::exception& failure)
{
    if (dynamic_cast<const EFTRemoteSymbolicLinkInRecursiveDelete*>(&failure))
        return Show(std::make_unique<EFTRemoteSymbolicLinkInRecursiveDelete>());
    return Show(std::make_unique<EFTRemoteFileCantDelete>());
}

TEngineErrorOutcome MapTransferConnect(const std::exception& failure)
{
    if (const auto* socket = AsSocketError(failure)) {
        if (socket->SocketErrorCode() == kHostNotFound)
            return Show(std::make_unique<EFTRemoteConnectionFailed>(EFTRemoteConnectionFailed::HostNotFound()));
        return Show(std::make_unique<EFTRemoteConnectionFailed>());
    }
    // The login that follows fails on whatever else went wrong.
    return Plain(TErrorAction::eaIgnore);
}

bool ReportsSocketErrors(TRemoteOperation operation)
{
    switch (operation) {
    case TRemoteOperation::roConnect:
    case TRemoteOperation::roList:
    case TRemoteOperation::roChangeDir:
    case TRemoteOperation::roChangeDirUp:
    case TRemoteOperation::roDeleteFile:
        return true;
    default:
        return false;
    }
}

} // namespace

bool IsEngineError(const std::exception& failure)
{
    return dynamic_cast<const EIdException*>(&failure) != nullptr
           || dynamic_cast<const EIdOpenSSLError*>(&failure) != nullptr;
}

bool LeavesDialogueInStep(const std::exception& failure)
{
    return dynamic_cast<const EIdReplyRFCError*>(&failure) != nullptr
           || dynamic_cast<const EIdFTPLineBreakInCommand*>(&failure) != nullptr
           || dynamic_cast<const EFTPTransferException*>(&failure) != nullptr;
}

std::unique_ptr<EFTPTransferException> SocketErrorReport(int socketErrorCode)
{
    if (socketErrorCode == kConnectionAborted || socketErrorCode == kConnectionReset)
        return std::make_unique<EFTRemoteConnectionClosed>();
    if (socketErrorCode == kHostNotFound)
        return std::make_unique<EFTRemoteConnectionFailed>(EFTRemoteConnectionFailed::HostNotFound());
    return std::make_unique<EFTRemoteConnectionFailed>();
}

TEngineErrorOutcome MapEngineError(TRemoteOperation operation, const std::exception& failure)
{
    // A refused certificate ends the connection at any step that opens one
    // (the login for explicit TLS, the connect for implicit TLS); saying the
    // password was wrong, or TLS missing, would mislead.
    // Another certificate on a data connection: someone may sit in the data
    // path. Never passed over as an empty listing.
    if (dynamic_cast<const EIdOSSLCertificateMismatch*>(&failure))
        return Show(std::make_unique<EFTRemoteDataCertificateMismatch>(), true);
    if (const auto* refused = dynamic_cast<const EIdOSSLCertificateRefused*>(&failure))
        return Show(std::make_unique<EFTRemoteCertificateRefused>(refused->Certificate()), true);
    if (ReportsSocketErrors(operation))
        if (const auto* socket = AsSocketError(failure))
            return Show(SocketErrorReport(socket->SocketErrorCode()), true);

    switch (operation) {
    case TRemoteOperation::roConnect:
        return Plain(TErrorAction::eaPassOn);
    case TRemoteOperation::roLogin:
        return MapLogin(failure);
    case TRemoteOperation::roList:
        if (AsReplyError(failure))
            return Show(std::make_unique<EFTRemoteDirectoryCantRead>());
        return IgnoreEngineErrors(failure);
    case TRemoteOperation::roChangeDir:
        return MapChangeDir(failure);
    case TRemoteOperation::roChangeDirUp:
        if (dynamic_cast<const EIdReplyError*>(&failure))
            return Show(std::make_unique<EFTRemoteDirectoryCantChange>());
        return IgnoreEngineErrors(failure);
    case TRemoteOperation::roMakeDir:
        if (AsReplyError(failure))
            return Show(std::make_unique<EFTRemoteDirectoryCantCreate>());
        return Plain(TErrorAction::eaPassOn);
    case TRemoteOperation::roRename:
        if (AsReplyError(failure))
            return Show(std::make_unique<EFTRemoteCantRename>());
        return Plain(TErrorAction::eaPassOn);
    case TRemoteOperation::roDeleteFile:
        return MapDeleteFile(failure);
    case TRemoteOperation::roRecursiveDelete:
        return MapRecursiveDelete(failure);
    case TRemoteOperation::roTransferConnect:
        return MapTransferConnect(failure);
    case TRemoteOperation::roTransferLogin:
        // Unlike the browsing session, the transfer thread does not tell a
        // refused TLS negotiation apart. The half-open connection is closed:
        // a connected engine is reused without a new login, so keeping it
        // would run the next item on a connection that never logged in.
        return Show(std::make_unique<EFTRemoteAuthenticationFailed>(), true);
    }
    return Plain(TErrorAction::eaPassOn);
}
