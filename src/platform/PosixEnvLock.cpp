// POSIX implementation of the environment: the advisory locks of files, as
// open-file-description locks (F_OFD_SETLK), which belong to the open file
// rather than to the process (a classic fcntl lock would be dropped when any
// descriptor of the file in the process is closed, and not meet another
// thread's) and go with it.
#include "platform/PosixEnv.h"

#include <cerrno>
#include <fcntl.h>
#include <string>
#include <unistd.h>

namespace cs::platform {

namespace {

struct flock WholeFile(short type)
{
    struct flock range {};
    range.l_type = type;
    range.l_whence = SEEK_SET;   // from 0 to the end, however far the file grows
    return range;
}

// The process id at the start of the file, -1 when it holds none.
int PidIn(int fd)
{
    char text[32];
    ssize_t n = ::pread(fd, text, sizeof(text), 0);
    long pid = 0;
    for (ssize_t i = 0; i < n && text[i] >= '0' && text[i] <= '9' && pid < 1000000000; ++i)
        pid = pid * 10 + (text[i] - '0');
    return pid > 0 ? static_cast<int>(pid) : -1;
}

int CloseKeepingError(int fd, int error)
{
    ::close(fd);
    errno = error;
    return -1;
}

} // namespace

int CPosixEnv::lockFile(const std::string& path, int& holderPid)
{
    holderPid = 0;
    // Opened without truncating: the file names the holder until the lock is ours.
    int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0)
        return -1;
    struct flock range = WholeFile(F_WRLCK);
    if (::fcntl(fd, F_OFD_SETLK, &range) != 0) {
        int error = errno == EAGAIN || errno == EACCES ? EWOULDBLOCK : errno;
        if (error == EWOULDBLOCK)
            holderPid = PidIn(fd);
        return CloseKeepingError(fd, error);
    }
    // Written over the old id and then cut to length: at no moment does the
    // file name a process by a mix of two ids.
    std::string pid = std::to_string(::getpid()) + "\n";
    if (::pwrite(fd, pid.data(), pid.size(), 0) != static_cast<ssize_t>(pid.size()) ||
        ::ftruncate(fd, static_cast<off_t>(pid.size())) != 0)
        return CloseKeepingError(fd, errno == 0 ? EIO : errno);
    return fd;
}

int CPosixEnv::lockHolder(const std::string& path)
{
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return 0;
    struct flock range = WholeFile(F_WRLCK);
    int holder = 0;
    if (::fcntl(fd, F_OFD_GETLK, &range) == 0 && range.l_type != F_UNLCK)
        holder = PidIn(fd);
    ::close(fd);
    return holder;
}

} // namespace cs::platform
