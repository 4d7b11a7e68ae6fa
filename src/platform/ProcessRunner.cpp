// Linux: the child is watched through a process file descriptor, so the
// runner needs no signal handler and never blocks the event loop.
#include "platform/ProcessRunner.h"

#include <QSocketNotifier>
#include <QTimer>

#include <cerrno>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

TProcessRunner::TProcessRunner() = default;

TProcessRunner::~TProcessRunner()
{
    notifier_.reset();
    poll_.reset();
    if (pidfd_ >= 0)
        ::close(pidfd_);
    // A program still running is left alone; it is reaped when it ends if
    // this process still runs then, else by the system.
    if (pid_ > 0)
        ::waitpid(pid_, nullptr, WNOHANG);
}

bool TProcessRunner::Start(const std::vector<std::string>& arguments)
{
    if (arguments.empty() || pid_ > 0)
        return false;
    std::vector<char*> argv;
    for (const auto& arg : arguments)
        argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    pid_t pid = -1;
    if (::posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0)
        return false;
    pid_ = pid;
    pidfd_ = static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
    if (pidfd_ >= 0) {
        notifier_ = std::make_unique<QSocketNotifier>(pidfd_, QSocketNotifier::Read);
        QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this] { CheckExited(); });
    } else {
        poll_ = std::make_unique<QTimer>();
        QObject::connect(poll_.get(), &QTimer::timeout, [this] { CheckExited(); });
        poll_->start(250);
    }
    return true;
}

void TProcessRunner::CheckExited()
{
    if (pid_ <= 0)
        return;
    int status = 0;
    const pid_t done = ::waitpid(pid_, &status, WNOHANG);
    if (done == 0 || (done < 0 && errno == EINTR))
        return;
    // Ended (or already reaped elsewhere: ECHILD); either way it is gone.
    pid_ = -1;
    if (notifier_)
        notifier_->setEnabled(false);
    if (poll_)
        poll_->stop();
    if (OnExit)
        OnExit(*this);
}
