#include "cli/QueueCommands.h"

#include "cli/CliOptions.h"
#include "ftp/FTP.h"
#include "ftp/IdExceptions.h"
#include "hosts/FileTransferTypes.h"
#include "hosts/Hosts.h"
#include "hosts/QuickHosts.h"
#include "queue/ExistingFileRound.h"
#include "queue/QueueFile.h"
#include "queue/QueueManager.h"
#include "session/ApplyHost.h"
#include "store/DataDirectory.h"
#include "store/Helpers.h"
#include "store/MainConfig.h"
#include "store/XMLDocument.h"

#include <QDateTime>
#include <QString>
#include <QTimeZone>

#include <pugixml.hpp>

#include <poll.h>
#include <signal.h>

#include <atomic>
#include <chrono>
#include <charconv>
#include <cstdlib>
#include <cerrno>
#include <cctype>
#include <filesystem>
#include <iostream>
#include <set>
#include <sstream>
#include <memory>
#include <optional>
#include <stdexcept>
#include <unistd.h>

namespace fs = std::filesystem;

const char* const kQueueUsage =
    "  queue add FILE.xml (--get URL LOCALDIR | --put LOCALPATH URL)... [--site NAME] [--tls]\n"
    "                                 append downloads and uploads (files or folders);\n"
    "                                 --tls: the URLs' server needs explicit TLS\n"
    "  queue run FILE.xml [--max N] [--exists ask|overwrite|resume|skip]\n"
    "                                 transfer a queue file; what is left is saved back\n";

namespace {

using namespace std::chrono_literals;

enum class TQueueExistsMode { Settings, Ask, Overwrite, Resume, Skip };

struct TQueueRunOptions {
    int MaxThreads = 0;  ///< 0: the "MaxFTPTransferCount" setting
    TQueueExistsMode Exists = TQueueExistsMode::Settings;
};

struct TQueueRequest {
    bool Download = true;
    std::string Local;  ///< LOCALDIR of --get, LOCALPATH of --put
    std::string Url;
};

struct TQueueArgs {
    std::string Verb;
    std::string File;
    std::string Site;
    bool Tls = false;
    std::vector<TQueueRequest> Requests;
    TQueueRunOptions Run;
};

int ParseCount(const std::string& text, const std::string& option)
{
    int value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || value < 1 || value > 100)
        throw std::invalid_argument("bad value for " + option + ": " + text);
    return value;
}

TQueueExistsMode ParseExists(const std::string& text)
{
    if (text == "ask")
        return TQueueExistsMode::Ask;
    if (text == "overwrite")
        return TQueueExistsMode::Overwrite;
    if (text == "resume")
        return TQueueExistsMode::Resume;
    if (text == "skip")
        return TQueueExistsMode::Skip;
    throw std::invalid_argument("--exists takes ask, overwrite, resume or skip, not " + text);
}

TQueueArgs ParseQueueArgs(const std::vector<std::string>& args)
{
    if (args.size() < 2 || (args[0] != "add" && args[0] != "run"))
        throw std::invalid_argument("queue needs add or run and a queue file");
    TQueueArgs parsed{args[0], args[1], {}, false, {}, {}};
    for (std::size_t i = 2; i < args.size(); ++i) {
        const std::string& word = args[i];
        const std::size_t left = args.size() - i - 1;
        const bool add = parsed.Verb == "add";
        if (add && (word == "--get" || word == "--put") && left >= 2) {
            const bool get = word == "--get";
            parsed.Requests.push_back({get, get ? args[i + 2] : args[i + 1], get ? args[i + 1] : args[i + 2]});
            i += 2;
        } else if (add && word == "--tls") {
            parsed.Tls = true;
        } else if (add && word == "--site" && left >= 1) {
            parsed.Site = args[++i];
        } else if (!add && word == "--max" && left >= 1) {
            parsed.Run.MaxThreads = ParseCount(args[++i], word);
        } else if (!add && word == "--exists" && left >= 1) {
            parsed.Run.Exists = ParseExists(args[++i]);
        } else {
            throw std::invalid_argument("queue " + parsed.Verb + ": unexpected argument " + word);
        }
    }
    if (parsed.Verb == "add" && parsed.Requests.empty())
        throw std::invalid_argument("queue add needs at least one --get or --put");
    return parsed;
}

// ---- hosts --------------------------------------------------------------------

bool SameServer(const THost& a, const THost& b)
{
    return a.Hostname == b.Hostname && a.Port == b.Port && a.IsAnonymous == b.IsAnonymous
           && a.Username == b.Username && a.Password == b.Password && a.UseSSL == b.UseSSL;
}

/// The host records a queue item is made for: a stored host (--site) or a
/// quick-connect entry for a URL's server, reused when the history holds
/// one with the same address and login, so adding again does not grow it.
class TQueueHostResolver {
public:
    explicit TQueueHostResolver(const std::string& dataDirectory) : hosts_(dataDirectory), quick_(dataDirectory) {}

    const THost& Site(const std::string& name)
    {
        if (const THost* host = FindNamed(hosts_.Items(), name))
            return *host;
        if (const THost* host = FindNamed(quick_.Items(), name))
            return *host;
        throw std::runtime_error("No stored host named \"" + name + "\".");
    }

    const THost& ForUrl(const std::string& url, bool tls)
    {
        THost host;
        host.FromURL(url);
        host.UseSSL = tls;
        host.InitialRemoteDirectory.clear();
        for (const auto& entry : quick_.Items())
            if (SameServer(host, *entry))
                return *entry;
        host.NewHostID();
        quick_.AddOrUpdate(host);
        return *quick_.FindByHostID(host.HostID);
    }

private:
    static const THost* FindNamed(const std::vector<std::unique_ptr<THost>>& items, const std::string& name)
    {
        for (const auto& host : items)
            if (CompareTextNoCase(host->CommonName, name) == 0 || host->HostID == name)
                return host.get();
        return nullptr;
    }

    THosts hosts_;
    TQuickHosts quick_;
};

/// The remote path of a URL (or, with --site, the argument itself).
std::string RemotePathOf(const std::string& argument, bool site)
{
    if (site)
        return argument.empty() || argument[0] != '/' ? "/" + argument : argument;
    const auto url = ParseCliUrl(argument);
    if (!url)
        throw std::invalid_argument("not an ftp:// address: " + argument);
    return url->Path.empty() ? "/" : url->Path;
}

std::string WithoutTrailingSlashes(std::string path)
{
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return path;
}

// ---- what a remote path is --------------------------------------------------------

struct TRemoteEntry {
    bool IsDirectory = false;
    std::int64_t Size = -1;
    TDateTime Modified = -1;
};

TDateTime ParseMdtm(const TIdReplyFTP& reply)
{
    if (reply.NumericCode() != 213 || reply.Text.empty())
        return -1;
    const QString stamp = QString::fromStdString(std::string(IdTrim(reply.Text.front()))).left(14);
    QDateTime utc = QDateTime::fromString(stamp, QStringLiteral("yyyyMMddHHmmss"));
    if (!utc.isValid())
        return -1;
    utc.setTimeZone(QTimeZone::utc());
    return DateTimeFromQt(utc.toLocalTime());
}

/// Asks the server whether `path` is a folder; for a file its size and
/// time (unknown ones stay -1, and the transfer asks again).
TRemoteEntry ProbeRemote(const THost& host, const std::string& path)
{
    TIdFTP ftp;
    ApplyHost(ftp, host);
    ftp.AutoLogin = false;  // logged in once, below
    ftp.ConnectTimeout = ControlReadTimeout;
    ftp.ConnectControl();
    ftp.Authenticate();
    TRemoteEntry entry;
    try {
        ftp.ChangeWorkingDirectory(path);
        entry.IsDirectory = true;
    } catch (const EIdReplyRFCError&) {
        ftp.SendCommand("TYPE I", -1);
        entry.Size = ftp.QueryRemoteSize(path);
        ftp.SendCommand("MDTM " + path, -1);
        entry.Modified = ParseMdtm(ftp.LastReply());
        if (entry.Size < 0 && entry.Modified < 0)
            throw std::runtime_error("The remote file was not found: " + path);
    }
    ftp.CloseConnection();
    return entry;
}

// ---- queue file elements ------------------------------------------------------------

/// A path in a new private folder where a queue file can be written.
std::string MakeScratchQueueFile(const fs::path& near)
{
    std::string pattern = (fs::temp_directory_path() / "tovrel-queue-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr)
        throw EXMLSaveError("Could not make a temporary folder next to " + near.string());
    return pattern + "/" + kQueueFileName;
}

void RemoveScratchQueueFile(const std::string& scratch)
{
    std::error_code error;
    fs::remove_all(fs::path(scratch).parent_path(), error);
}

/// Appends copies of `elements` (attributes in their order) to the root.
void CopyQueueElements(TXMLDocument& doc, const std::vector<pugi::xml_node>& elements)
{
    for (const pugi::xml_node element : elements) {
        pugi::xml_node copy = doc.AppendElement(doc.Root(), element.name());
        for (const pugi::xml_attribute attribute : element.attributes())
            doc.SetAttribute(copy, attribute.name(), attribute.value());
    }
}

std::string DescribeQueueItem(TQueueItem& item)
{
    std::string local;
    try {
        local = item.GetLocalFilename();
    } catch (const std::exception&) {
        local = item.LocalRoot;
    }
    const std::string folder = item.IsDirectory ? " (folder)" : "";
    if (item.TransferDirection == tdDownload)
        return "Download " + item.GetRemoteFilename() + folder + " -> " + local;
    return "Upload " + local + folder + " -> " + item.GetRemoteFilename();
}

// ---- queue add ----------------------------------------------------------------------

std::unique_ptr<TQueueItem> MakeDownload(const THost& host, const std::string& remotePath, const std::string& localDir,
                                         bool folderByName)
{
    const std::string path = WithoutTrailingSlashes(remotePath);
    const TRemoteEntry entry = folderByName ? TRemoteEntry{true, 0, -1} : ProbeRemote(host, path);
    const std::string remoteRoot = path == "/" ? "/" : IncludeTrailingSlash(RemoteParentPath(path));
    return TQueueItem::NewDownload(host, remoteRoot, false, entry.Modified, entry.IsDirectory ? 0 : entry.Size,
                                   entry.IsDirectory, fs::absolute(localDir).lexically_normal().string(), path);
}

std::unique_ptr<TQueueItem> MakeUpload(const THost& host, const std::string& localPath, const std::string& remoteDir)
{
    fs::path local = fs::absolute(localPath).lexically_normal();
    if (!local.has_filename())
        local = local.parent_path();
    std::error_code error;
    if (!fs::exists(local, error))
        throw std::runtime_error("No such file or folder: " + localPath);
    return TQueueItem::NewUpload(host, local.parent_path().string(), false, IncludeTrailingSlash(remoteDir),
                                 local.string());
}

/// Appends the elements of `items` to the queue file at `path`, leaving the
/// elements already there untouched (also those of hosts this installation
/// does not know): the items are written with the queue's own writer into a
/// scratch file whose elements are then copied over.
void AppendToQueueFile(const std::string& path, const std::vector<std::unique_ptr<TQueueItem>>& items)
{
    std::vector<TQueueItem*> pointers;
    for (const auto& item : items)
        pointers.push_back(item.get());
    const fs::path target = fs::absolute(path);
    std::error_code error;
    if (!fs::exists(target, error)) {
        SaveQueueFile(target.string(), pointers);
        return;
    }
    const std::string scratch = MakeScratchQueueFile(target);
    try {
        SaveQueueFile(scratch, pointers);
        pugi::xml_document written;
        if (!written.load_file(scratch.c_str()))
            throw EXMLSaveError("Could not read back " + scratch);
        TXMLDocument doc(target.parent_path().string(), target.filename().string(), "QueueList");
        CopyQueueElements(doc, TXMLDocument::Elements(written.document_element()));
        doc.Save();
    } catch (...) {
        RemoveScratchQueueFile(scratch);
        throw;
    }
    RemoveScratchQueueFile(scratch);
}

int RunQueueAdd(const TQueueArgs& args)
{
    TMainConfig config;
    TMainConfig::SetInstance(&config);
    struct TUninstall {
        ~TUninstall() { TMainConfig::SetInstance(nullptr); }
    } uninstall;
    TQueueHostResolver resolver(config.DataDirectory());
    std::vector<std::unique_ptr<TQueueItem>> items;
    for (const auto& request : args.Requests) {
        const bool site = !args.Site.empty();
        const THost& host = site ? resolver.Site(args.Site) : resolver.ForUrl(request.Url, args.Tls);
        const std::string remote = RemotePathOf(request.Url, site);
        if (request.Download)
            items.push_back(MakeDownload(host, remote, request.Local, remote.back() == '/'));
        else
            items.push_back(MakeUpload(host, request.Local, remote));
    }
    AppendToQueueFile(args.File, items);
    for (const auto& item : items)
        std::cout << "queued  " << DescribeQueueItem(*item) << "\n";
    return 0;
}

// ---- queue run: the question on the terminal -------------------------------------------

/// Set by SIGINT and SIGTERM: the run stops its transfers and saves the queue.
std::atomic<bool> gInterrupted{false};

extern "C" void OnInterrupt(int)
{
    gInterrupted = true;
}

/// One line from standard input within `seconds`; nullopt on timeout or
/// end of input. Read byte by byte, so nothing beyond the line is consumed.
std::optional<std::string> ReadAnswerLine(int seconds)
{
    std::string line;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        pollfd in{0, POLLIN, 0};
        const int ready = left.count() <= 0 ? 0 : ::poll(&in, 1, static_cast<int>(left.count()));
        if (ready < 0 && errno == EINTR && !gInterrupted)
            continue;
        if (ready <= 0)
            return std::nullopt;
        char c = 0;
        const ssize_t got = ::read(0, &c, 1);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return line.empty() ? std::nullopt : std::optional(line);
        if (c == '\n')
            return line;
        if (c != '\r')
            line += c;
    }
}

constexpr int kQuestionSeconds = 30;

/// The "File already exists" question: the error's texts, both files, the
/// choices (Resume only for a smaller target) and the scope. No answer in
/// 30 seconds, or no input at all, is Skip, as the dialog's countdown.
std::optional<TExistingFileAnswer> AskOnTerminal(TQueueItem& item, const EFTPFileAlreadyExistsException& error)
{
    const auto situation = ExistingFileSituation(error);
    const bool remote = situation == efsUploadSameSize || situation == efsUploadSmaller;
    const bool resume = situation && ResumeOffered(*situation);
    std::string name;
    try {
        name = remote ? item.GetRemoteFilename() : item.GetLocalFilename();
    } catch (const std::exception&) {
        name = item.LocalRoot;
    }
    std::cerr << "\n" << error.ShortDescription() << "\n" << error.LongDescription() << "\n"
              << "Filename: " << name << "\n"
              << "  Local file:  Size: " << FormatSize(error.LocalSize()) << "  Modified: " << error.LocalTime() << "\n"
              << "  Remote file: Size: " << FormatSize(error.RemoteSize()) << "  Modified: " << error.RemoteTime()
              << "\n"
              << "[o]verwrite, " << (resume ? "[r]esume, " : "") << "[s]kip, [c]ancel; add 2 to apply to all files "
              << "currently in queue, 3 for all files always (skip in " << kQuestionSeconds << " s): " << std::flush;
    const auto line = ReadAnswerLine(kQuestionSeconds);
    TExistingFileAnswer answer{faeSkip, efsOnlyThisFile};
    if (!line || line->empty()) {
        std::cerr << (line ? "" : "\n") << "Skipped.\n";
        return answer;
    }
    const char choice = static_cast<char>(std::tolower(static_cast<unsigned char>((*line)[0])));
    if (choice == 'o')
        answer.Action = faeOverwrite;
    else if (choice == 'r' && resume)
        answer.Action = faeResume;
    else if (choice == 'c')
        return answer;
    if (line->find('3') != std::string::npos)
        answer.Scope = efsAlways;
    else if (line->find('2') != std::string::npos)
        answer.Scope = efsAllInQueue;
    return answer;
}

// ---- queue run ---------------------------------------------------------------------------

/// Elements of the file the manager will not load (hosts this installation
/// does not know, other directions): kept so that saving back loses nothing.
std::vector<std::string> UnreadableElements(const std::string& path, const THostLookup& findHost)
{
    pugi::xml_document doc;
    if (!doc.load_file(path.c_str()))
        return {};
    std::vector<std::string> kept;
    for (const pugi::xml_node element : TXMLDocument::Elements(doc.document_element())) {
        const auto direction = TXMLDocument::Attribute(element, "TransferDirection");
        const auto host = TXMLDocument::Attribute(element, "HostID");
        if ((direction == "Upload" || direction == "Download") && host && findHost(*host) != nullptr)
            continue;
        std::ostringstream text;
        element.print(text, "", pugi::format_raw);
        kept.push_back(text.str());
    }
    return kept;
}

void SaveBack(TQueueManager& manager, const std::string& path, const std::vector<std::string>& kept)
{
    manager.SaveToFile(path);
    if (kept.empty())
        return;
    const fs::path target = fs::absolute(path);
    TXMLDocument doc(target.parent_path().string(), target.filename().string(), "QueueList");
    std::vector<pugi::xml_document> parsed(kept.size());
    std::vector<pugi::xml_node> elements;
    for (std::size_t i = 0; i < kept.size(); ++i) {
        parsed[i].load_string(kept[i].c_str());
        elements.push_back(parsed[i].document_element());
    }
    CopyQueueElements(doc, elements);
    doc.Save();
}

bool IsConflict(const TQueueItem& item)
{
    return item.LastError && ExistingFileSituation(*item.LastError).has_value();
}

/// Plays a loaded queue to its end on this thread: hand-overs, the
/// once-a-second retry countdown and existing-file round, and the lines
/// the user sees.
class TQueueRunner {
public:
    TQueueRunner(TMainConfig& config, TQueueManager& manager, TEventDispatcher& dispatcher)
        : config_(config), manager_(manager), dispatcher_(dispatcher), round_(manager, &config)
    {
        manager_.OnItemDone = [this](TQueueItem& item) { Done(item); };
        manager_.OnItemFailed = [this](TQueueItem& item) { Failed(item); };
        round_.Log = [](const std::string& line, bool debug) {
            if (!debug)
                std::cerr << line << "\n";
        };
    }

    void SetAsk(TExistingFileRound::TAsk ask) { round_.Ask = std::move(ask); }

    /// Answers false when interrupted.
    bool Run()
    {
        manager_.PlayAll();
        auto nextTick = std::chrono::steady_clock::now() + 1s;
        for (;;) {
            if (gInterrupted) {
                manager_.StopAll();
                return false;
            }
            const bool busy = manager_.ThreadCount() > 0;
            const auto slice = std::min<std::chrono::steady_clock::duration>(250ms, nextTick - std::chrono::steady_clock::now());
            dispatcher_.WaitFor([&] { return gInterrupted || (busy && manager_.ThreadCount() == 0); },
                                std::chrono::duration_cast<std::chrono::milliseconds>(std::max(slice, slice.zero())));
            if (std::chrono::steady_clock::now() >= nextTick) {
                manager_.TickRetryDelays();
                while (round_.Run()) {
                }
                nextTick = std::chrono::steady_clock::now() + 1s;
            }
            if (manager_.ThreadCount() > 0)
                continue;
            if (!WorkLeft())
                return true;
            manager_.StartTransfers();
        }
    }

    /// One line per item left in the queue, then the summary. Answers
    /// whether every item left was skipped on purpose.
    bool Report(const std::string& file)
    {
        int failed = 0, skipped = 0;
        std::lock_guard lock(manager_.QueueLock());
        for (const auto& item : manager_.Items()) {
            const bool skip = !item->LastError && conflicts_.contains(item.get()) && item->Status == qsFailed;
            (skip ? skipped : failed) += 1;
            std::cout << (skip ? "skipped " : "left    ") << DescribeQueueItem(*item) << ": " << item->StatusText << "\n";
        }
        std::cout << done_ << " done, " << failed << " failed, " << skipped << " skipped; " << manager_.Count()
                  << " left in " << file << "\n";
        return failed == 0;
    }

private:
    bool WorkLeft() const
    {
        const int maxRetries = config_.MaxRetryCount();
        std::lock_guard lock(manager_.QueueLock());
        for (const auto& item : manager_.Items()) {
            if (item->Transfer != nullptr || IsConflict(*item))
                return true;
            const bool retries = item->Scheduled && item->RetryCount < maxRetries;
            if (retries && (item->Status == qsAwaiting || item->RetryDelayLeft > 0))
                return true;
        }
        return false;
    }

    void Done(TQueueItem& item)
    {
        ++done_;
        conflicts_.erase(&item);
        std::cout << (item.IsDirectory ? "listed  " : "done    ") << DescribeQueueItem(item) << "\n" << std::flush;
    }

    void Failed(TQueueItem& item)
    {
        std::string reason = item.LastError ? item.LastError->what() : item.StatusText;
        while (!reason.empty() && std::isspace(static_cast<unsigned char>(reason.back())))
            reason.pop_back();
        if (IsConflict(item)) {
            conflicts_.insert(&item);
            std::cout << "exists  " << DescribeQueueItem(item) << ": " << reason << "\n" << std::flush;
            return;
        }
        const int maxRetries = config_.MaxRetryCount();
        std::cout << "failed  " << DescribeQueueItem(item) << ": " << reason;
        if (item.RetryCount < maxRetries)
            std::cout << " (attempt " << item.RetryCount << " of " << maxRetries << ", again in "
                      << item.RetryDelayLeft << " s)";
        std::cout << "\n" << std::flush;
    }

    TMainConfig& config_;
    TQueueManager& manager_;
    TEventDispatcher& dispatcher_;
    TExistingFileRound round_;
    std::set<const TQueueItem*> conflicts_;
    int done_ = 0;
};

void ApplyExistsMode(TQueueManager& manager, const TMainConfig& config, TQueueExistsMode mode)
{
    TFileAlreadyExistsAction sameSize = faeAsk, smaller = faeAsk;
    switch (mode) {
    case TQueueExistsMode::Settings:
        manager.SetDownloadSameSizeDefault(config.LocalFileAlreadyExistsAction());
        manager.SetDownloadSmallerDefault(config.LocalFileSmallerAlreadyExistsAction());
        manager.SetUploadSameSizeDefault(config.RemoteFileAlreadyExistsAction());
        manager.SetUploadSmallerDefault(config.RemoteFileSmallerAlreadyExistsAction());
        return;
    case TQueueExistsMode::Ask:
        break;
    case TQueueExistsMode::Overwrite:
        sameSize = smaller = faeOverwrite;
        break;
    case TQueueExistsMode::Resume:
        // A target at least as large is taken as complete.
        sameSize = faeSkip;
        smaller = faeResume;
        break;
    case TQueueExistsMode::Skip:
        sameSize = smaller = faeSkip;
        break;
    }
    manager.SetDownloadSameSizeDefault(sameSize);
    manager.SetDownloadSmallerDefault(smaller);
    manager.SetUploadSameSizeDefault(sameSize);
    manager.SetUploadSmallerDefault(smaller);
}

/// Sets "MaxFTPTransferCount" for this run only.
class TTransferLimit {
public:
    TTransferLimit(TMainConfig& config, int limit)
        : config_(config), old_(config.MaxFTPTransferCount()), changed_(limit > 0 && limit != old_)
    {
        if (changed_)
            config_.SetMaxFTPTransferCount(limit);
    }
    ~TTransferLimit()
    {
        if (changed_)
            config_.SetMaxFTPTransferCount(old_);
    }
    TTransferLimit(const TTransferLimit&) = delete;
    TTransferLimit& operator=(const TTransferLimit&) = delete;

private:
    TMainConfig& config_;
    int old_;
    bool changed_;
};

int RunQueue(const std::string& file, const TQueueRunOptions& options)
{
    TMainConfig config;
    TMainConfig::SetInstance(&config);
    struct TUninstall {
        ~TUninstall() { TMainConfig::SetInstance(nullptr); }
    } uninstall;
    TTransferLimit limit(config, options.MaxThreads);
    THosts hosts(config.DataDirectory());
    TQuickHosts quick(config.DataDirectory());
    TFileTransferTypes types(config.DataDirectory());
    const THostLookup lookup = HostLookupIn(hosts, quick);
    const std::string path = fs::absolute(file).string();
    const std::vector<std::string> kept = UnreadableElements(path, lookup);

    TEventDispatcher dispatcher;
    TQueueManager manager(dispatcher, &types);
    manager.SetHostLookup(lookup);
    ApplyExistsMode(manager, config, options.Exists);
    // A damaged file stops here, before anything runs or is written.
    manager.LoadFromFile(path);
    TQueueRunner runner(config, manager, dispatcher);
    if (options.Exists == TQueueExistsMode::Ask || options.Exists == TQueueExistsMode::Settings)
        runner.SetAsk(AskOnTerminal);

    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    ::sigaction(SIGINT, &action, nullptr);
    ::sigaction(SIGTERM, &action, nullptr);
    const bool completed = runner.Run();
    manager.Shutdown(60s);
    SaveBack(manager, path, kept);
    const bool clean = runner.Report(file);
    if (!completed) {
        std::cerr << "Interrupted; the queue was saved.\n";
        return 130;
    }
    return clean ? 0 : 1;
}

}  // namespace

int RunQueueCommand(const std::vector<std::string>& args)
{
    const TQueueArgs parsed = ParseQueueArgs(args);
    if (parsed.Verb == "add")
        return RunQueueAdd(parsed);
    return RunQueue(parsed.File, parsed.Run);
}
