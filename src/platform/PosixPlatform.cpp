// POSIX implementation of the platform layer: the process, its errors and faults.
#include "platform/Platform.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <unistd.h>

namespace cs::platform {

bool ModuleFilePath(std::string& path)
{
    char buffer[4096];
    ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof(buffer) - 1);
    if (n <= 0)
        return false;
    path.assign(buffer, static_cast<size_t>(n));
    return true;
}

namespace {
FaultCallback g_faultCallback = nullptr;

void OnFault(int)
{
    if (g_faultCallback)
        g_faultCallback("os exception: SEH exception");
    ::_exit(255);
}
} // namespace

void InstallFaultHandlers(FaultCallback callback)
{
    g_faultCallback = callback;
    struct sigaction action {};
    action.sa_handler = OnFault;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESETHAND;
    for (int signal : {SIGSEGV, SIGFPE, SIGBUS, SIGILL})
        ::sigaction(signal, &action, nullptr);
}

int LastErrorCode() { return errno; }
void SetLastErrorCode(int code) { errno = code; }
std::string SystemErrorText(int code)
{
    // strerror may share one buffer between threads; the GNU strerror_r
    // answers with a text of its own or one put into `buffer`.
    char buffer[256];
    return ::strerror_r(code, buffer, sizeof(buffer));
}
bool IsDiskFullError(int code) { return code == ENOSPC; }
bool IsMissingFileError(int code) { return code == ENOENT || code == ENOTDIR; }

} // namespace cs::platform
