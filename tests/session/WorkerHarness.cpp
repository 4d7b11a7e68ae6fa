#include "WorkerHarness.h"

#include "servers/ServerHost.h"

#include "session/PendingError.h"

#include <pwd.h>
#include <unistd.h>

namespace fs = std::filesystem;

BrowseTree::BrowseTree()
{
    const std::string root = files_.Root();
    const auto write = [&](const std::string& relative, const std::string& text) {
        fs::create_directories(fs::path(root + "/" + relative).parent_path());
        WriteWholeFile(root + "/" + relative, text);
    };
    write("tree/match-top.txt", "1\n");
    write("tree/other.txt", "2\n");
    write("tree/level 1/match one.txt", "3\n");
    write("tree/level 1/level 2/match-deep.txt", "4\n");
    write("tree/zweig-\xc3\xa4/match-\xc3\xbc.txt", "5\n");
    fs::create_directory_symlink("tree", root + "/linkdir");
    fs::create_symlink("hello.txt", root + "/linkfile");
    fs::create_symlink("nowhere", root + "/dangling");
    write("name with spaces/inside file.txt", "6\n");
    write("\xd0\xbf\xd0\xb0\xd0\xbf\xd0\xba\xd0\xb0/\xc3\xa9t\xc3\xa9.txt", "7\n");
    write("deleteme/f1.txt", "a\n");
    write("deleteme/f2.txt", "b\n");
    write("deleteme/sub a/f3.txt", "c\n");
    write("deleteme/sub a/deeper/f4.txt", "d\n");
    fs::create_directories(root + "/deleteme/sub b");
    fs::create_directories(root + "/emptydir");
    write("haslink/keep.txt", "e\n");
    write("haslink/inner/keep2.txt", "f\n");
    fs::create_symlink("../../hello.txt", root + "/haslink/inner/lnk");
    if (const passwd* pw = ::getpwnam(kTestUser)) {
        for (const auto& entry : fs::recursive_directory_iterator(root))
            (void)::lchown(entry.path().c_str(), pw->pw_uid, pw->pw_gid);
    }
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
