// POSIX implementation of the platform layer.
#include "platform/Platform.h"

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <csignal>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
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

bool PathAccessible(const std::string& path) { return ::access(path.c_str(), F_OK) == 0; }

bool IsDirectory(const std::string& path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool CreateOneDirectory(const std::string& path) { return ::mkdir(path.c_str(), 0755) == 0; }
bool CommitFile(int fd) { return ::fsync(fd) == 0; }

bool StartWriteback(int fd, int64_t position, int64_t length)
{
    return ::sync_file_range(fd, static_cast<off_t>(position), static_cast<off_t>(length), SYNC_FILE_RANGE_WRITE) ==
           0;
}

bool SyncDirectory(const std::string& dir)
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

bool MoveFileReplace(const std::string& from, const std::string& to)
{
    return ::rename(from.c_str(), to.c_str()) == 0;
}

bool RemoveFile(const std::string& path) { return ::unlink(path.c_str()) == 0; }

int CreateTruncated(const std::string& path)
{
    return ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, S_IRUSR | S_IWUSR);
}

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

} // namespace

bool WriteAll(int fd, const void* data, size_t size)
{
    return WriteEvery(data, size, [fd](const char* bytes, size_t count, size_t) { return ::write(fd, bytes, count); });
}

bool WriteAllAt(int fd, const void* data, size_t size, int64_t position)
{
    return WriteEvery(data, size, [fd, position](const char* bytes, size_t count, size_t done) {
        return ::pwrite(fd, bytes, count, static_cast<off_t>(position + static_cast<int64_t>(done)));
    });
}

int64_t CopyFileData(int fromFd, int64_t fromPosition, int toFd, int64_t toPosition, int64_t length)
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

bool CloseFile(int fd) { return ::close(fd) == 0; }

int OpenFileForRead(const std::string& path) { return ::open(path.c_str(), O_RDONLY | O_CLOEXEC); }

int OpenFileForUpdate(const std::string& path)
{
    return ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, S_IRUSR | S_IWUSR);
}

bool FileDescriptorLength(int fd, int64_t& length)
{
    struct stat st {};
    if (::fstat(fd, &st) != 0)
        return false;
    length = static_cast<int64_t>(st.st_size);
    return true;
}

bool SeekFile(int fd, int64_t position)
{
    return ::lseek(fd, static_cast<off_t>(position), SEEK_SET) == static_cast<off_t>(position);
}

int64_t ReadFileData(int fd, void* data, int64_t length)
{
    return ReadEvery(data, length, [fd](char* bytes, size_t count, int64_t) { return ::read(fd, bytes, count); });
}

int64_t ReadFileDataAt(int fd, void* data, int64_t length, int64_t position)
{
    return ReadEvery(data, length, [fd, position](char* bytes, size_t count, int64_t done) {
        return ::pread(fd, bytes, count, static_cast<off_t>(position + done));
    });
}

bool FileLength(const std::string& path, int64_t& length)
{
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return false;
    length = static_cast<int64_t>(st.st_size);
    return true;
}

bool FileModifiedTime(const std::string& path, int64_t& seconds)
{
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return false;
    seconds = static_cast<int64_t>(st.st_mtime);
    return true;
}

bool TouchFile(const std::string& path) { return ::utimensat(AT_FDCWD, path.c_str(), nullptr, 0) == 0; }

bool MakeWritable(const std::string& path)
{
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0)
        return false;
    if (S_ISLNK(st.st_mode) || (st.st_mode & S_IWUSR))
        return true;
    return ::chmod(path.c_str(), (st.st_mode & 07777) | S_IWUSR) == 0;
}

bool RemoveDirectory(const std::string& path) { return ::rmdir(path.c_str()) == 0; }

bool FreeDiskSpaceMiB(const std::string& path, uint64_t& mib)
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

CDirListing::~CDirListing() { close(); }

bool CDirListing::open(const std::string& dir)
{
    close();
    m_path = dir;
    if (!m_path.empty() && m_path.back() != '/' && m_path.back() != '\\')
        m_path += '/';
    m_pDir = ::opendir(dir.c_str());
    return m_pDir != nullptr;
}

bool CDirListing::next(DirEntry& entry, bool& statFailed)
{
    if (!m_pDir)
        return false;
    for (;;) {
        errno = 0;
        dirent* item = ::readdir(static_cast<DIR*>(m_pDir));
        if (!item)
            return false;
        if (std::strcmp(item->d_name, ".") == 0 || std::strcmp(item->d_name, "..") == 0)
            continue;
        entry.name = item->d_name;
        struct stat st {};
        statFailed = ::lstat((m_path + entry.name).c_str(), &st) != 0;
        entry.isDirectory = !statFailed && S_ISDIR(st.st_mode);
        entry.isSymlink = !statFailed && S_ISLNK(st.st_mode);
        return true;
    }
}

void CDirListing::close()
{
    if (m_pDir) {
        ::closedir(static_cast<DIR*>(m_pDir));
        m_pDir = nullptr;
    }
}

} // namespace cs::platform
