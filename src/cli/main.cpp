// tovrel-ftp-cli: list, download, upload and send raw commands from the
// command line, with the same engine as the program.
#include "cli/CliOptions.h"
#include "cli/CliSite.h"
#include "ftp/FTP.h"
#include "ftp/IOHandlerStack.h"
#include "ftp/IdExceptions.h"

#include "cli/ListingCommands.h"

#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <stdexcept>

namespace {

const char* const kUsage =
    "usage: tovrel-ftp-cli COMMAND [options]\n"
    "  ls [--raw|--json] URL          list a folder (LIST -al)\n"
    "  get URL LOCALFILE [URL LOCALFILE]... [--resume]\n"
    "                                 download (LOCALFILE - = standard output)\n"
    "  put LOCALFILE URL [--resume]   upload (--resume appends from the remote size)\n"
    "  quote URL COMMAND...           send one command, print the reply\n"
    "  parse-listing [--now ISO]      parse LIST output from standard input\n"
    "options: --active --epsv --timeout MS --log --site NAME --buffer-size BYTES\n"
    "  --proxy-type NAME --proxy-host H --proxy-port N --proxy-user U --proxy-pass P\n"
    "  --socks4 H:P | --socks4a H:P | --socks5 H:P [--socks-user U --socks-pass P]\n"
    "URL: ftp://[user[:password]@]host[:port]/path (with --site: just the remote path)\n";

/// A progress line on a terminal's standard error.
class Progress {
public:
    explicit Progress(bool enabled) : enabled_(enabled), start_(std::chrono::steady_clock::now()) {}
    void Update(std::int64_t bytes, std::int64_t total)
    {
        if (!enabled_)
            return;
        const auto now = std::chrono::steady_clock::now();
        if (now - last_ < std::chrono::milliseconds(200))
            return;
        last_ = now;
        const double seconds = std::chrono::duration<double>(now - start_).count();
        const double rate = seconds > 0 ? static_cast<double>(bytes) / seconds / 1e6 : 0;
        if (total > 0)
            std::fprintf(stderr, "\r%lld / %lld bytes (%.0f%%)  %.1f MB/s   ", static_cast<long long>(bytes),
                         static_cast<long long>(total), 100.0 * static_cast<double>(bytes) / static_cast<double>(total), rate);
        else
            std::fprintf(stderr, "\r%lld bytes  %.1f MB/s   ", static_cast<long long>(bytes), rate);
    }
    void Done()
    {
        if (enabled_)
            std::fprintf(stderr, "\n");
    }

private:
    bool enabled_;
    std::chrono::steady_clock::time_point start_;
    std::chrono::steady_clock::time_point last_{};
};

TCliUrl ResolveTarget(const TCliOptions& options, const std::string& argument)
{
    if (!options.Site.empty()) {
        TCliUrl url = SiteUrl(options.Site);
        url.Path = argument.empty() ? "/" : argument;
        return url;
    }
    const auto url = ParseCliUrl(argument);
    if (!url)
        throw std::invalid_argument("not an ftp:// address: " + argument);
    return *url;
}

void Connect(TIdFTP& ftp, const TCliUrl& url, const TCliOptions& options)
{
    ftp.Host = url.Host;
    ftp.Port = url.Port;
    ftp.Username = url.User.empty() ? "anonymous" : url.User;
    ftp.Password = url.User.empty() && url.Password.empty() ? "tovrel@example.com" : url.Password;
    ftp.Passive = !options.Active;
    ftp.UseExtensionDataPort = options.Epsv;
    ftp.ReadTimeout = options.TimeoutMs;
    ftp.ConnectTimeout = options.TimeoutMs;
    ftp.TransferTimeout = options.TimeoutMs > 0 ? options.TimeoutMs : 30000;
    ftp.ProxySettings = options.Proxy;
    if (options.BufferSize > 0)
        ftp.DataBufferSize = options.BufferSize;
    ftp.AutoLogin = false;
    auto io = std::make_unique<TIdIOHandlerStack>();
    io->TransparentProxy = options.Socks;
    if (options.Log) {
        io->Intercept = std::make_shared<TIdConnectionIntercept>();
        io->Intercept->OnSend = [](std::string& bytes) {
            std::string line = bytes.substr(0, bytes.find_last_not_of("\r\n") + 1);
            if (line.rfind("PASS ", 0) == 0)
                line = "PASS ******";
            std::cerr << "Command> " << line << "\n";
        };
        io->Intercept->OnReceive = [](std::string& bytes) {
            std::size_t start = 0;
            while (start < bytes.size()) {
                auto end = bytes.find('\n', start);
                if (end == std::string::npos)
                    end = bytes.size();
                std::string line = bytes.substr(start, end - start);
                if (!line.empty() && line.back() == '\r')
                    line.pop_back();
                std::cerr << "Reply> " << line << "\n";
                start = end + 1;
            }
        };
        ftp.OnStatus = [](TIdStatus, const std::string& text) { std::cerr << "Status> " << text << "\n"; };
    }
    ftp.SetIOHandler(std::move(io));
    ftp.ConnectControl();
    ftp.Authenticate();
}

int RunLs(const TCliOptions& options)
{
    if (options.Positional.size() != 1)
        throw std::invalid_argument("ls needs one URL");
    const TCliUrl url = ResolveTarget(options, options.Positional[0]);
    TIdFTP ftp;
    Connect(ftp, url, options);
    if (url.Path != "/")
        ftp.ChangeWorkingDirectory(url.Path);
    std::vector<std::string> lines;
    ftp.RetrieveListing(&lines, "-al", true);
    if (options.Json)
        PrintListingJson(std::cout, ftp.ListingItems(), ftp.ListingFormat());
    else if (!options.Raw)
        PrintListingTable(std::cout, ftp.ListingItems());
    else
        for (const auto& line : lines)
            std::cout << line << "\n";
    ftp.CloseConnection();
    return 0;
}

void WriteAllToStdout(const char* data, std::size_t size)
{
    while (size > 0) {
        const ssize_t written = ::write(1, data, size);
        if (written < 0 && errno == EINTR)
            continue;
        if (written < 0)
            throw std::runtime_error(std::string("cannot write to standard output: ") + std::strerror(errno));
        data += written;
        size -= static_cast<std::size_t>(written);
    }
}

int RunGet(const TCliOptions& options)
{
    // "get URL LOCAL [URL LOCAL]...": several files over one connection.
    const auto& args = options.Positional;
    if (args.size() < 2 || args.size() % 2 != 0)
        throw std::invalid_argument("get needs URL and LOCALFILE");
    const TCliUrl first = ResolveTarget(options, args[0]);
    TIdFTP ftp;
    Connect(ftp, first, options);
    Progress progress(::isatty(2) != 0);
    std::int64_t total = -1;
    ftp.OnWork = [&](TWorkMode, std::int64_t count) { progress.Update(count, total); };
    for (std::size_t i = 0; i < args.size(); i += 2) {
        const TCliUrl url = i == 0 ? first : ResolveTarget(options, args[i]);
        if (url.Host != first.Host || url.Port != first.Port)
            throw std::invalid_argument("all files of one get must come from the same server");
        const std::string& local = args[i + 1];
        if (::isatty(2))
            total = ftp.QueryRemoteSize(url.Path);
        if (local == "-")
            ftp.Download(url.Path, WriteAllToStdout);
        else
            ftp.DownloadToFile(url.Path, local, !options.Resume, options.Resume);
        progress.Done();
    }
    ftp.CloseConnection();
    return 0;
}

int RunPut(const TCliOptions& options)
{
    if (options.Positional.size() != 2)
        throw std::invalid_argument("put needs LOCALFILE and URL");
    const std::string& local = options.Positional[0];
    TCliUrl url = ResolveTarget(options, options.Positional[1]);
    if (!url.Path.empty() && url.Path.back() == '/') {
        const auto slash = local.find_last_of('/');
        url.Path += slash == std::string::npos ? local : local.substr(slash + 1);
    }
    TIdFTP ftp;
    Connect(ftp, url, options);
    std::int64_t offset = 0;
    if (options.Resume)
        offset = std::max<std::int64_t>(ftp.QueryRemoteSize(url.Path), 0);
    Progress progress(::isatty(2) != 0);
    std::int64_t total = 0;
    ftp.OnWorkBegin = [&](TWorkMode, std::int64_t expected) { total = expected; };
    ftp.OnWork = [&](TWorkMode, std::int64_t count) { progress.Update(count, total); };
    ftp.UploadFromFile(local, url.Path, options.Resume, offset);
    progress.Done();
    ftp.CloseConnection();
    return 0;
}

int RunQuote(const TCliOptions& options)
{
    if (options.Positional.size() < 2)
        throw std::invalid_argument("quote needs URL and COMMAND");
    const TCliUrl url = ResolveTarget(options, options.Positional[0]);
    std::string command;
    for (std::size_t i = 1; i < options.Positional.size(); ++i)
        command += (i > 1 ? " " : "") + options.Positional[i];
    TIdFTP ftp;
    Connect(ftp, url, options);
    if (url.Path != "/")
        ftp.ChangeWorkingDirectory(url.Path);
    const int code = ftp.SendCommand(command, -1);
    std::cout << ftp.LastReply().FormattedReply();
    ftp.CloseConnection();
    return code >= 100 && code < 400 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::cerr << kUsage;
        return 2;
    }
    const std::string command = argv[1];
    if (command == "parse-listing")
        return RunParseListing(argc, argv);
    if (command == "--help" || command == "-h" || command == "help") {
        std::cout << kUsage;
        return 0;
    }
    std::vector<std::string> args(argv + 2, argv + argc);
    try {
        const TCliOptions options = ParseCliOptions(args);
        if (command == "ls")
            return RunLs(options);
        if (command == "get")
            return RunGet(options);
        if (command == "put")
            return RunPut(options);
        if (command == "quote")
            return RunQuote(options);
        std::cerr << "unknown command: " << command << "\n" << kUsage;
        return 2;
    } catch (const std::invalid_argument& e) {
        std::cerr << e.what() << "\n" << kUsage;
        return 2;
    } catch (const EIdReplyRFCError& e) {
        std::cerr << e.ReplyCode() << " " << e.what();
        if (std::string(e.what()).empty() || std::string(e.what()).back() != '\n')
            std::cerr << "\n";
        return 1;
    } catch (const std::exception& e) {
        std::cerr << e.what() << "\n";
        return 1;
    }
}
