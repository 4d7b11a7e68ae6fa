#include "session/TransferExceptions.h"

#include "i18n/Format.h"
#include "session/CertificateTrust.h"

#include <ctime>

const TTextCopies& ErrorTexts()
{
    static TTextCopies texts(
        {
            EFTRemoteFileNotFound::ShortTextName,
            EFTRemoteDirectoryCantChange::ShortTextName,
            EFTRemoteDirectoryCantChange::LongTextName,
            EFTRemoteCantRename::ShortTextName,
            EFTRemoteCantRename::LongTextName,
            EFTRemoteDirectoryCantCreate::ShortTextName,
            EFTRemoteDirectoryCantCreate::LongTextName,
            EFTRemoteDirectoryCantRead::ShortTextName,
            EFTRemoteDirectoryCantRead::LongTextName,
            EFTRemoteDirectoryParseFailed::ShortTextName,
            EFTRemoteDirectoryParseFailed::LongTextName,
            EFTRemoteSymbolicLinkInRecursiveDelete::ShortTextName,
            EFTRemoteSymbolicLinkInRecursiveDelete::LongTextName,
            EFTRemoteFileCantDelete::ShortTextName,
            EFTRemoteFileCantDelete::LongTextName,
            EFTRemoteConnectionClosed::ShortTextName,
            EFTRemoteConnectionClosed::LongTextName,
            EFTRemoteAuthenticationFailed::ShortTextName,
            EFTRemoteAuthenticationFailed::LongTextName,
            EFTRemoteTLSNotAvailable::ShortTextName,
            EFTRemoteTLSNotAvailable::LongTextName,
            EFTRemoteCertificateRefused::ShortTextName,
            EFTRemoteCertificateRefused::LongTextName,
            EFTRemoteDataCertificateMismatch::ShortTextName,
            EFTRemoteDataCertificateMismatch::LongTextName,
            EFTRemoteConnectionFailed::ShortTextName,
            EFTRemoteConnectionFailed::LongTextName,
            EFTRemoteConnectionFailed::HostNotFoundShortTextName,
            EFTRemoteConnectionFailed::HostNotFoundLongTextName,
            EFTRemoteFileAlreadyExists::ShortTextName,
            EFTRemoteFileAlreadyExists::LongTextName,
            EFTRemoteFileSmallerAlreadyExists::ShortTextName,
            EFTRemoteFileSmallerAlreadyExists::LongTextName,
            EFTLocalFileAlreadyExists::ShortTextName,
            EFTLocalFileAlreadyExists::LongTextName,
            EFTLocalFileSmallerAlreadyExists::ShortTextName,
            EFTLocalFileSmallerAlreadyExists::LongTextName,
        },
        LangManager());
    return texts;
}

EFTPTransferException::EFTPTransferException(std::string shortText, std::string longText)
    : std::runtime_error(shortText), short_(std::move(shortText)), long_(std::move(longText))
{
}

void EFTPTransferException::CopyFrom(const EFTPTransferException& other)
{
    short_ = other.short_;
    long_ = other.long_;
}

EFTRemoteConnectionFailed::EFTRemoteConnectionFailed()
    : EFTPTransferException(ErrorTexts().Text(ShortTextName), ErrorTexts().Text(LongTextName))
{
}

namespace {

std::string RefusalDetails(const TIdPeerCertificate& certificate)
{
    std::string reasons;
    for (const std::string& problem : CertificateProblems(certificate, std::time(nullptr)))
        reasons += "- " + problem + "\r\n";
    return Format(ErrorTexts().Text(EFTRemoteCertificateRefused::LongTextName), reasons,
                  certificate.FingerprintSHA256);
}

} // namespace

EFTRemoteCertificateRefused::EFTRemoteCertificateRefused(const TIdPeerCertificate& certificate)
    : EFTPTransferException(ErrorTexts().Text(ShortTextName), RefusalDetails(certificate))
{
}

EFTRemoteConnectionFailed EFTRemoteConnectionFailed::HostNotFound()
{
    return EFTRemoteConnectionFailed(ErrorTexts().Text(HostNotFoundShortTextName),
                                     ErrorTexts().Text(HostNotFoundLongTextName));
}

EFTPFileAlreadyExistsException::EFTPFileAlreadyExistsException(std::string shortText, std::string longText,
                                                               std::int64_t localSize, std::int64_t remoteSize,
                                                               std::string localTime, std::string remoteTime)
    : EFTPTransferException(std::move(shortText), std::move(longText)),
      localSize_(localSize),
      remoteSize_(remoteSize),
      localTime_(std::move(localTime)),
      remoteTime_(std::move(remoteTime))
{
}

void EFTPFileAlreadyExistsException::CopyFileExistsFrom(const EFTPFileAlreadyExistsException& other)
{
    CopyFrom(other);
    localSize_ = other.localSize_;
    remoteSize_ = other.remoteSize_;
    localTime_ = other.localTime_;
    remoteTime_ = other.remoteTime_;
}

EFDRemoteConnectionFailed::EFDRemoteConnectionFailed()
    : EFTPDirectException(ErrorTexts().Text(EFTRemoteConnectionFailed::ShortTextName))
{
}

namespace {

template <typename T>
std::unique_ptr<std::exception> CopyFileExists(const T& source)
{
    auto copy = std::make_unique<T>(std::string(), std::string(), 0, 0, std::string(), std::string());
    copy->CopyFileExistsFrom(source);
    return copy;
}

} // namespace

std::unique_ptr<std::exception> CopyErrorForQueue(const std::exception& error)
{
    if (const auto* e = dynamic_cast<const EFTRemoteFileAlreadyExists*>(&error))
        return CopyFileExists(*e);
    if (const auto* e = dynamic_cast<const EFTRemoteFileSmallerAlreadyExists*>(&error))
        return CopyFileExists(*e);
    if (const auto* e = dynamic_cast<const EFTLocalFileAlreadyExists*>(&error))
        return CopyFileExists(*e);
    if (const auto* e = dynamic_cast<const EFTLocalFileSmallerAlreadyExists*>(&error))
        return CopyFileExists(*e);
    if (const auto* e = dynamic_cast<const EFTPFileAlreadyExistsException*>(&error))
        return CopyFileExists(*e);
    if (const auto* e = dynamic_cast<const EFTPTransferException*>(&error)) {
        auto copy = std::make_unique<EFTPTransferException>(std::string(), std::string());
        copy->CopyFrom(*e);
        return copy;
    }
    return std::make_unique<std::runtime_error>(error.what());
}
