#include "cli/CliSession.h"

#include "session/TransferExceptions.h"

#include <chrono>
#include <cstdio>

namespace {

// The operations limit themselves with the connection's timeouts; this only
// keeps a lost event from hanging the command for ever.
constexpr auto kWaitLimit = std::chrono::hours(24);

}  // namespace

TCliSession::TCliSession(const TCliTarget& target, const TCliOptions& options)
    : worker_(std::make_unique<TFTPWorker>(&dispatcher_))
{
    TFTPWorker& worker = *worker_;
    worker.OnBusy.Set([this](TFTPWorker&) {
        ++depth_;
        ++busyEvents_;
    });
    worker.OnIdle.Set([this](TFTPWorker&) { --depth_; });
    worker.OnConnected.Set([this](TFTPWorker&) { connected_ = true; });
    worker.OnLoggedIn.Set([this](TFTPWorker&) { loggedIn_ = true; });
    worker.OnListingReady.Set([this](TFTPWorker&) { listingReady_ = true; });
    worker.OnDeleteDone.Set([this](TFTPWorker&) { deleteDone_ = true; });
    const bool log = options.Log;
    worker.OnHostApplied.Set([options, log](TIdFTP& engine) {
        ApplyCliOptions(engine, options);
        if (log)
            engine.OnStatus = [](TIdStatus, const std::string& text) { LogLine("Status>", text); };
    });
    if (log)
        worker.OnLog.Set([](TWorkerLogKind kind, const std::string& text) {
            LogLine(kind == wlkCommand ? "Command>" : "Reply>", text);
        });
    worker.Start();
    Login(target.Host);
    if (log) {
        const std::string protocol = worker.TLSProtocol();
        if (!protocol.empty())
            LogLine("TLS>", protocol + " " + worker.TLSCipher());
    }
}

void TCliSession::Login(const THost& host)
{
    RunOperation([&] { worker_->SetHost(host); });
    if (!connected_) {
        RaisePendingError();
        // A server that is no FTP server (no 220 greeting) leaves no error.
        const EFTRemoteConnectionFailed failed;
        throw ECliSessionError(failed.ShortDescription(), failed.LongDescription());
    }
    // The connect requested the log-in; its busy event may still be on its way.
    if (!dispatcher_.WaitFor([this] { return loggedIn_ || (busyEvents_ >= 2 && depth_ == 0); }, kWaitLimit)
        || !dispatcher_.WaitFor([this] { return depth_ == 0; }, kWaitLimit))
        throw std::runtime_error("the session did not log in");
    RaisePendingError();
    if (!loggedIn_) {
        const EFTRemoteAuthenticationFailed failed;
        throw ECliSessionError(failed.ShortDescription(), failed.LongDescription());
    }
}

TCliSession::~TCliSession()
{
    worker_->Stop();
    worker_.reset();
}

void TCliSession::RunOperation(const std::function<void()>& request)
{
    dispatcher_.ProcessEvents();
    busyEvents_ = 0;
    request();
    WaitForIdleAfterBusy();
}

void TCliSession::WaitForIdleAfterBusy()
{
    if (!dispatcher_.WaitFor([this] { return busyEvents_ > 0 && depth_ == 0; }, kWaitLimit))
        throw std::runtime_error("the session stopped answering");
}

void TCliSession::RaisePendingError()
{
    dispatcher_.ProcessEvents();
    const std::unique_ptr<std::exception> error = worker_->PendingError().Take();
    if (!error)
        return;
    if (const auto* transfer = dynamic_cast<const EFTPTransferException*>(error.get()))
        throw ECliSessionError(transfer->ShortDescription(), transfer->LongDescription());
    throw ECliSessionError(error->what(), "");
}

void TCliSession::ChangeDir(const std::string& path)
{
    worker_->ChangeDir(path);
    RaisePendingError();
}

TFTPWorker::TListing TCliSession::List()
{
    listingReady_ = false;
    RunOperation([this] { worker_->RequestListing(); });
    RaisePendingError();
    TFTPWorker::TListing listing = worker_->Listing();
    if (!listingReady_ || !listing) {
        const EFTRemoteDirectoryCantRead failed;
        throw ECliSessionError(failed.ShortDescription(), failed.LongDescription());
    }
    return listing;
}

void TCliSession::Run(const std::function<void(TFTPWorker&)>& operation)
{
    operation(*worker_);
    RaisePendingError();
}

void TCliSession::DeleteTree(const std::string& name)
{
    deleteDone_ = false;
    RunOperation([&] { worker_->RequestRecursiveDelete({name}); });
    RaisePendingError();
    if (!deleteDone_) {
        const EFTRemoteFileCantDelete failed;
        throw ECliSessionError(failed.ShortDescription(), failed.LongDescription());
    }
}

void TCliSession::Walk(const std::string& path, const std::function<void(const TIdFTPListItems&)>& visit)
{
    bool done = false;
    worker_->OnSearchListing.Set(visit);
    worker_->OnSearchDone.Set([&done](TFTPWorker&) { done = true; });
    try {
        // The walk fires its busy and idle events only through its final
        // change back to the folder it started in.
        RunOperation([&] { worker_->RequestRecursiveSearch(path); });
    } catch (...) {
        worker_->OnSearchListing.Clear();
        worker_->OnSearchDone.Clear();
        throw;
    }
    worker_->OnSearchListing.Clear();
    worker_->OnSearchDone.Clear();
    RaisePendingError();
    if (!done) {
        const EFTRemoteDirectoryCantChange failed;
        throw ECliSessionError(failed.ShortDescription(), failed.LongDescription());
    }
}

void PrintSessionError(const ECliSessionError& error)
{
    std::fprintf(stderr, "%s\n", error.what());
    if (!error.LongText().empty() && error.LongText() != error.what())
        std::fprintf(stderr, "%s\n", error.LongText().c_str());
}
