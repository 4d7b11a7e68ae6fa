#include "mainformHarness.h"

#include "hosts/Filters.h"
#include "hosts/Hosts.h"
#include "session/FTPWorker.h"
#include "store/MainConfig.h"
#include "ui/AppIcons.h"
#include "ui/LogPane.h"
#include "ui/MainForm.h"
#include "ui/RemoteListView.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QThread>
#include <QTimer>

#include <memory>

namespace {

// The application object lives from the first window test to the end of
// the test run; it must go before the process's own exit handlers run.
class TQtEnvironment : public ::testing::Environment {
public:
    static TQtEnvironment* Instance;
    void TearDown() override { app.reset(); }
    std::unique_ptr<QApplication> app;
};
TQtEnvironment* TQtEnvironment::Instance =
    static_cast<TQtEnvironment*>(::testing::AddGlobalTestEnvironment(new TQtEnvironment));

} // namespace

void EnsureTestApplication()
{
    auto& app = TQtEnvironment::Instance->app;
    if (app || QCoreApplication::instance())
        return;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "tovrel-ftp-test";
    static char* argv[] = {name, nullptr};
    app = std::make_unique<QApplication>(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tovrel FTP"));
    TAppIcons::SetUpIconTheme();
}

bool WaitUntil(const std::function<bool()>& condition, int milliseconds)
{
    QElapsedTimer timer;
    timer.start();
    while (!condition()) {
        if (timer.elapsed() > milliseconds)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(2);
    }
    return true;
}

QLineEdit* OpenEditor(QWidget* view)
{
    for (QLineEdit* editor : view->findChildren<QLineEdit*>())
        if (editor->isVisible())
            return editor;
    return nullptr;
}

bool ClickButton(QWidget* dialog, const QString& caption)
{
    for (QAbstractButton* button : dialog->findChildren<QAbstractButton*>())
        if (button->text().remove(QLatin1Char('&')) == caption) {
            button->click();
            return true;
        }
    return false;
}

TMainWindowHarness::TMainWindowHarness()
{
    EnsureTestApplication();
    QDir().mkpath(QString::fromStdString(home.DataDir()));
}

TMainWindowHarness::~TMainWindowHarness()
{
    if (form_) {
        form_->CloseWithoutQuestion();
        form_.reset();
    }
    Destroy();
    for (const QPointer<QTimer>& timer : pendingAnswers_)
        delete timer.data();
}

TMainConfig& TMainWindowHarness::Config()
{
    if (!config_) {
        config_ = std::make_unique<TMainConfig>();
        TMainConfig::SetInstance(config_.get());
    }
    return *config_;
}

THost TMainWindowHarness::StoreHost(const TestFtpServer& server, const std::string& name, bool last,
                                    const std::string& initialRemoteDirectory)
{
    THost host;
    host.CommonName = name;
    host.Hostname = "127.0.0.1";
    host.Port = server.Port();
    host.Username = server.User();
    host.Password = server.Password();
    host.InitialRemoteDirectory = initialRemoteDirectory;
    host.NewHostID();
    {
        THosts hosts(DataDir());
        hosts.AddOrUpdate(host);
    }
    if (last)
        Config().SetLastConnectedHostID(host.HostID);
    return host;
}

void TMainWindowHarness::Open()
{
    Config();
    filters_ = std::make_unique<TFilters>(DataDir());
    form_ = std::make_unique<TMainForm>(*config_, *filters_);
    form_->show();
    WaitUntil([this] { return form_->DelayedStartupDone(); });
}

bool TMainWindowHarness::Close()
{
    form_->close();
    QCoreApplication::processEvents();
    return !form_->isVisible();
}

void TMainWindowHarness::Destroy()
{
    form_.reset();
    filters_.reset();
    TMainConfig::SetInstance(nullptr);
    config_.reset();
}

void TMainWindowHarness::OnNextModal(std::function<void(QWidget*)> answer)
{
    *answered_ = false;
    auto* timer = new QTimer(QCoreApplication::instance());
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, answer, answered = answered_] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal)
            return;
        timer->stop();
        timer->deleteLater();
        *answered = true;
        answer(modal);
    });
    timer->start();
    pendingAnswers_.emplace_back(timer);
}

bool TMainWindowHarness::WaitForListing(const std::string& directory)
{
    return WaitUntil([&] {
        return !form_->IsBusy() && form_->RemoteList()->CurrentDirectory() == directory &&
               form_->Worker().CurrentDir() == directory && form_->RemoteList()->Model().rowCount() > 0;
    });
}

bool TMainWindowHarness::Connect()
{
    form_->Action("ConnectAction")->trigger();
    return WaitUntil([this] { return form_->IsAuthenticated() && !form_->IsBusy(); }) &&
           WaitForListing(form_->HomeDirectory());
}

QStringList TMainWindowHarness::RemoteCaptions() const
{
    QStringList captions;
    const TRemoteListModel& model = form_->RemoteList()->Model();
    for (int row = 0; row < model.rowCount(); ++row)
        captions << model.Caption(row);
    return captions;
}

void TMainWindowHarness::SelectRemote(const QStringList& captions)
{
    TRemoteListView* view = form_->RemoteList();
    view->clearSelection();
    for (const QString& caption : captions) {
        const int row = view->Model().RowOfCaption(caption);
        if (row >= 0)
            view->selectionModel()->select(view->Model().index(row, 0),
                                           QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
}

QString TMainWindowHarness::LogText() const
{
    form_->LogPane()->FlushPending();
    return form_->LogPane()->toPlainText();
}
