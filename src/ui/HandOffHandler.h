#pragma once
// THandOffHandler: what the main window does with a request another start
// of the program handed over (a link from the browser, files from the file
// manager's "Upload to" menu).
//
// - A link becomes a new quick-connect history entry, then the window
//   connects to it and lists the link's folder after the login. A link that
//   cannot be read is logged and changes nothing.
// - Files go to the stored host at the given place of the registry host
//   index: the window comes to the front, the destination-directory dialog
//   asks where to, and one upload item per file or folder is queued, marked
//   to run (the queue is not started here). An index that names no host
//   (out of range, or the host was deleted since) is logged and nothing is
//   shown.
//
// - A start without a request brings the window to the front.
//
// Contract: user-interface thread; `window` outlives the handler. Nothing
// here raises: every failure ends up in the window's log. Requests that
// arrive through Attach() before Ready() (the window is still starting, a
// first-run wizard may be open) wait and run in order at Ready().

#include <functional>
#include <string>
#include <vector>

class THandOffServer;
class TMainForm;

class THandOffHandler {
public:
    /// `dataDirectory` holds the registry host index.
    THandOffHandler(TMainForm& window, std::string dataDirectory);

    /// Routes the server's events here.
    void Attach(THandOffServer& server);
    /// The window has started: runs the requests that waited.
    void Ready();

    void OpenURL(const std::string& url);
    void UploadFiles(int hostIndex, const std::vector<std::string>& paths);
    void Refused(const std::string& reason);

private:
    void BringToFront();
    void RunWhenReady(std::function<void()> request);

    TMainForm& window_;
    std::string dataDirectory_;
    bool ready_ = false;
    std::vector<std::function<void()>> waiting_;
};
