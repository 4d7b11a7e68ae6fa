#pragma once
// Real write failures for tests that also run as root (where permission
// bits stop nothing): a forked child gets a file-size limit and ignores
// SIGXFSZ, so any write that would grow a file past the limit fails with
// EFBIG, exactly as on a full disk or an exceeded quota.

#include <csignal>
#include <cstdlib>
#include <exception>
#include <functional>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

/// Runs `body` in a child process whose files may not grow past `limit`
/// bytes and answers its result (0..255 by convention 0 = all checks held).
/// An escaped exception gives 200; a crash gives -1.
inline int RunWithFileSizeLimit(rlim_t limit, const std::function<int()>& body)
{
    const pid_t pid = ::fork();
    if (pid == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limits{limit, limit};
        if (::setrlimit(RLIMIT_FSIZE, &limits) != 0)
            ::_exit(201);
        int result = 200;
        try {
            result = body();
        } catch (...) {
        }
        ::_exit(result); // no test-framework or static tear-down in the child
    }
    if (pid < 0)
        return -2;
    int status = 0;
    if (::waitpid(pid, &status, 0) != pid)
        return -2;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}
