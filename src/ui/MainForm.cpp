#include "ui/MainForm.h"

#include "hosts/TrustedCertificates.h"
#include "session/CertificateTrust.h"

#include "hosts/FileTransferTypes.h"
#include "hosts/Filters.h"
#include "hosts/Hosts.h"
#include "hosts/QuickHosts.h"
#include "i18n/Format.h"
#include "i18n/LanguageManager.h"
#include "platform/PowerOff.h"
#include "platform/Registry.h"
#include "platform/RemoteEditing.h"
#include "queue/QueueManager.h"
#include "session/CertificateTrust.h"
#include "session/FTPWorker.h"
#include "session/TransferExceptions.h"
#include "store/MainConfig.h"
#include "ui/FTPWorkerErrorForm.h"
#include "ui/LocalPane.h"
#include "ui/LogPane.h"
#include "ui/QtEventPump.h"
#include "ui/QueuePage.h"
#include "ui/RemoteListView.h"
#include "ui/RemotePathBox.h"
#include "ui/StatusBar.h"
#include "ui/SuppressibleDialog.h"
#include "ui/UnhandledExceptionLog.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLabel>
#include <QMessageBox>
#include <QSystemTrayIcon>
#include <QTabWidget>
#include <QThread>
#include <QTimer>
#include <QToolButton>

#include <cstdio>
#include <cstdlib>

namespace {

constexpr const char* kRegistryRoot = "Software\\Tovrel FTP";
constexpr int kStartupDelayMs = 100;
constexpr int kDisconnectWaitMs = 3000;

} // namespace

TMainForm::TMainForm(TMainConfig& config, TFilters& filters, QWidget* parent)
    : QMainWindow(parent), config_(config), filters_(filters)
{
    setObjectName(QStringLiteral("MainForm"));
    setWindowTitle(QString::fromLatin1(Caption));
    exceptionLog_ = std::make_unique<TUnhandledExceptionLog>();
    powerOff_ = std::make_unique<TLogindPowerOff>();

    // The window parts first: the steps below log and fill them.
    BuildActions();
    BuildMenus();
    BuildToolbars();
    BuildTray();
    exceptionLog_->Attach([this](const std::string& line) { WriteLog(lkStatus, line); });

    CreateStores();
    WriteAppFilename();
    LoadLanguage();
    CreateCertificateTrust();
    CreateWorker();
    CreateQueue();
    WireActions();
    WireQueueActions();
    WireRemoteList();
    ApplySettings();
    RestoreLayout();
    UpdateActions();

    startupTimer_ = new QTimer(this);
    startupTimer_->setSingleShot(true);
    startupTimer_->setInterval(kStartupDelayMs);
    connect(startupTimer_, &QTimer::timeout, this, [this] {
        Guarded([this] { DelayedStartup(); });
        if (hooks_.AfterStartup && !closing_)
            Guarded(hooks_.AfterStartup);
    });
}

TMainForm::~TMainForm()
{
    if (!closing_) {
        // Destroyed without a close (a test, or the process ends): still stop
        // the worker before its dispatcher goes.
        closing_ = true;
        AttachWorkerEvents(false);
        StopWorker();
    }
    ReleaseQueue();
    quickHosts_.reset();
    hosts_.reset();
    transferTypes_.reset();
    worker_.reset();
    ReleaseCertificateTrust();
    // The pump is a child widget's sibling that would otherwise outlive the
    // dispatcher it serves (members go before the children).
    delete pump_;
    pump_ = nullptr;
}

// --- creation -----------------------------------------------------------------

void TMainForm::CreateStores()
{
    const std::string& dir = config_.DataDirectory();
    transferTypes_ = std::make_unique<TFileTransferTypes>(dir);
    hosts_ = std::make_unique<THosts>(dir);
    quickHosts_ = std::make_unique<TQuickHosts>(dir);
    // A keyring that has appeared since the last start takes the passwords
    // the files still hold.
    try {
        hosts_->MovePasswordsToKeyring();
        quickHosts_->MovePasswordsToKeyring();
    } catch (const std::exception& e) {
        WriteLog(lkStatus, e.what());
    }
}

void TMainForm::WriteAppFilename()
{
    // Read by the desktop integration, which starts the program by it.
    try {
        TRegistry registry(config_.DataDirectory());
        registry.WriteString(kRegistryRoot, "AppFilename", QCoreApplication::applicationFilePath().toStdString());
    } catch (const std::exception& e) {
        std::fprintf(stderr, "Tovrel FTP: program path not recorded: %s\n", e.what());
    }
}

void TMainForm::LoadLanguage()
{
    bool loaded = false;
    try {
        loaded = LangManager().Start(TLanguageManager::DefaultDataDirectories(), config_.Language());
    } catch (const std::exception&) {
        loaded = false;
    }
    if (!loaded) {
        QMessageBox::critical(this, QString::fromStdString(LoadStr("MainForm_strError")),
                              QStringLiteral("Could not load language file. Reverting to English."));
        LangManager().SetActiveLanguage(TLanguageManager::BuiltInLanguageId);
    }
    ApplyWindowTexts();
    languageSubscription_ = std::make_unique<TLanguageSubscription>(LangManager().SubscribeLanguageChanged([this] {
        // The settings dialog switches on this thread; anything else is
        // brought here first.
        QMetaObject::invokeMethod(this, [this] {
            ApplyWindowTexts();
            Guarded([this] { RebuildHostMenus(); });
        }, Qt::AutoConnection);
    }));
}

void TMainForm::CreateWorker()
{
    pump_ = new TQtEventPump(dispatcher_, this);
    pump_->SetExceptionHandler([this](std::exception_ptr error) { HandleException(error); });
    StartWorker();
}

void TMainForm::StartWorker()
{
    worker_ = std::make_unique<TFTPWorker>(&dispatcher_);
    AttachWorkerEvents(true);
    // Commands and replies of the browsing connection, on its own thread.
    worker_->OnLog.Set([writer = logPane_->Writer()](TWorkerLogKind kind, const std::string& text) {
        writer->WriteLog(kind == wlkCommand ? lkCommand : lkReply, text);
    });
    worker_->Start();
    worker_->OnDeleteDone.Set([this](TFTPWorker&) { OnWorkerDeleteDone(); });
    worker_->PendingError().SetOnErrorPending([this] {
        QMetaObject::invokeMethod(this, [this] {
            if (!closing_)
                ShowWorkerError(this, worker_->PendingError());
        }, Qt::QueuedConnection);
    });
    currentHost_ = THost();
    connected_ = authenticated_ = busy_ = false;
}

void TMainForm::AttachWorkerEvents(bool attach)
{
    TFTPWorker& w = *worker_;
    if (!attach) {
        for (auto* slot : {&w.OnThreadEnded, &w.OnDisconnected, &w.OnListingReady, &w.OnLoggedIn, &w.OnBusy,
                           &w.OnIdle, &w.OnConnected, &w.OnDeleteDone})
            slot->Clear();
        w.PendingError().SetOnErrorPending(nullptr);
        return;
    }
    // Replaced once the dead worker's own event has returned.
    w.OnThreadEnded.Set([this](TFTPWorker&) { QTimer::singleShot(0, this, [this] { WorkerDied(); }); });
    w.OnConnected.Set([this](TFTPWorker&) { OnWorkerConnected(); });
    w.OnDisconnected.Set([this](TFTPWorker&) { OnWorkerDisconnected(); });
    w.OnListingReady.Set([this](TFTPWorker&) { OnWorkerListingReady(); });
    w.OnLoggedIn.Set([this](TFTPWorker&) { OnWorkerLoggedIn(); });
    w.OnBusy.Set([this](TFTPWorker&) { OnWorkerBusy(); });
    w.OnIdle.Set([this](TFTPWorker&) { OnWorkerIdle(); });
}

void TMainForm::CreateQueue()
{
    queue_ = std::make_unique<TQueueManager>(dispatcher_, transferTypes_.get());
    queue_->SetHostLookup(HostLookupIn(*hosts_, *quickHosts_));
    CreateQueueView();
    queue_->SetUploadSameSizeDefault(config_.RemoteFileAlreadyExistsAction());
    queue_->SetUploadSmallerDefault(config_.RemoteFileSmallerAlreadyExistsAction());
    queue_->SetDownloadSameSizeDefault(config_.LocalFileAlreadyExistsAction());
    queue_->SetDownloadSmallerDefault(config_.LocalFileSmallerAlreadyExistsAction());
    // A damaged queue file is logged; the program starts with what was read.
    Guarded([this] { queue_->LoadDefault(); });
    CreateRemoteEditing();
}

void TMainForm::SetPowerOff(std::unique_ptr<IPowerOff> powerOff)
{
    powerOff_ = std::move(powerOff);
}

void TMainForm::ApplySettings()
{
    if (config_.TrayIcon())
        tray_->show();
    else if (isVisible())
        tray_->hide();
    const bool remoteSummary = config_.ShowRemoteSelectionPanel();
    remoteSummary_->setVisible(remoteSummary);
    remoteList_->SetSummaryEnabled(remoteSummary);
    if (remoteSummary)
        remoteSummary_->setText(remoteList_->SelectionSummary());
    localPane_->SetSummaryVisible(config_.ShowLocalSelectionPanel());
    queue_->SetDownloadSameSizeDefault(config_.LocalFileAlreadyExistsAction());
    queue_->SetDownloadSmallerDefault(config_.LocalFileSmallerAlreadyExistsAction());
    queue_->SetUploadSameSizeDefault(config_.RemoteFileAlreadyExistsAction());
    queue_->SetUploadSmallerDefault(config_.RemoteFileSmallerAlreadyExistsAction());
}

// --- first show and the delayed start-up ---------------------------------------

void TMainForm::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (shown_)
        return;
    shown_ = true;
    Guarded([this] { RebuildHostMenus(); });
    Guarded([this] { RebuildFilterMenus(); });
    SetViewStyle(false, config_.LocalViewStyle());
    SetViewStyle(true, config_.RemoteViewStyle());
    startupTimer_->start();
}

void TMainForm::DelayedStartup()
{
    startupTimer_->stop();
    delayedStartupDone_ = true;
    localPane_->SetSortColumn(config_.LocalSortColumn());
    localPane_->Refresh();
    remoteList_->SetSort(config_.RemoteHeaderSortColumn(),
                         config_.RemoteHeaderSortDirection() == sdAscending ? 0 : 1);

    if (config_.FirstRun())
        RunFirstRunWizard();
    else
        AskDefaultFtpProgram();
    if (config_.PlayQueueOnStartup())
        Action("PlayQueueAction")->trigger();
    if (config_.ShowTipOnStartup() && hooks_.TipOfTheDay)
        hooks_.TipOfTheDay(this);
    if (config_.ShowHostManagerOnStartup())
        Action("EditHostsAction")->trigger();
    if (config_.ShowQuickConnectOnStartup())
        Action("QuickConnectAction")->trigger();
}

void TMainForm::RunFirstRunWizard()
{
    if (!hooks_.FirstRunWizard) {
        config_.SetFirstRun(false);
        return;
    }
    const TFirstRunChoice choice = hooks_.FirstRunWizard(this);
    if (choice.AddSampleHosts) {
        hosts_->AddDefaultHosts();
        RebuildHostMenus();
    }
    if (choice.ShowAddHostWizard)
        Action("AddHostAction")->trigger();
    config_.SetLanguage(choice.Language);
    LangManager().SetActiveLanguage(choice.Language);
    config_.SetFirstRun(false);
    ApplyWindowTexts();
}

void TMainForm::AskDefaultFtpProgram()
{
    if (!hooks_.IsDefaultFtpProgram || hooks_.IsDefaultFtpProgram())
        return;
    if (ShowSuppressibleDialog("IDS_54", {}, mtConfirmation, mbYes | mbNo, 0) == mrYes &&
        hooks_.MakeDefaultFtpProgram)
        hooks_.MakeDefaultFtpProgram();
}

// --- connecting -------------------------------------------------------------------

void TMainForm::ConnectToHost(const THost& host)
{
    hostSelector_->setEnabled(false);
    struct TEnableAgain {
        QToolButton* Button;
        ~TEnableAgain() { Button->setEnabled(true); }
    } enableAgain{hostSelector_};

    // A host naming a dial-up connection: the desktop keeps its network up
    // itself, so there is nothing to dial here.
    homeDirectory_.clear();
    currentHost_.Assign(host);
    WriteLog(lkStatus, Format(LoadStr("MainForm_IDS_44"), currentHost_.Hostname));
    try {
        worker_->SetHost(currentHost_);
        const QString local = QString::fromStdString(currentHost_.InitialLocalDirectory);
        if (!local.isEmpty() && QFileInfo(local).isDir())
            localPane_->SetDirectory(local);
        homeDirectory_ = worker_->CurrentDir();
    } catch (...) {
        throw EFDRemoteConnectionFailed();
    }
}

void TMainForm::ConnectFromMenu(int hostIndex)
{
    const THost* host = nullptr;
    if (hostIndex >= 0 && hostIndex < hosts_->Count()) {
        host = hosts_->Items()[static_cast<std::size_t>(hostIndex)].get();
        hostSelectorIndex_ = hostIndex;
        const QString name = QString::fromStdString(host->CommonName);
        hostSelector_->setText(name);
        hostSelector_->setToolTip(QString::fromStdString(Format(LoadStr("MainForm_strConnectTo"), host->CommonName)));
        config_.SetLastConnectedHostID(host->HostID);
    } else {
        const std::string last = config_.LastConnectedHostID();
        host = last.empty() ? nullptr : hosts_->FindByHostID(last);
    }
    if (!host)
        return;
    const THost copy = *host;
    ConnectToHost(copy);
}

// --- logging and questions ----------------------------------------------------------

void TMainForm::WriteLog(std::uint8_t kind, std::string_view text)
{
    if (logPane_)
        logPane_->WriteLog(kind, text);
}

int TMainForm::ShowSuppressibleDialog(std::string_view name, const std::vector<std::string>& arguments, int kind,
                                      unsigned buttons, int answerWhenSuppressed)
{
    return ::ShowSuppressibleDialog(this, name, arguments, kind, buttons, answerWhenSuppressed, &config_);
}

void TMainForm::HandleException(std::exception_ptr error)
{
    if (error && exceptionLog_)
        exceptionLog_->Handle(error);
}

void TMainForm::Guarded(const std::function<void()>& f)
{
    try {
        f();
    } catch (...) {
        HandleException(std::current_exception());
    }
}

// --- shutdown ---------------------------------------------------------------------

void TMainForm::CloseWithoutQuestion()
{
    askOnClose_ = false;
    close();
}

void TMainForm::closeEvent(QCloseEvent* event)
{
    if (closing_) {
        event->accept();
        return;
    }
    if (askOnClose_ && ShowSuppressibleDialog("IDS_53", {}, mtConfirmation, mbYes | mbNo, mrYes) != mrYes) {
        event->ignore();
        return;
    }
    closing_ = true;
    Shutdown();
    event->accept();
}

bool TMainForm::Shutdown()
{
    startupTimer_->stop();
    // Connections waiting for a certificate answer end now, refused.
    if (certificateTrust_)
        certificateTrust_->Shutdown();
    statusBar_->WorkerIdle();
    exceptionLog_->Detach();
    try {
        config_.SetSelectedBottomPageControlIndex(bottomPages_->currentIndex());
    } catch (...) {
    }
    try {
        if (config_.RememberFormState())
            SaveLayout();
        if (queueView_)
            queueView_->StopTimers();
        queue_->SaveDefault();
        queue_->StopAll();
        filters_.Save();
        config_.Save();
    } catch (...) {
        // Closing goes on whatever failed; the user cannot fix it here.
    }
    // Editors still running are not waited for; their copies go all the same.
    if (remoteEditing_)
        remoteEditing_->DeleteCopies();
    AttachWorkerEvents(false);
    StopWorker();
    ReleaseQueue();
    ReleaseCertificateTrust();
    quickHosts_.reset();
    hosts_.reset();
    transferTypes_.reset();
    if (tray_)
        tray_->hide();
    return true;
}

void TMainForm::StopWorker()
{
    if (!worker_)
        return;
    try {
        // Stop() shuts the sockets down first, so a listing or a connect in
        // progress ends at once; the thread then closes the session.
        worker_->Abort();
        QElapsedTimer waited;
        waited.start();
        worker_->Stop();
        if (waited.elapsed() > kDisconnectWaitMs)
            std::fprintf(stderr, "Tovrel FTP: the session took %lld ms to close\n",
                         static_cast<long long>(waited.elapsed()));
    } catch (...) {
    }
}

void TMainForm::WorkerDied()
{
    if (closing_ || !worker_)
        return;
    // The browsing session is gone (its disconnect has cleared the remote
    // pane); the queue and everything else carry on. A fresh worker lets
    // the user connect again without losing the queue or the settings.
    AttachWorkerEvents(false);
    worker_->OnLog.Clear();
    StopWorker();
    worker_.reset();
    StartWorker();
    remoteList_->SetWorkerBusy(false);
    statusBar_->WorkerIdle();
    SetWorkerCursor(NormalCursor);
    UpdateActions();
    WriteLog(lkStatus, "FTPWorker has terminated unexpectedly.");
    QMessageBox::critical(this, QString::fromStdString(LoadStr("MainForm_strError")),
                          QStringLiteral("FTPWorker has terminated unexpectedly. The connection was closed; "
                                         "connect again to go on."));
}

void TMainForm::changeEvent(QEvent* event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::LanguageChange)
        ApplyWindowTexts();
}
