#pragma once
// TUpdateCheckDialogs: "Check for updates" as the user sees it. Run()
// fetches the latest version in the background (the window stays usable,
// the mouse shows a busy pointer) and then shows one of three message
// boxes: already the latest version (OK), a new version with Yes/No, Yes
// handing the installer address to the desktop's web browser, or the
// failure with the error's class and message (OK). Nothing is stored.
//
// Contract: user-interface thread; a child of `owner`, so it goes with the
// window (a check still running is then dropped). A Run() while a check
// runs does nothing.

#include "integration/UpdateCheck.h"

#include <QObject>

#include <functional>
#include <string>

class QWidget;

class TUpdateCheckDialogs : public QObject {
    Q_OBJECT
public:
    /// `baseURL` and `currentVersion` as TUpdateCheck takes them (empty:
    /// the environment's or default address, the build's version).
    explicit TUpdateCheckDialogs(QWidget* owner, std::string baseURL = {}, std::string currentVersion = {});
    ~TUpdateCheckDialogs() override;

    /// Answers false when a check is already running.
    bool Run();
    bool Running() const { return check_.Running(); }

    /// Opens the installer address; the default asks the desktop
    /// (QDesktopServices). Answers whether it could.
    std::function<bool(const std::string& url)> OpenInstaller;

private:
    void Show(const TUpdateCheckOutcome& outcome);

    QWidget* owner_;
    TUpdateCheck check_;
    bool busyPointer_ = false;
};
