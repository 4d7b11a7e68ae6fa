#include "WorkerHarness.h"

#include "servers/ServerHost.h"

#include "session/PendingError.h"


namespace fs = std::filesystem;

BrowseTree::BrowseTree()
{
    const std::string root = files_.Root();
    WriteFiles(root, {{"tree/match-top.txt", "1\n"},
                      {"tree/other.txt", "2\n"},
                      {"tree/level 1/match one.txt", "3\n"},
                      {"tree/level 1/level 2/match-deep.txt", "4\n"},
                      {"tree/zweig-\xc3\xa4/match-\xc3\xbc.txt", "5\n"},
                      {"name with spaces/inside file.txt", "6\n"},
                      {"\xd0\xbf\xd0\xb0\xd0\xbf\xd0\xba\xd0\xb0/\xc3\xa9t\xc3\xa9.txt", "7\n"},
                      {"deleteme/f1.txt", "a\n"},
                      {"deleteme/f2.txt", "b\n"},
                      {"deleteme/sub a/f3.txt", "c\n"},
                      {"deleteme/sub a/deeper/f4.txt", "d\n"},
                      {"haslink/keep.txt", "e\n"},
                      {"haslink/inner/keep2.txt", "f\n"}});
    fs::create_directory_symlink("tree", root + "/linkdir");
    fs::create_symlink("hello.txt", root + "/linkfile");
    fs::create_symlink("nowhere", root + "/dangling");
    fs::create_directories(root + "/deleteme/sub b");
    fs::create_directories(root + "/emptydir");
    fs::create_symlink("../../hello.txt", root + "/haslink/inner/lnk");
    GiveToTestUser(root);
}

bool BrowseTree::Exists(const std::string& relative) const
{
    std::error_code error;
    return fs::symlink_status(Root() + "/" + relative, error).type() != fs::file_type::not_found;
}

WorkerHarness::WorkerHarness() : Worker(std::make_unique<TFTPWorker>(&Dispatcher))
{
    const auto record = [this](const char* name) {
        return [this, name](TFTPWorker&) { Events.emplace_back(name); };
    };
    Worker->OnBusy.Set(record("Busy"));
    Worker->OnIdle.Set(record("Idle"));
    Worker->OnConnected.Set(record("Connected"));
    Worker->OnLoggedIn.Set(record("LoggedIn"));
    Worker->OnListingReady.Set(record("ListingReady"));
    Worker->OnDisconnected.Set(record("Disconnected"));
    Worker->OnDeleteDone.Set(record("DeleteDone"));
    Worker->OnLog.Set([this](TWorkerLogKind kind, const std::string& text) {
        if (kind != wlkCommand)
            return;
        std::lock_guard lock(logMutex_);
        commands_.push_back(text);
    });
    Worker->PendingError().SetOnErrorPending([this] { Dispatcher.Post([this] { Events.emplace_back("Error"); }); });
    Worker->Start();
}

WorkerHarness::~WorkerHarness()
{
    Worker->PendingError().SetOnErrorPending(nullptr);
    Worker->Stop();
    Worker.reset();
}

THost WorkerHarness::HostFor(const TestFtpServer& server) const
{
    return ::HostFor(server);
}

bool WorkerHarness::Connect(const THost& host)
{
    const std::size_t loggedIn = Count("LoggedIn");
    const std::size_t errors = Count("Error");
    Worker->SetHost(host);
    Dispatcher.WaitFor([&] { return Count("LoggedIn") > loggedIn || Count("Error") > errors; },
                       std::chrono::seconds(30));
    // The idle event of the last operation arrives after its outcome.
    Dispatcher.WaitFor([&] { return !Worker->Busy(); }, std::chrono::seconds(30));
    Dispatcher.ProcessEvents();
    return Count("LoggedIn") > loggedIn;
}

void WorkerHarness::List()
{
    const std::size_t ready = Count("ListingReady");
    Worker->RequestListing();
    WaitForEvent("ListingReady", ready + 1);
    // The idle event follows the listing-ready event.
    Dispatcher.WaitFor([&] { return !Worker->Busy(); }, std::chrono::seconds(30));
    Dispatcher.ProcessEvents();
}

bool WorkerHarness::WaitForEvent(const std::string& name, std::size_t count, int seconds)
{
    return Dispatcher.WaitFor([&] { return Count(name) >= count; }, std::chrono::seconds(seconds));
}

std::size_t WorkerHarness::Count(const std::string& name) const
{
    return static_cast<std::size_t>(std::count(Events.begin(), Events.end(), name));
}

std::vector<std::string> WorkerHarness::Commands() const
{
    std::lock_guard lock(logMutex_);
    return commands_;
}

std::size_t WorkerHarness::CountCommands(const std::string& prefix) const
{
    const auto all = Commands();
    return static_cast<std::size_t>(
        std::count_if(all.begin(), all.end(), [&](const std::string& c) { return c.rfind(prefix, 0) == 0; }));
}

void WorkerHarness::ClearLog()
{
    std::lock_guard lock(logMutex_);
    commands_.clear();
}

std::string WorkerHarness::TakeError()
{
    Dispatcher.ProcessEvents();
    const auto error = Worker->PendingError().Take();
    return error ? error->what() : "";
}

std::vector<std::string> WorkerHarness::ListingNames() const
{
    std::vector<std::string> names;
    const auto listing = Worker->Listing();
    if (!listing)
        return names;
    for (const TIdFTPListItem& item : *listing) {
        std::string name(item.FileName());
        if (name == "." || name == "..")
            continue;  // the view leaves them out
        if (item.ItemKind() == dkDirectory)
            name += "/";
        else if (item.ItemKind() != dkFile)
            name += "@";
        names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    return names;
}
