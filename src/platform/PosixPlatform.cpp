// POSIX implementation of the platform layer: the process, its errors and faults.
#include "platform/Platform.h"

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <csignal>
#include <cstring>
#include <sys/socket.h>
#include <sys/un.h>
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

SingletonResult AcquireNamedMutex(const std::string& name)
{
    // An abstract socket name is machine-wide and is released by the kernel
    // when the process ends, however it ends.
    int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return SingletonResult::Failed;
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    size_t length = std::min(name.size(), sizeof(address.sun_path) - 1);
    std::memcpy(address.sun_path + 1, name.data(), length);
    socklen_t size = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + length);
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), size) == 0)
        return SingletonResult::Acquired;   // the descriptor stays open until exit
    int error = errno;
    ::close(fd);
    errno = error;
    return error == EADDRINUSE ? SingletonResult::AlreadyRunning : SingletonResult::Failed;
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
std::string SystemErrorText(int code) { return std::strerror(code); }
bool IsDiskFullError(int code) { return code == ENOSPC; }
bool IsMissingFileError(int code) { return code == ENOENT || code == ENOTDIR; }

} // namespace cs::platform
