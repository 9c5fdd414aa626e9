// POSIX implementation of the environment: names, descriptors, listings.
#include "platform/PosixEnv.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace cs::platform {

namespace {

// Goes on after partial writes and interruptions; writeSome(bytes, count,
// done) writes once, done being the bytes already written.
template <class WriteSome>
bool WriteEvery(const void* data, size_t size, WriteSome writeSome)
{
    const char* bytes = static_cast<const char*>(data);
    size_t done = 0;
    while (done < size) {
        ssize_t written = writeSome(bytes + done, size - done, done);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0) {
            if (written == 0)
                errno = ENOSPC;   // a file that takes nothing more is full
            return false;
        }
        done += static_cast<size_t>(written);
    }
    return true;
}

// Reads until `length` bytes arrived or the file ended; readSome(bytes,
// count, done) reads once.
template <class ReadSome>
int64_t ReadEvery(void* data, int64_t length, ReadSome readSome)
{
    char* cursor = static_cast<char*>(data);
    int64_t done = 0;
    while (done < length) {
        ssize_t n = readSome(cursor + done, static_cast<size_t>(length - done), done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return -1;
        }
        if (n == 0)
            break;
        done += n;
    }
    return done;
}

FileStatus StatusOf(const struct stat& st)
{
    FileStatus status;
    status.size = static_cast<int64_t>(st.st_size);
    status.modifiedNs = static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    status.inode = static_cast<uint64_t>(st.st_ino);
    return status;
}

class CPosixDirListing final : public CDirListing {
public:
    explicit CPosixDirListing(DIR* pDir) : m_pDir(pDir) {}
    ~CPosixDirListing() override { ::closedir(m_pDir); }
    CPosixDirListing(const CPosixDirListing&) = delete;
    CPosixDirListing& operator=(const CPosixDirListing&) = delete;

    bool next(DirEntry& entry, bool& statFailed) override
    {
        for (;;) {
            errno = 0;
            dirent* item = ::readdir(m_pDir);
            if (!item)
                return false;
            if (std::strcmp(item->d_name, ".") == 0 || std::strcmp(item->d_name, "..") == 0)
                continue;
            entry.name = item->d_name;
            struct stat st {};
            // Relative to the open directory: no walk of the whole path per entry.
            statFailed = ::fstatat(::dirfd(m_pDir), item->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0;
            entry.isDirectory = !statFailed && S_ISDIR(st.st_mode);
            entry.isSymlink = !statFailed && S_ISLNK(st.st_mode);
            entry.status = StatusOf(st);
            return true;
        }
    }

private:
    DIR* m_pDir;
};

} // namespace

bool CPosixEnv::pathAccessible(const std::string& path) { return ::access(path.c_str(), F_OK) == 0; }

bool CPosixEnv::isDirectory(const std::string& path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool CPosixEnv::resolvePath(const std::string& path, std::string& resolved)
{
    char* pResolved = ::realpath(path.c_str(), nullptr);
    if (!pResolved)
        return false;
    resolved = pResolved;
    std::free(pResolved);
    return true;
}

bool CPosixEnv::createOneDirectory(const std::string& path) { return ::mkdir(path.c_str(), 0755) == 0; }
bool CPosixEnv::removeDirectory(const std::string& path) { return ::rmdir(path.c_str()) == 0; }

bool CPosixEnv::syncDirectory(const std::string& dir)
{
    int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return false;
    bool synced = ::fsync(fd) == 0;
    int saved = errno;
    ::close(fd);
    errno = saved;
    return synced;
}

std::unique_ptr<CDirListing> CPosixEnv::listDirectory(const std::string& dir)
{
    DIR* pDir = ::opendir(dir.c_str());
    if (!pDir)
        return nullptr;
    return std::make_unique<CPosixDirListing>(pDir);
}

bool CPosixEnv::moveFileReplace(const std::string& from, const std::string& to)
{
    return ::rename(from.c_str(), to.c_str()) == 0;
}

bool CPosixEnv::removeFile(const std::string& path) { return ::unlink(path.c_str()) == 0; }

bool CPosixEnv::fileLength(const std::string& path, int64_t& length)
{
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return false;
    length = static_cast<int64_t>(st.st_size);
    return true;
}

bool CPosixEnv::fileModifiedTime(const std::string& path, int64_t& seconds)
{
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return false;
    seconds = static_cast<int64_t>(st.st_mtime);
    return true;
}

bool CPosixEnv::fileStatus(const std::string& path, FileStatus& status)
{
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return false;
    status = StatusOf(st);
    return true;
}

bool CPosixEnv::touchFile(const std::string& path) { return ::utimensat(AT_FDCWD, path.c_str(), nullptr, 0) == 0; }

bool CPosixEnv::makeWritable(const std::string& path)
{
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0)
        return false;
    if (S_ISLNK(st.st_mode) || (st.st_mode & S_IWUSR))
        return true;
    return ::chmod(path.c_str(), (st.st_mode & 07777) | S_IWUSR) == 0;
}

bool CPosixEnv::freeDiskSpaceMiB(const std::string& path, uint64_t& mib)
{
    std::string probe = path.empty() ? std::string(".") : path;
    struct statvfs info {};
    while (::statvfs(probe.c_str(), &info) != 0) {
        if (errno != ENOENT && errno != ENOTDIR)
            return false;
        // Walk up to the nearest existing directory.
        while (!probe.empty() && (probe.back() == '/' || probe.back() == '\\'))
            probe.pop_back();
        size_t slash = probe.find_last_of("/\\");
        if (slash == std::string::npos)
            probe = ".";
        else
            probe = slash == 0 ? std::string("/") : probe.substr(0, slash);
    }
    mib = static_cast<uint64_t>(info.f_bavail) * info.f_frsize / 1024 / 1024;
    return true;
}

int CPosixEnv::createTruncated(const std::string& path, Readers readers)
{
    mode_t mode = readers == Readers::Everyone ? 0644 : S_IRUSR | S_IWUSR;
    return ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, mode);
}

int CPosixEnv::openFileForAppend(const std::string& path)
{
    return ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, S_IRUSR | S_IWUSR);
}

int CPosixEnv::openFileForUpdate(const std::string& path)
{
    return ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, S_IRUSR | S_IWUSR);
}

int CPosixEnv::openFileForRead(const std::string& path) { return ::open(path.c_str(), O_RDONLY | O_CLOEXEC); }

bool CPosixEnv::closeFile(int fd) { return ::close(fd) == 0; }

bool CPosixEnv::writeAll(int fd, const void* data, size_t size)
{
    return WriteEvery(data, size, [fd](const char* bytes, size_t count, size_t) { return ::write(fd, bytes, count); });
}

bool CPosixEnv::writeAllAt(int fd, const void* data, size_t size, int64_t position)
{
    return WriteEvery(data, size, [fd, position](const char* bytes, size_t count, size_t done) {
        return ::pwrite(fd, bytes, count, static_cast<off_t>(position + static_cast<int64_t>(done)));
    });
}

int64_t CPosixEnv::copyFileData(int fromFd, int64_t fromPosition, int toFd, int64_t toPosition, int64_t length)
{
    off_t from = static_cast<off_t>(fromPosition);
    off_t to = static_cast<off_t>(toPosition);
    int64_t done = 0;
    while (done < length) {
        ssize_t n = ::copy_file_range(fromFd, &from, toFd, &to, static_cast<size_t>(length - done), 0);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        done += n;
    }
    return done;
}

bool CPosixEnv::commitFile(int fd) { return ::fsync(fd) == 0; }

bool CPosixEnv::startWriteback(int fd, int64_t position, int64_t length)
{
    return ::sync_file_range(fd, static_cast<off_t>(position), static_cast<off_t>(length), SYNC_FILE_RANGE_WRITE) ==
           0;
}

bool CPosixEnv::fileDescriptorLength(int fd, int64_t& length)
{
    struct stat st {};
    if (::fstat(fd, &st) != 0)
        return false;
    length = static_cast<int64_t>(st.st_size);
    return true;
}

bool CPosixEnv::seekFile(int fd, int64_t position)
{
    return ::lseek(fd, static_cast<off_t>(position), SEEK_SET) == static_cast<off_t>(position);
}

int64_t CPosixEnv::readFileData(int fd, void* data, int64_t length)
{
    return ReadEvery(data, length, [fd](char* bytes, size_t count, int64_t) { return ::read(fd, bytes, count); });
}

int64_t CPosixEnv::readFileDataAt(int fd, void* data, int64_t length, int64_t position)
{
    return ReadEvery(data, length, [fd, position](char* bytes, size_t count, int64_t done) {
        return ::pread(fd, bytes, count, static_cast<off_t>(position + done));
    });
}

} // namespace cs::platform
