// tovrel-ftp-cli: list, download, upload, change remote folders and send raw
// commands from the command line, with the same engine and browsing session
// as the program. This file only picks the command.
#include "cli/CliOptions.h"
#include "cli/CliTrust.h"
#include "cli/EngineCommands.h"
#include "cli/ListingCommands.h"
#include "cli/QueueCommands.h"
#include "cli/SessionCommands.h"
#include "ftp/IdExceptions.h"

#include <iostream>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

const char* const kUsage =
    "usage: tovrel-ftp-cli COMMAND [options]\n"
    "  ls [--raw|--json] [--resolve-links] URL\n"
    "                                 list a folder (LIST -al); --resolve-links lists\n"
    "                                 through the program's session: links become\n"
    "                                 the folders or files they lead to\n"
    "  get URL LOCALFILE [URL LOCALFILE]... [--resume]\n"
    "                                 download (LOCALFILE - = standard output)\n"
    "  put LOCALFILE URL [--resume]   upload (--resume appends from the remote size)\n"
    "  quote URL COMMAND...           send one command, print the reply\n"
    "  rm [-r] URL                    delete a file or link (-r: also a folder tree)\n"
    "  mkdir URL                      create a folder\n"
    "  mv URL NEWNAME                 rename an entry in its folder\n"
    "  chmod MODE URL                 change permissions (SITE CHMOD)\n"
    "  find URL PATTERN               search the tree below URL; one JSON line per\n"
    "                                 match (* ? [a-z], any letter case)\n"
    "  parse-listing [--now ISO]      parse LIST output from standard input\n"
    "options: --active --epsv --timeout MS --log --site NAME --buffer-size BYTES\n"
    "  --tls (explicit TLS, required) | --implicit-tls (port 990 by default)\n"
    "  --prot C|P (data connections clear or protected; default P) --ccc\n"
    "  --proxy-type NAME --proxy-host H --proxy-port N --proxy-user U --proxy-pass P\n"
    "  --socks4 H:P | --socks4a H:P | --socks5 H:P [--socks-user U --socks-pass P]\n"
    "  --trust SHA256:FINGERPRINT (also --trust-fingerprint): accept that server\n"
    "                                 certificate although the system cannot vouch for it\n"
    "  --insecure                     accept any server certificate (not checked)\n"
    "URL: ftp://[user[:password]@]host[:port]/path (with --site: just the remote path)\n";

int Dispatch(const std::string& command, const TCliOptions& options)
{
    if (IsSessionCommand(command, options))
        return RunSessionCommand(command, options);
    if (command == "ls")
        return RunEngineLs(options);
    if (command == "get")
        return RunGet(options);
    if (command == "put")
        return RunPut(options);
    if (command == "quote")
        return RunQuote(options);
    throw std::invalid_argument("unknown command: " + command);
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
        std::cout << kUsage << kQueueUsage;
        return 0;
    }
    std::vector<std::string> args(argv + 2, argv + argc);
    try {
        const TCliTrust trust(args);
        if (command == "queue")
            return RunQueueCommand(args);
        return Dispatch(command, ParseCliOptions(args));
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
