// POSIX implementation of the environment: opening content files met on a walk.
#include "platform/PosixEnv.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace cs::platform {

int CPosixEnv::openRegularFileForRead(const std::string& path)
{
    // Non-blocking, so that opening a pipe without a writer returns at once.
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return -1;
    struct stat st {};
    int error = 0;
    if (::fstat(fd, &st) != 0)
        error = errno;
    else if (S_ISDIR(st.st_mode))
        error = EISDIR;
    else if (!S_ISREG(st.st_mode))
        error = EINVAL;
    if (error != 0) {
        ::close(fd);
        errno = error;
        return -1;
    }
    int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0)
        ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    return fd;
}

} // namespace cs::platform
