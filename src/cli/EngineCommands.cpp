#include "cli/EngineCommands.h"

#include "cli/CliConnection.h"
#include "cli/ListingCommands.h"
#include "ftp/FTP.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <stdexcept>

namespace {

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

bool SameServer(const THost& a, const THost& b)
{
    return a.Hostname == b.Hostname && a.Port == b.Port;
}

}  // namespace

int RunEngineLs(const TCliOptions& options)
{
    if (options.Positional.size() != 1)
        throw std::invalid_argument("ls needs one URL");
    const TCliTarget target = ResolveCliTarget(options, options.Positional[0]);
    TIdFTP ftp;
    ConnectEngine(ftp, target, options);
    if (target.Path != "/")
        ftp.ChangeWorkingDirectory(target.Path);
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

int RunGet(const TCliOptions& options)
{
    // "get URL LOCAL [URL LOCAL]...": several files over one connection.
    const auto& args = options.Positional;
    if (args.size() < 2 || args.size() % 2 != 0)
        throw std::invalid_argument("get needs URL and LOCALFILE");
    const TCliTarget first = ResolveCliTarget(options, args[0]);
    TIdFTP ftp;
    ConnectEngine(ftp, first, options);
    Progress progress(::isatty(2) != 0);
    std::int64_t total = -1;
    ftp.OnWork = [&](TWorkMode, std::int64_t count) { progress.Update(count, total); };
    for (std::size_t i = 0; i < args.size(); i += 2) {
        const TCliTarget target = i == 0 ? first : ResolveCliTarget(options, args[i]);
        if (!SameServer(target.Host, first.Host))
            throw std::invalid_argument("all files of one get must come from the same server");
        const std::string& local = args[i + 1];
        if (::isatty(2))
            total = ftp.QueryRemoteSize(target.Path);
        if (local == "-")
            ftp.Download(target.Path, WriteAllToStdout);
        else
            ftp.DownloadToFile(target.Path, local, !options.Resume, options.Resume);
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
    TCliTarget target = ResolveCliTarget(options, options.Positional[1]);
    if (!target.Path.empty() && target.Path.back() == '/') {
        const auto slash = local.find_last_of('/');
        target.Path += slash == std::string::npos ? local : local.substr(slash + 1);
    }
    TIdFTP ftp;
    ConnectEngine(ftp, target, options);
    std::int64_t offset = 0;
    if (options.Resume)
        offset = std::max<std::int64_t>(ftp.QueryRemoteSize(target.Path), 0);
    Progress progress(::isatty(2) != 0);
    std::int64_t total = 0;
    ftp.OnWorkBegin = [&](TWorkMode, std::int64_t expected) { total = expected; };
    ftp.OnWork = [&](TWorkMode, std::int64_t count) { progress.Update(count, total); };
    ftp.UploadFromFile(local, target.Path, options.Resume, offset);
    progress.Done();
    ftp.CloseConnection();
    return 0;
}

int RunQuote(const TCliOptions& options)
{
    if (options.Positional.size() < 2)
        throw std::invalid_argument("quote needs URL and COMMAND");
    const TCliTarget target = ResolveCliTarget(options, options.Positional[0]);
    std::string command;
    for (std::size_t i = 1; i < options.Positional.size(); ++i)
        command += (i > 1 ? " " : "") + options.Positional[i];
    if (command.find_first_of(std::string("\r\n\0", 3)) != std::string::npos)
        throw std::invalid_argument("quote sends one command: no line breaks or NUL characters");
    TIdFTP ftp;
    ConnectEngine(ftp, target, options);
    if (target.Path != "/")
        ftp.ChangeWorkingDirectory(target.Path);
    const int code = ftp.SendCommand(command, -1);
    std::cout << ftp.LastReply().FormattedReply();
    ftp.CloseConnection();
    return code >= 100 && code < 400 ? 0 : 1;
}
