#include "propsSession.h"

#include "i18n/LanguageManager.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <filesystem>

TPropsSession::TPropsSession(const TestFtpServer& server) : server_(server)
{
    Worker.OnLog.Set([this](TWorkerLogKind kind, const std::string& text) {
        if (kind != wlkCommand)
            return;
        std::lock_guard lock(mutex_);
        commands_.push_back(text);
    });
    Worker.OnLoggedIn.Set([](TFTPWorker& worker) { worker.RequestListing(); });
    Worker.OnListingReady.Set([this](TFTPWorker&) { ++Listings; });
    Worker.Start();
}

TPropsSession::~TPropsSession()
{
    Worker.Stop();
}

bool TPropsSession::Open()
{
    Worker.SetHost(HostFor(server_));
    return WaitForListing(0);
}

bool TPropsSession::ChangeTo(const std::string& path)
{
    const int before = Listings;
    Worker.ChangeDir(path);
    Worker.RequestListing();
    return WaitForListing(before) && Worker.CurrentDir() == path;
}

bool RunEventsUntil(const std::function<bool()>& done, int milliseconds)
{
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < milliseconds)
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 20);
    return done();
}

bool TPropsSession::WaitForListing(int before)
{
    return RunEventsUntil([&] { return Listings > before && !Worker.Busy(); });
}

std::vector<TPropertyEntry> TPropsSession::Entries(const std::vector<std::string>& names) const
{
    std::vector<TPropertyEntry> entries;
    const auto listing = Worker.Listing();
    for (const std::string& name : names)
        for (const TIdFTPListItem& item : *listing)
            if (item.FileName() == name)
                entries.push_back(TPropertyEntry::From(item, name));
    return entries;
}

std::vector<std::string> TPropsSession::TakeCommands()
{
    std::lock_guard lock(mutex_);
    return std::exchange(commands_, {});
}

int TPropsSession::CountStarting(const std::vector<std::string>& commands, const std::string& prefix)
{
    int count = 0;
    for (const std::string& command : commands)
        count += command.rfind(prefix, 0) == 0 ? 1 : 0;
    return count;
}

void RegisterGerman()
{
    static QTemporaryDir dir;
    const std::filesystem::path folder = dir.path().toStdString();
    std::filesystem::copy_file(std::filesystem::path(TOVREL_SOURCE_DIR) / "Languages" / "Deutsch.lng",
                               folder / "Deutsch.lng", std::filesystem::copy_options::overwrite_existing);
    LangManager().ScanDirectory(folder);
}
