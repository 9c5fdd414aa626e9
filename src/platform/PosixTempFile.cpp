// POSIX implementation of the platform layer: temporary files and copies.
#include "platform/Platform.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>

namespace cs::platform {

namespace {

// Closes a descriptor without disturbing the error code of what went before.
void CloseKeepingError(int fd)
{
    int error = errno;
    ::close(fd);
    errno = error;
}

bool WriteAll(int fd, const char* data, size_t size)
{
    while (size > 0) {
        ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

bool CopyContent(int in, int out)
{
    char buffer[65536];
    for (;;) {
        ssize_t n = ::read(in, buffer, sizeof(buffer));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return n == 0;
        if (!WriteAll(out, buffer, static_cast<size_t>(n)))
            return false;
    }
}

} // namespace

bool TempDirectory(std::string& dir)
{
    const char* tmpdir = std::getenv("TMPDIR");
    dir = tmpdir && *tmpdir && IsDirectory(tmpdir) ? tmpdir : "/tmp";
    if (!IsDirectory(dir)) {
        errno = ENOENT;
        return false;
    }
    if (dir.back() != '/')
        dir += '/';
    return true;
}

bool CreateTempFile(const std::string& dir, const std::string& prefix, std::string& path)
{
    std::string name = dir;
    if (!name.empty() && name.back() != '/' && name.back() != '\\')
        name += '/';
    name += prefix + "XXXXXX.tmp";
    int fd = ::mkostemps(name.data(), 4, O_CLOEXEC);
    if (fd == -1)
        return false;
    ::close(fd);
    path = name;
    return true;
}

bool CopyFileNoReplace(const std::string& from, const std::string& to)
{
    int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
    if (in == -1)
        return false;
    int out = ::open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (out == -1) {
        CloseKeepingError(in);
        return false;
    }
    bool copied = CopyContent(in, out);
    CloseKeepingError(in);
    if (copied) {
        if (::close(out) == 0)
            return true;
    } else {
        CloseKeepingError(out);
    }
    int error = errno;
    ::unlink(to.c_str());
    errno = error;
    return false;
}

bool MoveFileNoReplace(const std::string& from, const std::string& to)
{
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
        return true;
    if (errno != EINVAL && errno != ENOSYS)
        return false;
    // A file system without the flag: a hard link refuses a taken name too.
    if (::link(from.c_str(), to.c_str()) != 0)
        return false;
    if (::unlink(from.c_str()) == 0)
        return true;
    int error = errno;
    ::unlink(to.c_str());
    errno = error;
    return false;
}

} // namespace cs::platform
