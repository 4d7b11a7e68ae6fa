#include "app/TerminationSignals.h"

#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <stdexcept>

#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int gPipe[2] = {-1, -1};
struct sigaction gOldTerm {};
struct sigaction gOldInt {};

extern "C" void OnSignal(int signalNumber)
{
    const int savedErrno = errno;
    const auto byte = static_cast<unsigned char>(signalNumber);
    // A full pipe means a close is already pending: dropping the byte is fine.
    [[maybe_unused]] const ssize_t written = ::write(gPipe[1], &byte, 1);
    errno = savedErrno;
}

void Install(int signalNumber, struct sigaction* old)
{
    struct sigaction action {};
    action.sa_handler = &OnSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    if (::sigaction(signalNumber, &action, old) != 0)
        throw std::runtime_error("Could not install the signal handler");
}

} // namespace

TTerminationSignals::TTerminationSignals()
{
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, gPipe) != 0)
        throw std::runtime_error("Could not create the signal pipe");
    for (int fd : gPipe)
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
    notifier_ = std::make_unique<QSocketNotifier>(gPipe[0], QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, notifier_.get(), [this] { Drain(); });
    Install(SIGTERM, &gOldTerm);
    Install(SIGINT, &gOldInt);
}

TTerminationSignals::~TTerminationSignals()
{
    ::sigaction(SIGTERM, &gOldTerm, nullptr);
    ::sigaction(SIGINT, &gOldInt, nullptr);
    notifier_.reset();
    ::close(gPipe[0]);
    ::close(gPipe[1]);
    gPipe[0] = gPipe[1] = -1;
}

void TTerminationSignals::Drain()
{
    unsigned char byte = 0;
    while (::read(gPipe[0], &byte, 1) == 1)
        if (OnTerminate)
            OnTerminate(byte);
}
