// POSIX implementation of the environment: temporary files and copies.
#include "platform/PosixEnv.h"

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

} // namespace

bool CPosixEnv::tempDirectory(std::string& dir)
{
    const char* tmpdir = std::getenv("TMPDIR");
    dir = tmpdir && *tmpdir && isDirectory(tmpdir) ? tmpdir : "/tmp";
    if (!isDirectory(dir)) {
        errno = ENOENT;
        return false;
    }
    if (dir.back() != '/')
        dir += '/';
    return true;
}

bool CPosixEnv::createTempFile(const std::string& dir, const std::string& prefix, std::string& path)
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

bool CPosixEnv::copyFileNoReplace(const std::string& from, const std::string& to)
{
    int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
    if (in == -1)
        return false;
    int out = ::open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (out == -1) {
        CloseKeepingError(in);
        return false;
    }
    char buffer[65536];
    int64_t count = 0;
    bool copied = true;
    do {
        count = readFileData(in, buffer, sizeof(buffer));
        copied = count >= 0 && writeAll(out, buffer, static_cast<size_t>(count));
    } while (copied && count == static_cast<int64_t>(sizeof(buffer)));
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

bool CPosixEnv::moveFileNoReplace(const std::string& from, const std::string& to)
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
