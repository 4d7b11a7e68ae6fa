#pragma once
// The program's own error classes: what the user is told when a remote
// operation or a transfer fails.
//
// EFTPTransferException and its descendants carry a short text (a one-line
// headline, also their message) and a long text (the explanation with
// likely causes). Each leaf class names the two string-table constants of
// its texts; its default constructor takes them from the program's copies
// of the active language (ErrorTexts()), so an error keeps the language
// that was active when it happened.
//
// The file-exists family (EFTPFileAlreadyExistsException) also describes
// the two files involved. Sizes are 64-bit byte counts, so files of 2 GiB
// and more compare correctly; the times are display texts.
//
// EFTPDirectException covers errors raised to the caller on the
// user-interface thread. EXMLException and EXMLLoadException (stored
// documents that cannot be turned into objects) live in
// hosts/XMLLoadException.h, since the host loader raises them too.
//
// Objects are plain values: copy, move and throw them freely; nothing is
// shared between copies.

#include "hosts/XMLLoadException.h"
#include "session/TextCopies.h"

#include "ftp/PeerCertificate.h"

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>

/// The program's copies of every error text, refreshed whenever
/// LangManager() loads a language. Thread-safe.
const TTextCopies& ErrorTexts();

class EFTPTransferException : public std::runtime_error {
public:
    EFTPTransferException(std::string shortText, std::string longText);

    /// The short text.
    const char* what() const noexcept override { return short_.c_str(); }
    const std::string& Message() const { return short_; }
    const std::string& ShortDescription() const { return short_; }
    const std::string& LongDescription() const { return long_; }

    /// Takes both texts of `other`.
    virtual void CopyFrom(const EFTPTransferException& other);

private:
    std::string short_;
    std::string long_;
};

#define TOVREL_TRANSFER_ERROR(Name, ShortConstant, LongConstant)                                   \
    class Name : public EFTPTransferException {                                                    \
    public:                                                                                        \
        static constexpr const char* ShortTextName = ShortConstant;                                \
        static constexpr const char* LongTextName = LongConstant;                                  \
        Name() : EFTPTransferException(ErrorTexts().Text(ShortTextName), ErrorTexts().Text(LongTextName)) {} \
        Name(std::string shortText, std::string longText)                                          \
            : EFTPTransferException(std::move(shortText), std::move(longText)) {}                  \
    }

// The remote file has only one text; it serves as both.
TOVREL_TRANSFER_ERROR(EFTRemoteFileNotFound, "MainForm_strRSFTPRemoteFileNotFound",
                      "MainForm_strRSFTPRemoteFileNotFound");
TOVREL_TRANSFER_ERROR(EFTRemoteDirectoryCantChange, "MainForm_strRSFTPRemoteDirectoryCantChange",
                      "MainForm_strRSFTPRemoteDirectoryCantChangeLong");
TOVREL_TRANSFER_ERROR(EFTRemoteCantRename, "MainForm_strRSFTPRemoteCantRename",
                      "MainForm_strRSFTPRemoteCantRenameLong");
TOVREL_TRANSFER_ERROR(EFTRemoteDirectoryCantCreate, "MainForm_strRSFTPRemoteDirectoryCantCreate",
                      "MainForm_strRSFTPRemoteDirectoryCantCreateLong");
TOVREL_TRANSFER_ERROR(EFTRemoteDirectoryCantRead, "MainForm_strRSFTPRemoteDirectoryCantRead",
                      "MainForm_strRSFTPRemoteDirectoryCantReadLong");
// Part of the tree and the string table, though no listing failure raises it
// (an unrecognised listing is an empty directory).
TOVREL_TRANSFER_ERROR(EFTRemoteDirectoryParseFailed, "MainForm_strRSFTRemoteDirectoryParseFailed",
                      "MainForm_strRSFTRemoteDirectoryParseFailedLong");
TOVREL_TRANSFER_ERROR(EFTRemoteSymbolicLinkInRecursiveDelete,
                      "MainForm_strRSFTPRemoteSymbolicLinkInRecursiveDelete",
                      "MainForm_strRSFTPRemoteSymbolicLinkInRecursiveDeleteLong");
TOVREL_TRANSFER_ERROR(EFTRemoteFileCantDelete, "MainForm_strRSFTPRemoteFileCantDelete",
                      "MainForm_strRSFTPRemoteFileCantDeleteLong");
TOVREL_TRANSFER_ERROR(EFTRemoteConnectionClosed, "MainForm_strRSFTPRemoteConnectionClosed",
                      "MainForm_strRSFTPRemoteConnectionClosedLong");
TOVREL_TRANSFER_ERROR(EFTRemoteAuthenticationFailed, "MainForm_strRSFTRemoteAuthenticationFailed",
                      "MainForm_strRSFTRemoteAuthenticationFailedLong");
TOVREL_TRANSFER_ERROR(EFTRemoteTLSNotAvailable, "MainForm_strRSFTRemoteTLSNotSupported",
                      "MainForm_strRSFTRemoteTLSNotSupportedLong");
// A data connection presented another certificate than its control connection.
TOVREL_TRANSFER_ERROR(EFTRemoteDataCertificateMismatch, "MainForm_strRSFTRemoteDataCertificateMismatch",
                      "MainForm_strRSFTRemoteDataCertificateMismatchLong");

#undef TOVREL_TRANSFER_ERROR

/// The server's certificate was not accepted: the connection ended before
/// the login. The long text lists why the system did not vouch for it and
/// its SHA-256 fingerprint.
class EFTRemoteCertificateRefused : public EFTPTransferException {
public:
    static constexpr const char* ShortTextName = "MainForm_strRSFTRemoteCertificateRefused";
    static constexpr const char* LongTextName = "MainForm_strRSFTRemoteCertificateRefusedLong";
    explicit EFTRemoteCertificateRefused(const TIdPeerCertificate& certificate);
};

/// The connection could not be made. The default texts are the general
/// ones ("Connection to remote host refused."); HostNotFound() gives the
/// texts for a name that did not resolve.
class EFTRemoteConnectionFailed : public EFTPTransferException {
public:
    static constexpr const char* ShortTextName = "MainForm_strRSFTRemoteConnectionFailed";
    static constexpr const char* LongTextName = "MainForm_strRSFTRemoteConnectionFailedLong";
    static constexpr const char* HostNotFoundShortTextName = "MainForm_strRSFTRemoteHostNotFound";
    static constexpr const char* HostNotFoundLongTextName = "MainForm_strRSFTRemoteHostNotFoundLong";

    EFTRemoteConnectionFailed();
    EFTRemoteConnectionFailed(std::string shortText, std::string longText)
        : EFTPTransferException(std::move(shortText), std::move(longText)) {}
    static EFTRemoteConnectionFailed HostNotFound();
};

/// A target file exists already. Besides the texts it describes the two
/// files: sizes in bytes, modification times as display texts.
class EFTPFileAlreadyExistsException : public EFTPTransferException {
public:
    EFTPFileAlreadyExistsException(std::string shortText, std::string longText, std::int64_t localSize,
                                   std::int64_t remoteSize, std::string localTime, std::string remoteTime);

    std::int64_t LocalSize() const { return localSize_; }
    std::int64_t RemoteSize() const { return remoteSize_; }
    const std::string& LocalTime() const { return localTime_; }
    const std::string& RemoteTime() const { return remoteTime_; }

    /// Takes all six fields of `other`: both texts and the four file fields.
    void CopyFileExistsFrom(const EFTPFileAlreadyExistsException& other);

private:
    std::int64_t localSize_;
    std::int64_t remoteSize_;
    std::string localTime_;
    std::string remoteTime_;
};

#define TOVREL_FILE_EXISTS_ERROR(Name, ShortConstant, LongConstant)                                \
    class Name : public EFTPFileAlreadyExistsException {                                           \
    public:                                                                                        \
        static constexpr const char* ShortTextName = ShortConstant;                                \
        static constexpr const char* LongTextName = LongConstant;                                  \
        Name(std::int64_t localSize, std::int64_t remoteSize, std::string localTime,              \
             std::string remoteTime)                                                               \
            : EFTPFileAlreadyExistsException(ErrorTexts().Text(ShortTextName),                     \
                                             ErrorTexts().Text(LongTextName), localSize,           \
                                             remoteSize, std::move(localTime),                     \
                                             std::move(remoteTime)) {}                             \
        Name(std::string shortText, std::string longText, std::int64_t localSize,                  \
             std::int64_t remoteSize, std::string localTime, std::string remoteTime)               \
            : EFTPFileAlreadyExistsException(std::move(shortText), std::move(longText),           \
                                             localSize, remoteSize, std::move(localTime),          \
                                             std::move(remoteTime)) {}                             \
    }

TOVREL_FILE_EXISTS_ERROR(EFTRemoteFileAlreadyExists, "MainForm_strRSFTPRemoteFileAlreadyExists",
                         "MainForm_strRSFTPRemoteFileAlreadyExistsLong");
TOVREL_FILE_EXISTS_ERROR(EFTRemoteFileSmallerAlreadyExists, "MainForm_strRSFTPRemoteFileSmallerAlreadyExists",
                         "MainForm_strRSFTPRemoteFileSmallerAlreadyExistsLong");
TOVREL_FILE_EXISTS_ERROR(EFTLocalFileAlreadyExists, "MainForm_strRSFTPLocalFileAlreadyExists",
                         "MainForm_strRSFTPLocalFileAlreadyExistsLong");
TOVREL_FILE_EXISTS_ERROR(EFTLocalFileSmallerAlreadyExists, "MainForm_strRSFTPLocalFileSmallerAlreadyExists",
                         "MainForm_strRSFTPLocalFileSmallerAlreadyExistsLong");

#undef TOVREL_FILE_EXISTS_ERROR

/// Errors raised on the user-interface thread to the caller, not through
/// the worker's pending-error slot. Message only.
class EFTPDirectException : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

/// A connect on the user-interface thread could not even be started. Its
/// message is the general "Connection to remote host refused." text.
class EFDRemoteConnectionFailed : public EFTPDirectException {
public:
    EFDRemoteConnectionFailed();
    using EFTPDirectException::EFTPDirectException;
};

/// The copy a queue item keeps of a failed attempt's error, once the raised
/// object is gone: a file-exists error becomes a new object of the same
/// class with all six fields; any other EFTPTransferException a new
/// EFTPTransferException (the base class) with both texts; anything else a
/// plain std::runtime_error with the same message.
std::unique_ptr<std::exception> CopyErrorForQueue(const std::exception& error);
