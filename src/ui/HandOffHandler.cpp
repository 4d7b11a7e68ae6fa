#include "ui/HandOffHandler.h"

#include "hosts/Hosts.h"
#include "hosts/QuickHosts.h"
#include "integration/HandOffRequests.h"
#include "integration/HandOffServer.h"
#include "platform/Registry.h"
#include "ui/DestinationDirectoryForm.h"
#include "ui/LogWriter.h"
#include "ui/MainForm.h"

#include <QDialog>

#include <exception>

THandOffHandler::THandOffHandler(TMainForm& window, std::string dataDirectory)
    : window_(window), dataDirectory_(std::move(dataDirectory))
{
}

void THandOffHandler::Attach(THandOffServer& server)
{
    server.OnURL = [this](const std::string& url) { RunWhenReady([this, url] { OpenURL(url); }); };
    server.OnFiles = [this](int index, const std::vector<std::string>& paths) {
        RunWhenReady([this, index, paths] { UploadFiles(index, paths); });
    };
    server.OnRefused = [this](const std::string& reason) { Refused(reason); };
    server.OnActivate = [this] {
        if (!window_.IsClosing())
            BringToFront();
    };
}

void THandOffHandler::Ready()
{
    ready_ = true;
    // A request may open a dialog, during which more may arrive: those
    // run at once, as they would after start-up.
    std::vector<std::function<void()>> waiting;
    waiting.swap(waiting_);
    for (const auto& request : waiting)
        request();
}

void THandOffHandler::RunWhenReady(std::function<void()> request)
{
    if (ready_)
        request();
    else
        waiting_.push_back(std::move(request));
}

void THandOffHandler::OpenURL(const std::string& url)
{
    if (window_.IsClosing())
        return;
    THost host;
    try {
        host = HostFromBrowserURL(url);
    } catch (const std::exception& e) {
        window_.WriteLog(lkStatus, "The link " + url + " cannot be opened: " + e.what());
        return;
    }
    BringToFront();
    try {
        window_.QuickHosts().AddOrUpdate(host);
    } catch (const std::exception& e) {
        // The history could not be written; the link still opens.
        window_.WriteLog(lkStatus, std::string("The quick-connect history was not saved: ") + e.what());
    }
    window_.ConnectToHost(host);
}

void THandOffHandler::UploadFiles(int hostIndex, const std::vector<std::string>& paths)
{
    if (window_.IsClosing())
        return;
    const THost* stored = nullptr;
    try {
        stored = ResolveUploadHost(TRegistry(dataDirectory_), window_.Hosts(), hostIndex);
    } catch (const std::exception& e) {
        window_.WriteLog(lkStatus, std::string("The host list cannot be read: ") + e.what());
        return;
    }
    if (!stored) {
        window_.WriteLog(lkStatus, "Files handed over for upload name no stored host (number " +
                                       std::to_string(hostIndex) + "); nothing was queued.");
        return;
    }
    // The host tree may change while the dialog is open: keep a copy.
    THost host;
    host.Assign(*stored);
    BringToFront();
    TDestinationDirectoryForm form(host, &window_);
    if (form.exec() != QDialog::Accepted || window_.IsClosing())
        return;
    try {
        QueueHandedUploads(window_.Queue(), host, form.Destination(), paths);
    } catch (...) {
        window_.HandleException(std::current_exception());
    }
}

void THandOffHandler::Refused(const std::string& reason)
{
    window_.WriteLog(lkStatus, "A request from another start of the program was refused: " + reason);
}

void THandOffHandler::BringToFront()
{
    if (window_.isMinimized() || !window_.isVisible())
        window_.showNormal();
    window_.raise();
    window_.activateWindow();
}
