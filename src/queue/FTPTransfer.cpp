#include "queue/FTPTransfer.h"

#include "ftp/IOHandlerStack.h"
#include "ftp/IdExceptions.h"
#include "ftp/SSLExceptions.h"
#include "ftp/SSLIOHandlerSocketOpenSSL.h"
#include "hosts/FileTransferTypes.h"
#include "queue/QueueManager.h"
#include "session/ApplyHost.h"
#include "session/CertificateTrust.h"
#include "session/EngineErrorMapping.h"
#include "session/TransferExceptions.h"
#include "store/MainConfig.h"

#include <QDateTime>
#include <QLocale>
#include <QTimeZone>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <mutex>
#include <stdexcept>

namespace fs = std::filesystem;

namespace {

// A date as the platform shows it; empty when unknown.
std::string DateText(TDateTime value)
{
    if (value <= 0)
        return {};
    // The C library's time-zone state is not safe to read from several
    // transfer threads at once.
    static std::mutex mutex;
    std::lock_guard lock(mutex);
    return QLocale::system().toString(DateTimeToQt(value), QLocale::ShortFormat).toStdString();
}

std::string StatusText(const char* constant)
{
    return QueueStatusTexts().Text(constant);
}

bool IsDirectory(const std::string& path)
{
    std::error_code error;
    return fs::is_directory(fs::path(path), error);
}

// Raised when a stop ends an attempt; its status is never shown.
class EStopped : public std::runtime_error {
public:
    EStopped() : std::runtime_error("Transfer stopped.") {}
};

} // namespace

TFTPTransfer::TFTPTransfer(TQueueManager& manager)
    : TTransferThread(manager.Dispatcher()), manager_(manager), transferTypes_(manager.TransferTypes())
{
    engine_.AutoLogin = false;
    engine_.ReadTimeout = ControlReadTimeout;
}

TFTPTransfer::~TFTPTransfer()
{
    // The body (which uses engine_) must be over before the engine goes.
    StopTransfer();
    Join();
}

void TFTPTransfer::SetTrafficLog(std::function<void(const std::string& line)> log)
{
    trafficLog_ = std::move(log);
}

void TFTPTransfer::CutConnection()
{
    std::lock_guard lock(engineLock_);
    if (!engineUsed_)
        return;  // nothing was ever opened, and the engine has no owner yet
    try {
        engine_.CloseDataChannel();
        engine_.CloseConnection();
    } catch (...) {
        // Errors of a cut are of no interest: the attempt fails on its own.
    }
}

void TFTPTransfer::CutData()
{
    // Inside the engine's own progress report only the data channel may go.
    engine_.CloseDataChannel();
}

// ---- one attempt ---------------------------------------------------------------

void TFTPTransfer::Attempt(TQueueItem& item)
{
    failureRecorded_ = false;
    aborted_ = false;
    AttachHooks(item);
    struct THooksOff {
        TFTPTransfer& self;
        ~THooksOff() { self.DetachHooks(); }
    } hooksOff{*this};
    try {
        if (!item.RefusedReason.empty())
            throw EUnsafeLocalPath(item.RefusedReason);
        ConnectFor(item);
        TransferItem(item);
    } catch (const std::exception& error) {
        // A row must never keep a progress or completion text after a
        // failure; the reason shows instead.
        if (!failureRecorded_)
            RecordFailure(error.what());
        // Where a failed step left the connection is not certain.
        remoteFolder_.clear();
        wireType_.clear();
        DropConnectionAfter(error);
        throw;
    }
}

void TFTPTransfer::DropConnectionAfter(const std::exception& error)
{
    // After a socket or local-file error in the middle of a transfer the
    // server's final reply was never read; the next command would take it
    // for its own. A server's refusal, the program's own conflicts and
    // refusals leave the dialogue in step, so the connection stays.
    if (LeavesDialogueInStep(error) || dynamic_cast<const EUnsafeLocalPath*>(&error) != nullptr)
        return;
    CutConnection();
}

void TFTPTransfer::RecordFailure(const std::string& text)
{
    failureRecorded_ = true;
    SetStatus(text, qsFailed);
}

void TFTPTransfer::AttachHooks(TQueueItem& item)
{
    statusAttached_ = true;
    engine_.OnStatus = [this](TIdStatus status, const std::string&) { OnEngineStatus(status); };
    engine_.OnDataChannelCreate = [](TIdIOHandler& data) { data.ReadTimeout = 30000; };
    engine_.OnWorkBegin = [this](TWorkMode, std::int64_t) {
        SetStatus(QueueStatusText(qsStarting), qsStarting);
    };
    engine_.OnWork = [this, &item](TWorkMode, std::int64_t count) { ReportWork(item, count); };
    engine_.OnWorkEnd = [this](TWorkMode) {
        if (!StopRequested())
            SetStatus(QueueStatusText(qsComplete), qsComplete);
        // The engine's own "ready" that follows must not hide the completion.
        statusAttached_ = false;
    };
}

void TFTPTransfer::DetachHooks()
{
    statusAttached_ = false;
    engine_.OnWork = nullptr;
    engine_.OnWorkBegin = nullptr;
    engine_.OnWorkEnd = nullptr;
}

void TFTPTransfer::OnEngineStatus(TIdStatus status)
{
    if (status == ftpAborted)
        aborted_ = true;
    if (!statusAttached_)
        return;
    static constexpr TQueueItemStatus kCodes[] = {qsResolving,  qsConnecting,   qsConnected,
                                                  qsDisconnecting, qsDisconnected, qsEngineText,
                                                  qsTransferring, qsEngineReady, qsStopped};
    const TQueueItemStatus code = kCodes[status];
    const std::string text = code <= qsDisconnected ? QueueStatusText(code) : std::string();
    SetStatus(text, code);
}

void TFTPTransfer::ConnectFor(TQueueItem& item)
{
    const THost& host = item.Host;
    if (host.Port < 1 || host.Port > 65535)
        throw std::invalid_argument("Host port out of range: " + std::to_string(host.Port));
    const auto port = static_cast<std::uint16_t>(host.Port);
    {
        std::lock_guard lock(engineLock_);
        if (host.Hostname != engine_.Host || port != engine_.Port) {
            if (engine_.IOHandler() && engine_.IOHandler()->Opened()) {
                try {
                    engine_.CloseDataChannel();
                    engine_.CloseConnection();
                } catch (...) {
                }
            }
            engine_.SetIOHandler(nullptr);
        }
        ApplyCredentials(engine_, host);
        engine_.Host = host.Hostname;
        engine_.Port = port;
        engine_.Passive = host.Passive;
        engine_.AutoLogin = false;
        if (!engine_.IOHandler())
            InstallTransport(host.UseSSL, port);
        engineUsed_ = true;
    }
    if (engine_.IsConnected())
        return;
    remoteFolder_.clear();
    wireType_.clear();
    try {
        engine_.ConnectControl();
    } catch (const EIdSocketError& error) {
        if (error.SocketErrorCode() == 11001) {
            EFTRemoteConnectionFailed failure = EFTRemoteConnectionFailed::HostNotFound();
            RecordFailure(failure.ShortDescription());
            throw failure;
        }
        EFTRemoteConnectionFailed failure;
        RecordFailure(failure.ShortDescription());
        throw failure;
    } catch (const EIdException&) {
        // Not reported here: the login that follows fails on it.
    }
    try {
        engine_.Authenticate();
    } catch (const EIdOSSLCertificateRefused& refused) {
        EFTRemoteCertificateRefused failure(refused.Certificate());
        RecordFailure(failure.ShortDescription());
        throw failure;
    } catch (const std::exception&) {
        EFTRemoteAuthenticationFailed failure;
        RecordFailure(failure.ShortDescription());
        throw failure;
    }
    // The login ends by announcing the engine's own type.
    wireType_ = engine_.TransferType() == ftBinary ? "TYPE I" : "TYPE A";
    if (StopRequested())
        throw EStopped();
}

void TFTPTransfer::InstallTransport(bool useTLS, std::uint16_t port)
{
    std::unique_ptr<TIdIOHandler> transport;
    if (useTLS)
        transport = std::make_unique<TIdSSLIOHandlerSocketOpenSSL>();
    else
        transport = std::make_unique<TIdIOHandlerStack>();
    transport->ReadTimeout = ControlReadTimeout;
    if (trafficLog_) {
        auto intercept = std::make_shared<TIdConnectionIntercept>();
        intercept->OnSend = [log = trafficLog_](std::string& bytes) { log(bytes); };
        intercept->OnReceive = [log = trafficLog_](std::string& bytes) { log(bytes); };
        transport->Intercept = std::move(intercept);
    }
    // A thread never asks itself: the question goes to the window, and a stop
    // of the queue ends the wait for it.
    InstallCertificateCheck(*transport, engine_.Host, port, [this] { return StopRequested(); });
    engine_.SetIOHandler(std::move(transport));
    engine_.SetUseTLS(useTLS ? utUseRequireTLS : utNoTLSSupport);
    // Files are protected like the login; a server that only allows clear
    // data still serves the host.
    engine_.AllowClearDataFallback = useTLS;
    if (useTLS)
        engine_.SetDataPortProtection(ftpdpsPrivate);
}

void TFTPTransfer::TransferItem(TQueueItem& item)
{
    if (item.TransferDirection == tdDownload || item.IsDirectory)
        remoteFolder_.clear();  // these change folders on their own
    if (item.TransferDirection == tdDownload) {
        const std::string& local = item.LocalFilename;
        CheckInsideRoot(item, local);
        if (item.IsDirectory) {
            if (!IsDirectory(local))
                ForceLocalDirectories(local);
            ExpandRemoteDirectory(item, item.RemoteFilename);
            return;
        }
        const std::string folder = fs::path(local).parent_path().string();
        if (!folder.empty() && !IsDirectory(folder))
            ForceLocalDirectories(folder);
        DownloadFile(item);
        return;
    }
    if (item.IsDirectory) {
        const std::string remote = IncludeTrailingSlash(item.RemoteFilename);
        try {
            engine_.ChangeWorkingDirectory(remote);
        } catch (const EIdReplyRFCError&) {
            ForceRemoteDirectories(remote);
        }
        ExpandLocalDirectory(item, item.LocalFilename);
        return;
    }
    UploadFile(item);
}

void TFTPTransfer::CheckInsideRoot(const TQueueItem& item, const std::string& local)
{
    if (IsInsideLocalRoot(item.LocalRoot, local))
        return;
    const std::string reason = "The local name \"" + local + "\" lies outside the folder \"" + item.LocalRoot + "\".";
    RecordFailure(reason);
    throw EUnsafeLocalPath(reason);
}

std::string TFTPTransfer::SendTransferType(const std::string& localName)
{
    TFileTransferType type = fttUnknown;
    if (transferTypes_ != nullptr)
        type = transferTypes_->TransferTypeOf(ExtractFileExt(localName));
    if (type == fttUnknown)
        type = MainConfig().DefaultFileTransferType() == fttASCII ? fttASCII : fttBinary;
    const std::string command = type == fttASCII ? "TYPE A" : "TYPE I";
    SetWireType(command);
    return command;
}

void TFTPTransfer::SetWireType(const std::string& command)
{
    if (wireType_ == command)
        return;
    wireType_.clear();
    if (engine_.SendCommand(command, -1) == 200)
        wireType_ = command;
}

void TFTPTransfer::ListRemote(const std::string& specifier)
{
    // The engine lists in ASCII type and sets its own type again afterwards;
    // after a failed listing the type on the wire is not certain.
    wireType_.clear();
    engine_.RetrieveListing(nullptr, specifier, true);
    wireType_ = engine_.TransferType() == ftBinary ? "TYPE I" : "TYPE A";
}

void TFTPTransfer::EnterRemoteFolder(const std::string& folder)
{
    // A batch of uploads into one folder enters it once; relative paths
    // depend on where the last command left the connection.
    if (!folder.empty() && folder.front() == '/' && folder == remoteFolder_)
        return;
    remoteFolder_.clear();
    try {
        engine_.ChangeWorkingDirectory(folder);
    } catch (const EIdReplyRFCError&) {
        ForceRemoteDirectories(folder);
    }
    remoteFolder_ = folder;
}

TDateTime ParseModificationReply(const TIdReplyFTP& reply)
{
    if (reply.NumericCode() != 213 || reply.Text.empty())
        return 0;
    const QString stamp = QString::fromStdString(std::string(IdTrim(reply.Text.front()))).left(14);
    QDateTime utc = QDateTime::fromString(stamp, QStringLiteral("yyyyMMddHHmmss"));
    if (!utc.isValid())
        return 0;
    utc.setTimeZone(QTimeZone::utc());
    return DateTimeFromQt(utc.toLocalTime());
}

void ForceLocalDirectories(const std::string& path)
{
    std::error_code error;
    fs::create_directories(fs::path(path), error);
}

void TFTPTransfer::ForceRemoteDirectories(const std::string& path)
{
    std::vector<std::string> components;
    std::size_t start = 0;
    while (start < path.size()) {
        std::size_t end = path.find('/', start == 0 && path[0] == '/' ? 1 : start);
        if (end == std::string::npos)
            end = path.size();
        if (end > start)
            components.push_back(path.substr(start, end - start));
        start = end + 1;
    }
    if (components.empty() && !path.empty())
        components.push_back(path);
    for (const std::string& component : components) {
        try {
            engine_.ChangeWorkingDirectory(component);
            continue;
        } catch (const EIdReplyRFCError&) {
        }
        engine_.CreateRemoteDirectory(component);
        try {
            engine_.ChangeWorkingDirectory(component);
        } catch (const EIdReplyRFCError& error) {
            if (error.ReplyCode() == 550)
                RecordFailure(StatusText(kStatusNoDirWritePermission));
            throw;
        }
    }
}

// ---- files -----------------------------------------------------------------------

void TFTPTransfer::DownloadFile(TQueueItem& item)
{
    const std::string& remote = item.RemoteFilename;
    const std::string& local = item.LocalFilename;
    std::int64_t fileSize = item.FileSize;
    try {
        if (fileSize == -1 || item.FileModifiedDateTime == -1)
            fileSize = LearnRemoteSize(item);
        CheckExistingLocal(item, local, fileSize);
        SendTransferType(local);
        engine_.DownloadToFile(remote, local, false, true);
    } catch (const EIdReplyRFCError&) {
        RecordFailure(StatusText(kStatusRemoteFileDoesntExist));
        throw;
    }
    if (StopRequested())
        throw EStopped();
    // A server may answer 426 and then 226 for a cut connection; the bytes
    // on disk tell whether the file arrived.
    std::error_code error;
    const auto received = static_cast<std::int64_t>(fs::file_size(fs::path(local), error));
    if (aborted_ || (!error && fileSize > 0 && received < fileSize))
        throw std::runtime_error("The transfer ended after " + std::to_string(error ? 0 : received) + " of "
                                 + std::to_string(fileSize) + " bytes.");
}

// Size and date of an item queued without them, from a listing of the file.
std::int64_t TFTPTransfer::LearnRemoteSize(TQueueItem& item)
{
    ListRemote(item.RemoteFilename);
    TIdFTPListItems& entries = engine_.ListingItems();
    if (entries.Count() == 0)
        return item.FileSize;
    const std::int64_t size = entries[0].Size();
    const TDateTime modified = entries[0].ModifiedDate();
    HandOverForItem(item, [&](TQueueItem& current) {
        current.FileSize = size;
        current.FileModifiedDateTime = modified;
    });
    return size;
}

void TFTPTransfer::CheckExistingLocal(TQueueItem& item, const std::string& local, std::int64_t fileSize)
{
    std::error_code error;
    const fs::path path = fs::path(local);
    if (!fs::exists(path, error))
        return;
    if (item.SameSizeAction == faeOverwrite || item.SmallerAction == faeOverwrite) {
        fs::remove(path, error);
        return;
    }
    const auto localSize = static_cast<std::int64_t>(fs::file_size(path, error));
    if (error)
        throw std::runtime_error("Cannot read the size of \"" + local + "\": " + error.message());
    const std::string localTime = DateText(FileModifiedTime(local));
    const std::string remoteTime = DateText(item.FileModifiedDateTime);
    if (localSize >= fileSize) {
        EFTLocalFileAlreadyExists conflict(localSize, fileSize, localTime, remoteTime);
        RecordFailure(conflict.ShortDescription());
        throw conflict;
    }
    if (item.SmallerAction != faeResume) {
        EFTLocalFileSmallerAlreadyExists conflict(localSize, fileSize, localTime, remoteTime);
        RecordFailure(conflict.ShortDescription());
        throw conflict;
    }
    resumeOffset_ = localSize;
}

void TFTPTransfer::UploadFile(TQueueItem& item)
{
    const std::string& remote = item.RemoteFilename;
    const std::string folder = RemoteParentPath(remote);
    const std::string name = RemoteFileName(remote);
    EnterRemoteFolder(folder);
    CheckExistingRemote(item, name);
    const std::string type = SendTransferType(item.LocalFilename);
    std::error_code error;
    const auto localSize = static_cast<std::int64_t>(fs::file_size(fs::path(item.LocalFilename), error));
    try {
        engine_.UploadFromFile(item.LocalFilename, name, true, resumeOffset_);
    } catch (const EIdReplyRFCError&) {
        RecordFailure(StatusText(kStatusNoFileWritePermission));
        throw;
    }
    if (StopRequested())
        throw EStopped();
    if (aborted_)
        throw std::runtime_error("The server aborted the upload of \"" + name + "\".");
    // In ASCII type the server may store other line ends, so sizes only
    // compare for binary uploads.
    if (!error && type == "TYPE I")
        VerifyUploadedSize(name, localSize);
}

// What the server holds under the upload's name. "SIZE" answers without a
// data connection and without the server reading the whole folder; a
// listing of the name is the fallback for servers that do not know the
// command.
TFTPTransfer::TRemoteTarget TFTPTransfer::ProbeRemoteTarget(const std::string& name)
{
    TRemoteTarget target;
    SetWireType("TYPE I");  // sizes in ASCII type are refused or guessed
    target.Size = engine_.QueryRemoteSize(name);
    const int code = engine_.LastReply().NumericCode();
    if (target.Size >= 0) {
        target.Exists = true;
        return target;
    }
    if (code == 550 || code == 450)
        return target;  // no such file
    try {
        ListRemote(name);
        TIdFTPListItems& entries = engine_.ListingItems();
        target.Exists = entries.Count() > 0;
        if (target.Exists) {
            target.ListedSize = entries[0].Size();
            target.Modified = entries[0].ModifiedDate();
        }
    } catch (const EIdReplyRFCError&) {
        // Some servers refuse a listing of a name that does not exist.
    }
    return target;
}

TDateTime TFTPTransfer::RemoteModifiedTime(const std::string& name)
{
    const auto& features = engine_.Capabilities();
    const bool known = std::any_of(features.begin(), features.end(), [](const std::string& feature) {
        const std::string_view word = IdTrim(feature).substr(0, 4);
        return word.size() == 4 && std::equal(word.begin(), word.end(), "MDTM", [](char a, char b) {
                   return std::toupper(static_cast<unsigned char>(a)) == b;
               });
    });
    if (!known)
        return 0;
    engine_.SendCommand("MDTM " + name, -1);
    return ParseModificationReply(engine_.LastReply());
}

void TFTPTransfer::CheckExistingRemote(TQueueItem& item, const std::string& name)
{
    TRemoteTarget target = ProbeRemoteTarget(name);
    if (!target.Exists)
        return;
    // A server without "SIZE" still shows the size in its listing.
    const std::int64_t size = target.Size >= 0 ? target.Size : target.ListedSize;
    if (item.SameSizeAction == faeOverwrite || item.SmallerAction == faeOverwrite) {
        try {
            engine_.DeleteRemoteFile(name);
        } catch (const EIdException&) {
            EFTRemoteFileCantDelete failure;
            RecordFailure(failure.ShortDescription());
            throw failure;
        }
        return;
    }
    if (target.Modified <= 0 && target.Size >= 0)
        target.Modified = RemoteModifiedTime(name);
    const std::string localTime = DateText(item.FileModifiedDateTime);
    const std::string remoteTime = DateText(target.Modified);
    if (size >= item.FileSize) {
        EFTRemoteFileAlreadyExists conflict(item.FileSize, size, localTime, remoteTime);
        RecordFailure(conflict.ShortDescription());
        throw conflict;
    }
    if (item.SmallerAction != faeResume) {
        EFTRemoteFileSmallerAlreadyExists conflict(item.FileSize, size, localTime, remoteTime);
        RecordFailure(conflict.ShortDescription());
        throw conflict;
    }
    // Resuming from 0 onto a file whose size is unknown would append the
    // whole file to what is there already.
    if (size < 0)
        throw std::runtime_error("The server does not tell the size of \"" + name + "\", so it cannot be resumed.");
    resumeOffset_ = size;
}

// Some servers answer 226 for an upload that was cut short.
void TFTPTransfer::VerifyUploadedSize(const std::string& name, std::int64_t localSize)
{
    const std::int64_t remoteSize = engine_.QueryRemoteSize(name);
    if (remoteSize >= 0 && remoteSize < localSize)
        throw std::runtime_error("The server holds " + std::to_string(remoteSize) + " of "
                                 + std::to_string(localSize) + " bytes of \"" + name + "\".");
}

// ---- directories -------------------------------------------------------------------

void TFTPTransfer::ExpandRemoteDirectory(TQueueItem& item, const std::string& path)
{
    SetStatus(StatusText(kStatusSearchingDirectory), qsStarting);
    foundEntries_.clear();
    engine_.ChangeWorkingDirectory(path);
    ListRemote("");
    const std::string folder = IncludeTrailingSlash(engine_.QueryWorkingDirectory());
    for (const TIdFTPListItem& entry : engine_.ListingItems()) {
        const std::string name(entry.FileName());
        if (name == "." || name == "..")
            continue;
        TSyncQueueItem found;
        found.RemotePath = folder + name;
        found.IsDirectory = entry.ItemKind() == dkDirectory;
        found.FileSize = entry.Size();
        found.FileModifiedDateTime = entry.ModifiedDate();
        if (!IsSafeRemoteEntryName(name))
            found.Refused = "The remote name \"" + name + "\" was not downloaded: it would be stored outside the folder \""
                            + item.LocalRoot + "\".";
        foundEntries_.push_back(std::move(found));
    }
    AddFoundEntries(item);
}

void TFTPTransfer::ExpandLocalDirectory(TQueueItem& item, const std::string& path)
{
    SetStatus(StatusText(kStatusSearchingDirectory), qsStarting);
    foundEntries_.clear();
    const std::string folder = IncludeTrailingBackslash(path);
    std::vector<std::string> names;
    for (const fs::directory_entry& entry : fs::directory_iterator(fs::path(folder)))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    for (const std::string& name : names) {
        TSyncQueueItem found;
        found.LocalPath = folder + name;
        std::error_code error;
        // A link to a folder could lead back up the tree without end.
        if (fs::is_symlink(fs::path(found.LocalPath), error) && IsDirectory(found.LocalPath))
            found.Refused = "The folder link \"" + found.LocalPath + "\" was not uploaded: links to folders are not followed.";
        foundEntries_.push_back(std::move(found));
    }
    AddFoundEntries(item);
}

void TFTPTransfer::AddFoundEntries(TQueueItem& item)
{
    HandOverForItem(item, [this](TQueueItem& parent) {
        const bool download = parent.TransferDirection == tdDownload;
        for (const TSyncQueueItem& entry : foundEntries_) {
            const std::string& path = download ? entry.RemotePath : entry.LocalPath;
            std::string refused = entry.Refused;
            if (refused.empty()) {
                try {
                    if (download)
                        manager_.AddDownload(parent.Host, parent.RemoteRoot, parent.Scheduled,
                                             entry.FileModifiedDateTime, entry.FileSize, entry.IsDirectory,
                                             parent.LocalRoot, entry.RemotePath);
                    else
                        manager_.AddUpload(parent.Host, parent.LocalRoot, parent.Scheduled, parent.RemoteRoot,
                                           entry.LocalPath);
                    continue;
                } catch (const std::exception& error) {
                    refused = error.what();
                }
            }
            manager_.AddRefusedItem(parent.Host, parent.TransferDirection, parent.RemoteRoot, parent.LocalRoot,
                                    path, refused);
        }
        // One folder queued alone started one thread; its files may use
        // every connection the user allows.
        if (parent.Scheduled && !foundEntries_.empty())
            manager_.StartTransfers();
    });
    foundEntries_.clear();
}
