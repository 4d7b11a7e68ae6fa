#pragma once
// Runs tovrel-ftp-cli (the TOVREL_CLI path the build defines) as a program
// through the shell, collecting its exit code, standard output and standard
// error.

#include "servers/TestServers.h"

#include <sys/wait.h>

#include <cstdio>
#include <string>
#include <vector>

struct CliResult {
    int exitCode = -1;
    std::string out;
    std::string err;
};

/// `text` as one shell word.
inline std::string ShellQuote(const std::string& text)
{
    std::string quoted = "'";
    for (const char c : text)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

/// Runs `tovrel-ftp-cli arguments` (shell syntax) with `environment`
/// ("NAME=value ..." prefixed to the command) from a shell; standard error
/// goes through a file in `workDir`.
inline CliResult RunCli(const std::string& arguments, const std::string& workDir,
                        const std::string& environment = {})
{
    const std::string errFile = workDir + "/stderr.txt";
    const std::string command =
        environment + (environment.empty() ? "" : " ") + std::string(TOVREL_CLI) + " " + arguments + " 2>" + errFile;
    CliResult result;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr)
        return result;
    char buffer[4096];
    std::size_t got = 0;
    while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
        result.out.append(buffer, got);
    const int status = ::pclose(pipe);
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    result.err = ReadWholeFile(errFile);
    return result;
}

/// `text` split at line feeds (a final one ends the last line).
inline std::vector<std::string> SplitLines(const std::string& text)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}
