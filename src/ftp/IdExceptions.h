#pragma once
// The engine's exceptions. Everything the engine raises about connections,
// replies, login and data transfers descends from EIdException and carries
// the fixed message of its case. (The SOCKS client's classes live in
// SocksErrors.h, the one-time-password one in OTP.h.)

#include <stdexcept>
#include <string>

class EIdException : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

/// Failures that are part of normal operation (the peer closed).
class EIdSilentException : public EIdException {
public:
    using EIdException::EIdException;
};

class EIdConnClosedGracefully : public EIdSilentException {
public:
    EIdConnClosedGracefully() : EIdSilentException("Connection Closed Gracefully.") {}
};

/// A failing socket call. SocketErrorCode holds the Winsock-style number
/// (10061 refused, 10054 reset, 11001 host not found, ...).
class EIdSocketError : public EIdException {
public:
    explicit EIdSocketError(int code);
    int SocketErrorCode() const { return code_; }

private:
    int code_;
};

class EIdReplyError : public EIdException {
public:
    using EIdException::EIdException;
};

/// A reply whose code was not among the accepted ones. The message is the
/// reply's text lines, each followed by CR LF.
class EIdReplyRFCError : public EIdReplyError {
public:
    EIdReplyRFCError(int replyCode, const std::string& text) : EIdReplyError(text), code_(replyCode) {}
    int ReplyCode() const { return code_; }

private:
    int code_;
};

#define TOVREL_ID_ERROR(Name, Base, Text)              \
    class Name : public Base {                         \
    public:                                            \
        Name() : Base(Text) {}                         \
    }

TOVREL_ID_ERROR(EIdReadTimeout, EIdException, "Read Timeout");
TOVREL_ID_ERROR(EIdConnectTimeout, EIdException, "Connect timed out.");
TOVREL_ID_ERROR(EIdReadLnMaxLineLengthExceeded, EIdException, "Max line length exceeded.");
TOVREL_ID_ERROR(EIdAlreadyConnected, EIdException, "Already connected.");
TOVREL_ID_ERROR(EIdNotConnected, EIdException, "Not connected.");
TOVREL_ID_ERROR(EIdClosedSocket, EIdException, "Disconnected.");
TOVREL_ID_ERROR(EIdFTPWrongIOHandler, EIdException, "IOHandler is of wrong type.");
TOVREL_ID_ERROR(EIdTLSClientCanNotSetWhileConnected, EIdException,
                "This value can not be set while the client is connected.");
TOVREL_ID_ERROR(EIdTLSClientSSLIOHandlerRequred, EIdException, "SSL IOHandler is required for this setting");
TOVREL_ID_ERROR(EIdFTPNoAUTHWOSSL, EIdException, "Can not set AUTH without SSL.");
TOVREL_ID_ERROR(EIdFTPCanNotSetAUTHCon, EIdException, "Can not set AUTH while connected.");
TOVREL_ID_ERROR(EIdFTPNoDataPortProtectionWOEncryption, EIdException,
                "Can not set DataPortProtection with unencrypted connections.");
TOVREL_ID_ERROR(EIdFTPNoDataPortProtectionAfterCCC, EIdException,
                "Can not set DataPortProtection after CCC issued.");
TOVREL_ID_ERROR(EIdFTPNoCCCWOEncryption, EIdException, "Can not set CCC without encyption.");
TOVREL_ID_ERROR(EIdFTPOnCustomFTPProxyRequired, EIdException, "OnCustomFTPProxy required but not assigned");
TOVREL_ID_ERROR(EIdFTPFileAlreadyExists, EIdException, "Destination file already exists.");
TOVREL_ID_ERROR(EIdFTPUploadFileNameCanNotBeEmpty, EIdException, "The destination filename can not be empty");
/// A command whose text holds CR or LF would reach the server as two
/// commands (a file name "a\r\nDELE b" deletes b); it is never sent.
TOVREL_ID_ERROR(EIdFTPLineBreakInCommand, EIdException,
                "A name or command that contains a line break cannot be sent to the server.");
TOVREL_ID_ERROR(EIdCouldNotBindSocket, EIdException, "Could not bind socket. Address and port are already in use.");
TOVREL_ID_ERROR(EIdFTPPassiveMustBeTrueWithNATFT, EIdException, "Can not use active transfers with NAT fastracking.");
TOVREL_ID_ERROR(EIdFTPMustUseExtWithIPv6, EIdException, "UseExtensionDataPort must be true for IPv6 connections.");
TOVREL_ID_ERROR(EIdFTPMustUseExtWithNATFastTrack, EIdException,
                "UseExtensionDataPort must be true for NAT fasttracking.");

#undef TOVREL_ID_ERROR

/// The connect failed without a socket error code; the message says why.
class EIdConnectException : public EIdException {
public:
    using EIdException::EIdException;
};

/// TLS could not be started ("SSL is not available on this server." or
/// "Start SSL negotiation command failed.").
class EIdTLSClientTLSNotAvailable : public EIdException {
public:
    using EIdException::EIdException;
};

class EIdTLSClientTLSHandShakeFailed : public EIdException {
public:
    EIdTLSClientTLSHandShakeFailed() : EIdException("SSL is not available on this server.") {}
};

class EIdFTPServerSentInvalidPort : public EIdException {
public:
    explicit EIdFTPServerSentInvalidPort(const std::string& port)
        : EIdException("Server sent invalid port number (" + port + ")") {}
};

class EIdCanNotBindPortInRange : public EIdException {
public:
    EIdCanNotBindPortInRange(int low, int high)
        : EIdException("Can not bind in port range (" + std::to_string(low) + " - " + std::to_string(high) + ")") {}
};

/// A malformed number in a reply (PASV address fields, ...).
class EIdConvertError : public EIdException {
public:
    explicit EIdConvertError(const std::string& text)
        : EIdException("'" + text + "' is not a valid integer value") {}
};

/// Socket-error text for a Winsock-style code; empty for codes without one.
std::string IdSocketErrorText(int code);
/// The Winsock-style code for a POSIX errno value (unknown values map to
/// themselves, which have no text).
int IdSocketErrorFromErrno(int err);
