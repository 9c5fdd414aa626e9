#include "support/FullDiskEnv.h"

#include <algorithm>
#include <cerrno>

#include "platform/Platform.h"

namespace cs::test {

namespace {

// What a write that found no room for the rest of its bytes answers.
bool Full()
{
    platform::SetLastErrorCode(ENOSPC);
    return false;
}

} // namespace

CFullDiskEnv::CFullDiskEnv(const std::string& dir, int64_t capacity)
    : CEnvWrapper(platform::PosixEnv()), m_dir(dir + "/"), m_left(capacity)
{
}

bool CFullDiskEnv::onDisk(const std::string& path) const { return path.compare(0, m_dir.size(), m_dir) == 0; }

int CFullDiskEnv::opened(int fd, const std::string& path)
{
    if (fd >= 0 && onDisk(path))
        m_files.insert(fd);
    return fd;
}

int64_t CFullDiskEnv::room(int fd, int64_t size) const
{
    return m_files.count(fd) == 0 ? size : std::min(size, m_left);
}

void CFullDiskEnv::use(int fd, int64_t size)
{
    if (m_files.count(fd) != 0)
        m_left -= size;
}

int CFullDiskEnv::createTruncated(const std::string& path, platform::Readers readers)
{
    return opened(target().createTruncated(path, readers), path);
}

int CFullDiskEnv::openFileForAppend(const std::string& path)
{
    return opened(target().openFileForAppend(path), path);
}

int CFullDiskEnv::openFileForUpdate(const std::string& path)
{
    return opened(target().openFileForUpdate(path), path);
}

bool CFullDiskEnv::closeFile(int fd)
{
    m_files.erase(fd);
    return target().closeFile(fd);
}

bool CFullDiskEnv::writeAll(int fd, const void* data, size_t size)
{
    size_t fits = static_cast<size_t>(room(fd, static_cast<int64_t>(size)));
    if (!target().writeAll(fd, data, fits))
        return false;
    use(fd, static_cast<int64_t>(fits));
    return fits == size || Full();
}

bool CFullDiskEnv::writeAllAt(int fd, const void* data, size_t size, int64_t position)
{
    size_t fits = static_cast<size_t>(room(fd, static_cast<int64_t>(size)));
    if (!target().writeAllAt(fd, data, fits, position))
        return false;
    use(fd, static_cast<int64_t>(fits));
    return fits == size || Full();
}

int64_t CFullDiskEnv::copyFileData(int fromFd, int64_t fromPosition, int toFd, int64_t toPosition, int64_t length)
{
    int64_t fits = room(toFd, length);
    int64_t copied = target().copyFileData(fromFd, fromPosition, toFd, toPosition, fits);
    use(toFd, copied);
    if (copied == fits && fits < length)
        Full();
    return copied;
}

bool CFullDiskEnv::freeDiskSpaceMiB(const std::string& path, uint64_t& mib)
{
    if (!onDisk(path + "/"))
        return target().freeDiskSpaceMiB(path, mib);
    mib = static_cast<uint64_t>(m_left) / 1024 / 1024;
    return true;
}

} // namespace cs::test
