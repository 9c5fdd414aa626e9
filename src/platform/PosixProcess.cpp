// POSIX implementation of the platform layer: child processes and pipes.
#include "platform/Platform.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <ctime>
#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

namespace cs::platform {

namespace {

// Moves a descriptor to 3 or above (close-on-exec) so that setting up a
// child's standard descriptors can never overwrite it.
bool LiftAboveStandard(int& fd)
{
    if (fd > 2)
        return true;
    int lifted = ::fcntl(fd, F_DUPFD_CLOEXEC, 3);
    if (lifted == -1)
        return false;
    ::close(fd);
    fd = lifted;
    return true;
}

// Runs in the child between fork and exec: only async-signal-safe calls.
[[noreturn]] void ExecChild(char* const* argv, int outputFd, int reportFd, int maxFd)
{
    ::setpgid(0, 0);
    sigset_t none;
    sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
    // Dispositions set to "ignore" would survive exec; the converter gets the defaults.
    struct sigaction defaults {};
    defaults.sa_handler = SIG_DFL;
    for (int signal : {SIGPIPE, SIGCHLD, SIGINT, SIGQUIT, SIGTERM, SIGHUP})
        ::sigaction(signal, &defaults, nullptr);
    if (::dup2(outputFd, 1) == -1 || ::dup2(outputFd, 2) == -1) {
        int error = errno;
        [[maybe_unused]] ssize_t n = ::write(reportFd, &error, sizeof(error));
        ::_exit(127);
    }
    // Descriptors this process opened without close-on-exec (log files and
    // the like) must not reach the converter.
    if (::close_range(3, ~0U, CLOSE_RANGE_CLOEXEC) != 0) {
        for (int fd = 3; fd < maxFd; ++fd)
            ::fcntl(fd, F_SETFD, FD_CLOEXEC);
    }
    ::execvp(argv[0], argv);
    int error = errno;
    [[maybe_unused]] ssize_t n = ::write(reportFd, &error, sizeof(error));
    ::_exit(127);
}

} // namespace

void SleepMillis(int ms)
{
    timespec delay{ms / 1000, static_cast<long>(ms % 1000) * 1000000L};
    // A signal cuts the sleep short; the rest is slept.
    while (::nanosleep(&delay, &delay) != 0 && errno == EINTR) {
    }
}

bool CreatePipe(int fds[2])
{
    if (::pipe2(fds, O_CLOEXEC) != 0)
        return false;
    if (LiftAboveStandard(fds[0]) && LiftAboveStandard(fds[1]))
        return true;
    int error = errno;
    ::close(fds[0]);
    ::close(fds[1]);
    errno = error;
    return false;
}

int StartChild(const std::vector<std::string>& argv, int outputFd)
{
    if (argv.empty()) {
        errno = EINVAL;
        return 0;
    }
    std::vector<char*> args;
    for (const std::string& arg : argv)
        args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);
    long openMax = ::sysconf(_SC_OPEN_MAX);
    int maxFd = openMax > 0 ? static_cast<int>(std::min(openMax, 65536L)) : 1024;

    // The child reports a failed exec through this pipe; its closing on a
    // successful exec tells that the program runs.
    int report[2];
    if (!CreatePipe(report))
        return 0;
    pid_t pid = ::fork();
    if (pid == 0)
        ExecChild(args.data(), outputFd, report[1], maxFd);
    int error = errno;
    ::close(report[1]);
    if (pid < 0) {
        ::close(report[0]);
        errno = error;
        return 0;
    }
    int childError = 0;
    ssize_t n;
    do {
        n = ::read(report[0], &childError, sizeof(childError));
    } while (n < 0 && errno == EINTR);
    ::close(report[0]);
    if (n == static_cast<ssize_t>(sizeof(childError))) {
        while (::waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
        }
        errno = childError;
        return 0;
    }
    return pid;
}

int CurrentProcessId() { return static_cast<int>(::getpid()); }

int WaitChildEnd(int pid, int timeoutMs)
{
    int64_t deadline = timeoutMs < 0 ? -1 : MonotonicMillis() + timeoutMs;
    int pause = 1;
    for (;;) {
        siginfo_t info{};
        int options = WEXITED | WNOWAIT | (deadline < 0 ? 0 : WNOHANG);
        if (::waitid(P_PID, static_cast<id_t>(pid), &info, options) != 0) {
            if (errno == EINTR)
                continue;
            return errno == ECHILD ? 1 : -1;   // reaped elsewhere: it has ended
        }
        if (info.si_pid != 0)
            return 1;
        int64_t left = deadline - MonotonicMillis();
        if (left <= 0)
            return 0;
        SleepMillis(static_cast<int>(std::min<int64_t>(pause, left)));
        pause = std::min(pause * 2, 20);
    }
}

bool KillAndReapChild(int pid)
{
    // The group outlives its leader while any member runs, and the leader is
    // not reaped yet, so the id cannot name anybody else's group.
    if (::kill(-pid, SIGKILL) != 0) {
        if (errno != ESRCH)
            return false;
        // No group (it was never formed): the child alone.
        if (::kill(pid, SIGKILL) != 0 && errno != ESRCH)
            return false;
    }
    for (;;) {
        if (::waitpid(pid, nullptr, 0) == pid)
            return true;
        if (errno == EINTR)
            continue;
        return errno == ECHILD;   // reaped elsewhere: nothing left to do
    }
}

int WaitReadable(int fd, int timeoutMs)
{
    int64_t deadline = timeoutMs < 0 ? -1 : MonotonicMillis() + timeoutMs;
    for (;;) {
        int wait = -1;
        if (deadline >= 0)
            wait = static_cast<int>(std::max<int64_t>(0, deadline - MonotonicMillis()));
        pollfd item{fd, POLLIN, 0};
        int ready = ::poll(&item, 1, wait);
        if (ready > 0)
            return 1;
        if (ready == 0)
            return 0;
        if (errno != EINTR)
            return -1;
    }
}

long ReadSome(int fd, void* buffer, size_t size)
{
    for (;;) {
        ssize_t n = ::read(fd, buffer, size);
        if (n >= 0 || errno != EINTR)
            return static_cast<long>(n);
    }
}

bool CloseDescriptor(int fd)
{
    // After EINTR the descriptor is gone all the same on Linux.
    return ::close(fd) == 0 || errno == EINTR;
}

int64_t MonotonicMillis()
{
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<int64_t>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

bool IsTerminal(int fd) { return ::isatty(fd) == 1; }

} // namespace cs::platform
