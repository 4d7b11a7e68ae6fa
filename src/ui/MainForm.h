#pragma once
// TMainForm: the main window and the controller of the whole program. It
// creates and owns the long-lived stores (transfer types, hosts, the
// quick-connect history, the queue), the browsing worker with its event
// pump, the panes, every action and the menus built at run time, and it
// runs start-up and the orderly shutdown.
//
// Contract:
// - User-interface thread only. The process-wide settings and filters are
//   created before the window and outlive it (they are passed in).
// - Worker events reach the window through a TEventDispatcher owned by this
//   thread, in the order the worker fired them; the worker's errors arrive
//   as a queued notification and are shown in the worker error dialog.
// - Closing asks "Are you sure you want to close?" (suppressible) unless
//   CloseWithoutQuestion() is used; after the answer Yes the window saves
//   what it keeps, stops the worker (at most 3000 ms for the disconnect and
//   1000 ms for the thread) and closes. Saving errors never stop the close.
// - Windows that later parts of the program provide (host manager,
//   wizards, settings, ...) plug in through Hooks(); an unset hook leaves
//   its action without effect.

#include "hosts/Host.h"
#include "session/EventDispatcher.h"
#include "ui/ActionTable.h"

#include <QMainWindow>
#include <QPointer>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class QActionGroup;
class QMimeData;
class IPowerOff;
class TQueueItem;
class TQueuePage;
class TPaneDropHandler;
class QCloseEvent;
class QLabel;
class QMenu;
class QSplitter;
class QStackedWidget;
class QSystemTrayIcon;
class QTabWidget;
class QTimer;
class QToolBar;
class QToolButton;
class TFileTransferTypes;
class TFilter;
class TFilters;
class TFTPWorker;
class THosts;
class TLocalPane;
class TLogPane;
class TMainConfig;
class TQtEventPump;
class TQueueManager;
class TQuickHosts;
class TCertificateTrust;
class TTrustedCertificates;
struct TTrustQuestion;
class TRemoteListView;
class TRemotePathBox;
class TRemoteEditing;
class TStatusBar;
class TUnhandledExceptionLog;
class TLanguageSubscription;

/// What the first-run wizard answers.
struct TFirstRunChoice {
    bool AddSampleHosts = false;
    bool ShowAddHostWizard = false;
    int Language = 1033;
};

/// Windows that other parts of the program provide. Each answers whether
/// the user confirmed (OK) where that matters.
struct TMainFormHooks {
    std::function<TFirstRunChoice(QWidget* owner)> FirstRunWizard;
    std::function<void(QWidget* owner)> TipOfTheDay;
    std::function<bool(QWidget* owner)> HostManager;
    std::function<void(QWidget* owner)> AddHostWizard;
    /// The host to connect to, or nothing when cancelled.
    std::function<std::optional<THost>(QWidget* owner)> QuickConnect;
    std::function<void(QWidget* owner)> Settings;
    std::function<void(QWidget* owner)> EditFilters;
    std::function<void(QWidget* owner, THost& host)> EditBookmarks;
    std::function<void(QWidget* owner)> About;
    std::function<void(QWidget* owner)> CheckForUpdates;
    std::function<void(QWidget* owner)> AdvancedSearch;
    std::function<void(QWidget* owner)> Properties;
    std::function<void(QWidget* owner)> CustomizeToolbar;
    /// Whether the program handles ftp links in the web browser, and making
    /// it do so (the default-program question at start-up).
    std::function<bool()> IsDefaultFtpProgram;
    std::function<void()> MakeDefaultFtpProgram;
    /// Opens a downloaded item marked "open when done" for editing.
    std::function<void(TQueueItem& item)> OpenForEditing;
    /// Runs once after the delayed start-up (requests handed over by
    /// another start of the program wait for it).
    std::function<void()> AfterStartup;
};

class TMainForm : public QMainWindow {
    Q_OBJECT
public:
    /// The window's title.
    static constexpr const char* Caption = "Tovrel FTP";
    /// Cursor values of the busy state.
    static constexpr int BusyCursor = -11;
    static constexpr int NormalCursor = 0;

    TMainForm(TMainConfig& config, TFilters& filters, QWidget* parent = nullptr);
    ~TMainForm() override;

    TMainFormHooks& Hooks() { return hooks_; }

    // --- controller operations -------------------------------------------
    void ConnectToHost(const THost& host);
    void RebuildHostMenus();
    void RebuildFilterMenus();
    void RebuildBookmarkMenus();
    void ApplySettings();
    /// Any thread.
    void WriteLog(std::uint8_t kind, std::string_view text);
    int ShowSuppressibleDialog(std::string_view name, const std::vector<std::string>& arguments, int kind,
                               unsigned buttons, int answerWhenSuppressed);
    /// Closes in order without the close question (termination signals).
    void CloseWithoutQuestion();
    /// The worker thread ended while the program runs: tell the user and
    /// end the process at once, saving nothing.
    void WorkerDied();
    /// The application-wide handler: logs one status line (until shutdown).
    void HandleException(std::exception_ptr error);

    // --- parts and state (tests, later windows) ----------------------------
    QAction* Action(std::string_view name) const;
    TActionState ActionState() const;
    TFTPWorker& Worker() { return *worker_; }
    THosts& Hosts() { return *hosts_; }
    TFileTransferTypes& TransferTypes() { return *transferTypes_; }
    TQuickHosts& QuickHosts() { return *quickHosts_; }
    TFilters& Filters() { return filters_; }
    TLocalPane* LocalPane() const { return localPane_; }
    TRemoteListView* RemoteList() const { return remoteList_; }
    TRemotePathBox* RemotePathBox() const { return remotePathBox_; }
    TLogPane* LogPane() const { return logPane_; }
    TStatusBar* StatusPanel() const { return statusBar_; }
    QTabWidget* BottomPages() const { return bottomPages_; }
    QToolButton* HostSelector() const { return hostSelector_; }
    QMenu* ConnectToMenu() const { return connectToMenu_; }
    QMenu* RemoteFilterMenu() const { return remoteFilterMenu_; }
    QMenu* LocalFilterMenu() const { return localFilterMenu_; }
    QMenu* BookmarkMenu() const { return bookmarkMenu_; }
    QMenu* RemotePopupMenu() const { return remotePopup_; }
    QSplitter* PaneSplitter() const { return paneSplitter_; }
    QSplitter* BottomSplitter() const { return bottomSplitter_; }
    QSystemTrayIcon* TrayIcon() const { return tray_; }
    TQueuePage* QueueView() const { return queueView_; }
    /// Drag and drop on the panes and the queue list.
    TPaneDropHandler* DropHandler() const { return dropHandler_; }
    TQueueManager& Queue() { return *queue_; }
    /// The copies opened for editing (none when no private temporary
    /// folder could be made).
    TRemoteEditing* RemoteEditing() const { return remoteEditing_.get(); }
    /// How the computer is turned off after the queue (none: it is not).
    void SetPowerOff(std::unique_ptr<IPowerOff> powerOff);
    /// A drop on the queue list (also for tests); answers whether it acted.
    bool DropOnQueue(const QMimeData& dropped);
    bool IsConnected() const { return connected_; }
    bool IsAuthenticated() const { return authenticated_; }
    bool IsBusy() const { return busy_; }
    const THost& CurrentHost() const { return currentHost_; }
    const std::string& HomeDirectory() const { return homeDirectory_; }
    bool DelayedStartupDone() const { return delayedStartupDone_; }
    /// The close was confirmed: the stores are going or gone.
    bool IsClosing() const { return closing_; }

    // --- actions a menu entry runs (also for tests) -------------------------
    /// The Connect action from a host-menu entry (index into the host list),
    /// or -1 for the last connected host.
    void ConnectFromMenu(int hostIndex);
    void SelectRemoteFilter(const TFilter& filter);
    /// The simple find in the focused list: the next row containing `text`.
    bool FindNext(const QString& text);
    /// Opens the help file of the active language, at `topic` when it is
    /// above 0 (the "topic-<n>" anchor).
    void ShowHelp(int topic = 0);
    /// The current host's URL, folder and selected row, as Copy URL puts it.
    QString SelectedRowURL() const;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    // creation, start-up and shutdown (MainForm.cpp)
    void CreateStores();
    void WriteAppFilename();
    void LoadLanguage();
    void CreateWorker();
    /// A new worker with the window's events attached, started.
    void StartWorker();
    void AttachWorkerEvents(bool attach);
    void CreateQueue();
    void DelayedStartup();
    void RunFirstRunWizard();
    void AskDefaultFtpProgram();
    bool Shutdown();
    void StopWorker();
    /// Runs `f`; an exception it raises goes to the handler (logged).
    void Guarded(const std::function<void()>& f);

    // layout (MainFormLayout.cpp)
    void BuildActions();
    void BuildMenus();
    void BuildToolbars();
    QWidget* BuildRemotePane();
    QWidget* BuildBottomPanel();
    void BuildTray();
    void ApplyWindowTexts();
    void RestoreLayout();
    void SaveLayout();
    void RestoreToolbars();
    void SetViewStyle(bool remote, int style);

    // actions (MainFormActions.cpp)
    void WireActions();
    void WireRemoteList();
    void UpdateActions();
    void RemoteRefresh();
    void RemoteUp();
    void RemoteHome();
    void RemoteEnter(const std::string& name);
    void RemoteChangeDir(const std::string& path);
    void RemoteDeleteSelected();
    void RemoteMakeDirectory();
    bool RemoteRename(const std::string& oldName, const std::string& newName);
    void RemoteInvertSelection();
    void RefreshFocused();
    void SelectAllFocused();
    void OpenSimpleFind();
    void CopyURL();
    void MinimizeToTray();
    void ShowFiltersMenu();
    void ShowRemotePopup(const QPoint& position);

    // the queue (MainFormQueue.cpp)
    void CreateQueueView();
    void CreateDropHandler();
    void ReleaseQueue();
    void WireQueueActions();
    void ShowQueuePopup(const QPoint& position);
    void QueueLocalSelection(bool scheduled);
    void QueueRemoteSelection(bool scheduled);
    void QueueRemoteRows(const std::vector<int>& rows, const std::string& localFolder, bool scheduled);
    void QueueItemLeft(TQueueItem& item);
    void SaveQueueToFile();
    void LoadQueueFromFile();
    QString QueueFileDialog(bool save);

    // remote editing (MainFormEditing.cpp)
    void CreateRemoteEditing();
    void OpenRemoteSelection();

    // menus built at run time (MainFormMenus.cpp)
    void AddCurrentDirBookmark();
    void EditBookmarks();

    // certificate trust (MainFormTrust.cpp)
    void CreateCertificateTrust();
    /// Any thread: the question, handed over to this thread.
    int AskCertificateQuestion(const TTrustQuestion& question);
    void ReleaseCertificateTrust();
    void ShowConnectionCertificate();

    // worker events (MainFormSession.cpp)
    void OnWorkerBusy();
    void OnWorkerIdle();
    void OnWorkerConnected();
    void OnWorkerLoggedIn();
    void OnWorkerListingReady();
    void OnWorkerDisconnected();
    void OnWorkerDeleteDone();
    void SetWorkerCursor(int cursor);

    TMainConfig& config_;
    TFilters& filters_;
    TMainFormHooks hooks_;

    // stores, freed in this order: queue, quick hosts, hosts, transfer types
    std::unique_ptr<TFileTransferTypes> transferTypes_;
    std::unique_ptr<THosts> hosts_;
    std::unique_ptr<TQuickHosts> quickHosts_;
    // the trust every connection asks (MainFormTrust.cpp); freed after the
    // worker and the queue, which use it
    std::unique_ptr<TTrustedCertificates> trustedCertificates_;
    std::unique_ptr<TCertificateTrust> certificateTrust_;
    std::unique_ptr<TQueueManager> queue_;
    std::unique_ptr<IPowerOff> powerOff_;

    TEventDispatcher dispatcher_;
    TQtEventPump* pump_ = nullptr;
    std::unique_ptr<TFTPWorker> worker_;
    std::unique_ptr<TUnhandledExceptionLog> exceptionLog_;
    std::unique_ptr<TLanguageSubscription> languageSubscription_;

    // session state
    THost currentHost_;
    std::string homeDirectory_;
    bool connected_ = false;
    bool authenticated_ = false;
    bool busy_ = false;
    std::vector<std::string> deletionList_;
    std::unique_ptr<TRemoteEditing> remoteEditing_;
    bool turnOffAfterQueue_ = false;

    // window parts
    std::map<std::string, QAction*, std::less<>> actions_;
    TLocalPane* localPane_ = nullptr;
    TRemoteListView* remoteList_ = nullptr;
    QStackedWidget* remoteStack_ = nullptr;  // the list and its names-only view
    TRemotePathBox* remotePathBox_ = nullptr;
    QLabel* remoteSummary_ = nullptr;
    QToolBar* mainToolbar_ = nullptr;
    QToolBar* remoteToolbar_ = nullptr;
    QToolBar* queueLogToolbar_ = nullptr;
    QToolButton* hostSelector_ = nullptr;
    QMenu* hostSelectorMenu_ = nullptr;
    QMenu* connectToMenu_ = nullptr;
    QMenu* remoteFilterMenu_ = nullptr;
    QMenu* localFilterMenu_ = nullptr;
    QMenu* bookmarkMenu_ = nullptr;
    QMenu* toolbarBookmarkMenu_ = nullptr;
    QMenu* remotePopup_ = nullptr;
    QMenu* queuePopup_ = nullptr;
    QMenu* toolbarPopup_ = nullptr;
    std::vector<QMenu*> titledMenus_;
    QActionGroup* localStyles_ = nullptr;
    QActionGroup* remoteStyles_ = nullptr;
    QSplitter* paneSplitter_ = nullptr;
    QSplitter* bottomSplitter_ = nullptr;
    QTabWidget* bottomPages_ = nullptr;
    QWidget* queuePage_ = nullptr;
    TQueuePage* queueView_ = nullptr;
    TPaneDropHandler* dropHandler_ = nullptr;
    TLogPane* logPane_ = nullptr;
    TStatusBar* statusBar_ = nullptr;
    QSystemTrayIcon* tray_ = nullptr;
    QTimer* startupTimer_ = nullptr;
    int hostSelectorIndex_ = -1;
    QString findText_;

    bool shown_ = false;
    bool delayedStartupDone_ = false;
    bool closing_ = false;
    bool askOnClose_ = true;
};
