#include "session/FTPWorker.h"

#include "i18n/LanguageManager.h"
#include "session/ApplyHost.h"
#include "session/EngineErrorMapping.h"

#include "ftp/IdExceptions.h"
#include "ftp/SSLExceptions.h"
#include "ftp/SSLIOHandlerSocketOpenSSL.h"

#include <chrono>
#include <new>

namespace {

std::string Trimmed(const std::string& text)
{
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos)
        return {};
    const auto last = text.find_last_not_of(" \t\r\n");
    return text.substr(first, last - first + 1);
}

}  // namespace

struct TFTPWorker::TDirectCall {
    const std::function<void()>* Operation = nullptr;
    std::exception_ptr Error;
    bool Done = false;
};

TFTPWorker::TFTPWorker(TEventDispatcher* dispatcher)
    : dispatcher_(dispatcher), intercept_(std::make_shared<TIdConnectionIntercept>())
{
    intercept_->OnReceive = [this](std::string& bytes) { LogTraffic(wlkReply, bytes); };
    intercept_->OnSend = [this](std::string& bytes) { LogTraffic(wlkCommand, bytes); };
    engine_.AutoLogin = false;
    engine_.ReadTimeout = ControlReadTimeout;
    engine_.OnDisconnected = [] {};
    // The abort check: a set abort flag ends the running data transfer.
    engine_.OnWork = [this](TWorkMode, std::int64_t) {
        if (abort_)
            engine_.CloseDataChannel();
    };
    engine_.OnDataChannelCreate = [](TIdIOHandler& data) {
        data.RecvBufferSize = 8192;
        data.SendBufferSize = 8192;
        data.ReadTimeout = 30000;
    };
}

TFTPWorker::~TFTPWorker()
{
    Stop();
}

void TFTPWorker::Start()
{
    std::lock_guard lock(mutex_);
    if (thread_.joinable())
        return;
    terminate_ = false;
    loopEnded_ = false;
    thread_ = std::thread([this] { Run(); });
    workerId_ = thread_.get_id();
}

void TFTPWorker::Stop()
{
    {
        std::lock_guard lock(mutex_);
        if (!thread_.joinable())
            return;
        terminate_ = true;
    }
    wake_.notify_all();
    // A blocked operation on the connection ends when the sockets shut down.
    engine_.CloseDataChannel();
    engine_.CloseConnection();
    if (dispatcher_ && dispatcher_->IsOwnerThread()) {
        // The thread ends with a disconnect that sends OnDisconnected here.
        dispatcher_->WaitFor([this] {
            std::lock_guard lock(mutex_);
            return workerId_ == std::thread::id();
        }, std::chrono::hours(1));
    }
    thread_.join();
}

void TFTPWorker::Run()
{
    bool unexpected = false;
    try {
        Loop();
    } catch (...) {
        // Memory ran out in the middle of an operation, or the mailbox
        // itself failed: the session is in no known state, so the thread
        // ends and says so.
        unexpected = true;
        TDirectCall* pending = nullptr;
        {
            std::lock_guard lock(mutex_);
            loopEnded_ = true;
            pending = direct_;
        }
        wake_.notify_all();
        // A call queued just before the loop ended is still answered.
        if (pending)
            RunDirect(*pending);
    }
    try {
        DoDisconnect();
    } catch (...) {
    }
    if (unexpected)
        Fire(OnThreadEnded);
    std::lock_guard lock(mutex_);
    workerId_ = std::thread::id();
    if (dispatcher_)
        dispatcher_->Post([] {});
}

void TFTPWorker::Loop()
{
    for (;;) {
        std::uint8_t command = wcNone;
        TDirectCall* direct = nullptr;
        {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, [this] { return terminate_ || direct_ || command_ != wcNone; });
            if (terminate_ && !direct_) {
                loopEnded_ = true;
                return;
            }
            direct = direct_;
            command = command_;
        }
        if (direct) {
            RunDirect(*direct);
            continue;
        }
        try {
            RunCommand(command);
        } catch (const std::bad_alloc&) {
            throw;
        } catch (...) {
            // Failures the user is not told about end here (a greeting that
            // is not 220, a listing line with an unknown month, ...).
        }
    }
}

void TFTPWorker::RunDirect(TDirectCall& direct)
{
    try {
        (*direct.Operation)();
    } catch (...) {
        direct.Error = std::current_exception();
    }
    {
        std::lock_guard lock(mutex_);
        direct.Done = true;
        direct_ = nullptr;
    }
    wake_.notify_all();
    if (dispatcher_)
        dispatcher_->Post([] {});  // wakes a caller waiting in the dispatcher
}

void TFTPWorker::RunCommand(std::uint8_t command)
{
    switch (command) {
    case wcConnect: DoConnect(); break;
    case wcLogin: DoLogin(); break;
    case wcList: DoList(); break;
    case wcRecursiveDelete: DoRecursiveDelete(); break;
    case wcRecursiveWalk: DoRecursiveWalk(); break;
    default: TakeCommand(); break;
    }
}

void TFTPWorker::Invoke(const std::function<void()>& operation)
{
    TDirectCall call;
    call.Operation = &operation;
    bool queued = false;
    {
        std::unique_lock lock(mutex_);
        if (thread_.joinable() && std::this_thread::get_id() != workerId_) {
            // One direct call at a time: wait for the slot.
            wake_.wait(lock, [this] { return direct_ == nullptr || loopEnded_; });
            queued = !loopEnded_;
            if (queued)
                direct_ = &call;
        }
    }
    if (!queued) {
        operation();
        return;
    }
    wake_.notify_all();
    if (dispatcher_ && dispatcher_->IsOwnerThread()) {
        dispatcher_->WaitFor([&] {
            std::lock_guard lock(mutex_);
            return call.Done;
        }, std::chrono::hours(24 * 365));
    } else {
        std::unique_lock lock(mutex_);
        wake_.wait(lock, [&] { return call.Done; });
    }
    if (call.Error)
        std::rethrow_exception(call.Error);
}

void TFTPWorker::Request(TWorkerCommand command)
{
    {
        std::lock_guard lock(mutex_);
        command_ = command;
    }
    wake_.notify_all();
}

void TFTPWorker::TakeCommand()
{
    std::lock_guard lock(mutex_);
    command_ = wcNone;
}

// --- events and status ---------------------------------------------------

void TFTPWorker::Fire(const TEventSlot<TFTPWorker&>& slot, bool synchronous)
{
    auto handler = slot.Get();
    if (!handler)
        return;
    if (!dispatcher_) {
        handler(*this);
        return;
    }
    auto call = [this, handler = std::move(handler)] { handler(*this); };
    if (synchronous)
        dispatcher_->Send(call);
    else
        dispatcher_->Post(call);
}

void TFTPWorker::BeginOperation(const char* statusName)
{
    busy_ = true;
    if (statusName) {
        std::string text = LoadStr(statusName);
        std::lock_guard lock(mutex_);
        statusText_ = std::move(text);
    }
    Fire(OnBusy);
}

void TFTPWorker::EndOperation()
{
    busy_ = false;
    Fire(OnIdle);
}

namespace {
// Fires the idle half of an operation however it ends.
struct TIdleGuard {
    std::function<void()> End;
    ~TIdleGuard() { End(); }
};
}  // namespace

void TFTPWorker::SetCurrentDir(std::string directory)
{
    std::lock_guard lock(mutex_);
    currentDir_ = std::move(directory);
}

std::string TFTPWorker::CurrentDir() const
{
    std::lock_guard lock(mutex_);
    return currentDir_;
}

TFTPWorker::TListing TFTPWorker::Listing() const
{
    std::lock_guard lock(mutex_);
    return listing_;
}

std::string TFTPWorker::StatusText() const
{
    std::lock_guard lock(mutex_);
    return statusText_;
}

THost TFTPWorker::Host() const
{
    std::lock_guard lock(mutex_);
    return host_;
}

std::vector<std::string> TFTPWorker::DeletionList() const
{
    std::lock_guard lock(mutex_);
    return {deletionList_.begin(), deletionList_.end()};
}

bool TFTPWorker::HandleFailure(TRemoteOperation operation)
{
    const std::exception_ptr current = std::current_exception();
    try {
        std::rethrow_exception(current);
    } catch (const std::exception& failure) {
        TEngineErrorOutcome outcome = MapEngineError(operation, failure);
        const bool dropped = DropIfOutOfStep(failure);
        if (outcome.Action == TErrorAction::eaPassOn)
            throw;
        if (outcome.Disconnect && !dropped)
            DoDisconnect();
        if (outcome.Action == TErrorAction::eaShow) {
            pendingError_.Set(std::move(outcome.Error));
            return true;
        }
        return false;
    }
}

bool TFTPWorker::DropIfOutOfStep(const std::exception& failure)
{
    if (LeavesDialogueInStep(failure) || !EngineConnected())
        return false;
    DoDisconnect();
    return true;
}

void TFTPWorker::LogTraffic(TWorkerLogKind kind, const std::string& bytes)
{
    auto handler = OnLog.Get();
    if (!handler || bytes.empty())
        return;
    // Only a command that starts with "PASS " is masked.
    std::string text = (kind == wlkCommand && bytes.rfind("PASS ", 0) == 0) ? "PASS ******" : bytes;
    handler(kind, Trimmed(text));
}

// --- requests -------------------------------------------------------------

void TFTPWorker::SetHost(const THost& host)
{
    abort_ = false;
    Invoke([&] {
        try {
            DoDisconnect();
        } catch (...) {
        }
        ApplyHost(engine_, host, intercept_);
        if (auto tune = OnHostApplied.Get())
            tune(engine_);
        {
            std::lock_guard lock(mutex_);
            host_ = host;
        }
        Request(wcConnect);
    });
}

void TFTPWorker::RequestListing()
{
    Request(wcList);
}

void TFTPWorker::RequestRecursiveDelete(std::vector<std::string> names)
{
    {
        std::lock_guard lock(mutex_);
        deletionList_.assign(std::make_move_iterator(names.begin()), std::make_move_iterator(names.end()));
    }
    Request(wcRecursiveDelete);
}

void TFTPWorker::RequestRecursiveSearch(const std::string& path)
{
    {
        std::lock_guard lock(mutex_);
        walkStart_ = path;
    }
    Request(wcRecursiveWalk);
}

// --- queries ----------------------------------------------------------------

bool TFTPWorker::EngineConnected()
{
    try {
        return engine_.IsConnected();
    } catch (...) {
        return false;
    }
}

bool TFTPWorker::IsSessionOpen()
{
    bool open = false;
    Invoke([&] { open = EngineConnected(); });
    return open;
}

bool TFTPWorker::ResumeSupported()
{
    bool supported = false;
    Invoke([&] { supported = engine_.SupportsRestart(); });
    return supported;
}

bool TFTPWorker::IsEncrypted()
{
    bool encrypted = false;
    Invoke([&] { encrypted = engine_.TLSActive() && EngineConnected(); });
    return encrypted;
}

std::string TFTPWorker::TLSProtocol()
{
    std::string name;
    Invoke([&] {
        const auto* tls = dynamic_cast<const TIdSSLIOHandlerSocketOpenSSL*>(engine_.IOHandler());
        if (tls && engine_.TLSActive() && EngineConnected())
            name = tls->ProtocolName();
    });
    return name;
}

std::string TFTPWorker::TLSCipher()
{
    std::string name;
    Invoke([&] {
        const auto* tls = dynamic_cast<const TIdSSLIOHandlerSocketOpenSSL*>(engine_.IOHandler());
        if (tls && engine_.TLSActive() && EngineConnected())
            name = tls->CipherName();
    });
    return name;
}

std::optional<TIdPeerCertificate> TFTPWorker::PeerCertificate()
{
    std::optional<TIdPeerCertificate> certificate;
    Invoke([&] {
        const auto* tls = dynamic_cast<const TIdSSLIOHandlerSocketOpenSSL*>(engine_.IOHandler());
        if (tls && engine_.TLSActive() && EngineConnected() && tls->PeerCertificate())
            certificate = *tls->PeerCertificate();
    });
    return certificate;
}

std::string TFTPWorker::ListingFormat() const
{
    std::lock_guard lock(mutex_);
    return listingFormat_;
}

// --- connection -------------------------------------------------------------

void TFTPWorker::DoConnect()
{
    TakeCommand();
    BeginOperation("MainForm_strRSSTConnecting");
    TIdleGuard idle{[this] { EndOperation(); }};
    try {
        engine_.ConnectControl();
        Request(wcLogin);
        if (!suppressSessionEvents_)
            Fire(OnConnected);
    } catch (const EIdSocketError&) {
        HandleFailure(TRemoteOperation::roConnect);
    } catch (const EIdOSSLCertificateRefused&) {
        HandleFailure(TRemoteOperation::roConnect);  // implicit TLS: refused before the greeting
    }
}

void TFTPWorker::DoLogin()
{
    TakeCommand();
    BeginOperation("MainForm_strRSSTLoggingIn");
    TIdleGuard idle{[this] { EndOperation(); }};
    try {
        engine_.Authenticate();
        SetCurrentDir(engine_.QueryWorkingDirectory());
    } catch (const EIdException&) {
        HandleFailure(TRemoteOperation::roLogin);
        return;
    } catch (const std::exception& failure) {
        // The TLS transport's own failures are engine failures too.
        if (!IsEngineError(failure))
            throw;
        HandleFailure(TRemoteOperation::roLogin);
        return;
    }
    if (!suppressSessionEvents_)
        Fire(OnLoggedIn);
}

void TFTPWorker::Reconnect()
{
    const std::string remembered = CurrentDir();
    const bool wasSuppressed = suppressSessionEvents_;
    suppressSessionEvents_ = true;
    struct TRestore {
        bool& Flag;
        bool Value;
        ~TRestore() { Flag = Value; }
    } restore{suppressSessionEvents_, wasSuppressed};
    DoConnect();
    if (!EngineConnected())
        return;
    DoLogin();
    if (!EngineConnected())
        return;
    if (!remembered.empty()) {
        try {
            engine_.ChangeWorkingDirectory(remembered);
        } catch (const EIdException&) {
        }
    }
    SetCurrentDir(engine_.QueryWorkingDirectory());
}

void TFTPWorker::ReconnectIfClosed()
{
    if (!EngineConnected())
        Reconnect();
}

void TFTPWorker::Disconnect()
{
    Invoke([this] { DoDisconnect(); });
}

void TFTPWorker::DoDisconnect()
{
    try {
        engine_.CloseDataChannel();
    } catch (...) {
    }
    try {
        engine_.CloseConnection();
    } catch (...) {
    }
    cache_.Clear();
    Fire(OnDisconnected, true);
}

// --- listing ----------------------------------------------------------------

void TFTPWorker::ResolveLinks(TIdFTPListItems& listing, const std::string& directory, bool honourAbort)
{
    for (TIdFTPListItem& item : listing) {
        if (honourAbort && abort_.exchange(false))
            return;
        if (item.ItemKind() != dkSymbolicLink)
            continue;
        try {
            engine_.ChangeWorkingDirectory(std::string(item.FileName()));
            item.SetItemKind(dkDirectory);
            engine_.ChangeWorkingDirectory(directory);
        } catch (const EIdException& failure) {
            // A refusal means "not a folder"; a timeout or a broken
            // connection fails the listing (and drops the connection).
            if (!LeavesDialogueInStep(failure))
                throw;
            item.SetItemKind(dkFile);
        }
    }
}

void TFTPWorker::DoList()
{
    TakeCommand();
    BeginOperation("MainForm_strRSSTListingDirectory");
    TIdleGuard idle{[this] { EndOperation(); }};
    {
        std::lock_guard lock(mutex_);
        listing_.reset();
    }
    // An abort is meant for this listing only: a flag left set would end
    // the data connection of every later listing of the session.
    struct TClearAbort {
        std::atomic<bool>& Flag;
        ~TClearAbort() { Flag = false; }
    } clearAbort{abort_};
    TListing listing = cache_.Find(CurrentDir());
    if (!listing) {
        try {
            listing = FetchListing();
        } catch (const EIdException&) {
            listing.reset();
            if (abort_)
                EndAbortedListing();
            else
                HandleFailure(TRemoteOperation::roList);
        }
    }
    {
        std::lock_guard lock(mutex_);
        listing_ = listing;
    }
    Fire(OnListingReady);
}

TFTPWorker::TListing TFTPWorker::FetchListing()
{
    ReconnectIfClosed();
    engine_.RetrieveListing(nullptr, "-al", true);
    // Closing the data connection may look like its regular end: a listing
    // cut short that way is neither shown nor cached. (Its final reply was
    // read, so the connection stays in step.)
    if (abort_)
        return nullptr;
    TIdFTPListItems& items = engine_.ListingItems();
    {
        std::string format = engine_.ListingFormat();
        std::lock_guard lock(mutex_);
        listingFormat_ = std::move(format);
    }
    ResolveLinks(items, CurrentDir(), true);
    TListing listing(CopyListing(items));
    cache_.Add(CurrentDir(), listing);
    return listing;
}

void TFTPWorker::EndAbortedListing()
{
    // The user closed the data connection, not the server: nothing to
    // report. The transfer's final reply may still be on its way, so the
    // next operation starts on a fresh connection rather than read it as
    // the answer to its own command.
    if (EngineConnected())
        DoDisconnect();
}

// --- changing directory ------------------------------------------------------

void TFTPWorker::ChangeDir(const std::string& path)
{
    Invoke([&] { DoChangeDir(path); });
}

void TFTPWorker::ChangeDirUp()
{
    Invoke([this] { DoChangeDirUp(); });
}

void TFTPWorker::DoChangeDir(const std::string& path)
{
    BeginOperation("MainForm_strRSSTChangingDirectory");
    TIdleGuard idle{[this] { EndOperation(); }};
    if (path == CurrentDir())
        return;
    try {
        if (EngineConnected())
            engine_.ChangeWorkingDirectory(path);
        SetCurrentDir(engine_.QueryWorkingDirectory());
    } catch (const EIdException&) {
        if (HandleFailure(TRemoteOperation::roChangeDir))
            DoChangeDir(CurrentDir());
    }
}

void TFTPWorker::DoChangeDirUp()
{
    BeginOperation("MainForm_strRSSTChangingDirectory");
    TIdleGuard idle{[this] { EndOperation(); }};
    try {
        ReconnectIfClosed();
        engine_.ChangeToParentDirectory();
        SetCurrentDir(engine_.QueryWorkingDirectory());
    } catch (const EIdException&) {
        if (HandleFailure(TRemoteOperation::roChangeDirUp))
            DoChangeDir(CurrentDir());
    }
}

// --- short operations ----------------------------------------------------------

void TFTPWorker::MakeDir(const std::string& name)
{
    Invoke([&] {
        BeginOperation(nullptr);
        TIdleGuard idle{[this] { EndOperation(); }};
        try {
            ReconnectIfClosed();
            engine_.CreateRemoteDirectory(name);
        } catch (const EIdException&) {
            HandleFailure(TRemoteOperation::roMakeDir);
        }
    });
}

void TFTPWorker::DeleteEntry(const std::string& name)
{
    Invoke([&] {
        BeginOperation(nullptr);
        TIdleGuard idle{[this] { EndOperation(); }};
        try {
            engine_.DeleteRemoteFile(name);
        } catch (const EIdException&) {
            HandleFailure(TRemoteOperation::roDeleteFile);
        }
    });
}

void TFTPWorker::RenameEntry(const std::string& oldName, const std::string& newName)
{
    Invoke([&] {
        BeginOperation(nullptr);
        TIdleGuard idle{[this] { EndOperation(); }};
        try {
            ReconnectIfClosed();
            engine_.RenameRemote(oldName, newName);
        } catch (const EIdException&) {
            HandleFailure(TRemoteOperation::roRename);
        }
    });
}

void TFTPWorker::ChangeMode(const std::string& name, const std::string& mode)
{
    Invoke([&] { engine_.SendSiteCommand("CHMOD " + mode + " " + name); });
}

void TFTPWorker::ChangeOwner(const std::string& name, const std::string& owner)
{
    Invoke([&] { engine_.SendSiteCommand("CHOWN " + owner + " " + name); });
}

void TFTPWorker::ChangeGroup(const std::string& name, const std::string& group)
{
    Invoke([&] { engine_.SendSiteCommand("CHGRP " + group + " " + name); });
}
