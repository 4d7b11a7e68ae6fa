#pragma once
// The real main window in a test: a private configuration home, the
// off-screen platform, waits that run the event loop until a condition
// holds, and answers for the modal questions the window asks.

#include "hosts/Host.h"
#include "servers/TestServers.h"
#include "store/ConfigTestSupport.h"

#include <QPointer>
#include <QTimer>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

// Readable test failures.
inline void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}
inline void PrintTo(const QStringList& list, std::ostream* out)
{
    *out << '[' << list.join(QStringLiteral(", ")).toStdString() << ']';
}

class QWidget;
class TFilters;
class TMainConfig;
class TMainForm;

/// Creates the one QApplication of the test process (off-screen).
void EnsureTestApplication();

/// Runs the event loop until `condition` holds or `milliseconds` passed.
bool WaitUntil(const std::function<bool()>& condition, int milliseconds = 30000);

/// The in-place name editor open in `view`, or nullptr.
class QLineEdit;
QLineEdit* OpenEditor(QWidget* view);

/// Clicks the button of `dialog` whose caption (without "&") is `caption`.
bool ClickButton(QWidget* dialog, const QString& caption);

class TMainWindowHarness {
public:
    TMainWindowHarness();
    ~TMainWindowHarness();

    /// Stores a host for `server` in "Hosts.xml" and, when `last`, makes it
    /// the last connected one. Call before Open().
    THost StoreHost(const TestFtpServer& server, const std::string& name = "Loopback", bool last = true,
                    const std::string& initialRemoteDirectory = "");

    /// Creates the settings (when needed), the filters and the window,
    /// shows it and waits for the delayed start-up.
    void Open();
    /// Asks the window to close; answers whether it did.
    bool Close();
    /// Frees the window, the filters and the settings (which save), as the
    /// end of the process does.
    void Destroy();

    TMainForm& Form() { return *form_; }
    TMainConfig& Config();
    std::string DataDir() const { return home.DataDir(); }

    /// Runs `answer` on the next modal window once it shows.
    void OnNextModal(std::function<void(QWidget*)> answer);
    /// Whether a modal window is waiting for OnNextModal.
    bool ModalAnswered() const { return *answered_; }

    /// The Connect action; waits until logged in, listed and idle.
    bool Connect();
    /// Waits until the worker is idle and the view shows `directory`.
    bool WaitForListing(const std::string& directory);
    QStringList RemoteCaptions() const;
    /// Selects the remote rows with these captions (and only them).
    void SelectRemote(const QStringList& captions);
    /// Everything the log pane shows.
    QString LogText() const;

    TScopedConfigHome home;

private:
    std::unique_ptr<TMainConfig> config_;
    std::unique_ptr<TFilters> filters_;
    std::unique_ptr<TMainForm> form_;
    std::shared_ptr<bool> answered_ = std::make_shared<bool>(true);
    // Answers still waiting for a window; they die with the harness, since
    // they may refer to a finished test's locals.
    std::vector<QPointer<QTimer>> pendingAnswers_;
};
