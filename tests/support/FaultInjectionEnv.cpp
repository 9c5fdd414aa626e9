#include "support/FaultInjectionEnv.h"

#include <cerrno>

#include "platform/Platform.h"

namespace cs::test {

CFaultInjectionEnv::CFaultInjectionEnv(const std::string& dir, Fault fault, int64_t at)
    : CEnvWrapper(platform::PosixEnv()), m_disk(dir), m_fault(fault), m_at(at)
{
}

bool CFaultInjectionEnv::admit(const std::string& path)
{
    m_counted = false;
    return !m_disk.covers(path) || admitCounted();
}

bool CFaultInjectionEnv::admit(int fd)
{
    m_counted = false;
    return !m_disk.tracks(fd) || admitCounted();
}

bool CFaultInjectionEnv::admitCounted()
{
    ++m_count;
    int error = 0;
    if (m_fault == Fault::POWER_CUT && m_count > m_at)
        error = EIO;
    else if (m_count == m_at && m_fault != Fault::POWER_CUT && m_fault != Fault::NONE)
        error = m_fault == Fault::NO_SPACE ? ENOSPC : EIO;
    if (error != 0) {
        platform::SetLastErrorCode(error);
        return false;
    }
    m_counted = true;
    return true;
}

void CFaultInjectionEnv::changed(bool tookEffect)
{
    if (tookEffect && m_counted && m_observer)
        m_observer(m_count);
    m_counted = false;
}

int CFaultInjectionEnv::opened(int fd, const std::string& path)
{
    if (fd >= 0)
        m_disk.opened(fd, path);
    changed(fd >= 0);
    return fd;
}

bool CFaultInjectionEnv::createOneDirectory(const std::string& path)
{
    if (!admit(path))
        return false;
    bool made = target().createOneDirectory(path);
    if (made)
        m_disk.madeDirectory(path);
    changed(made);
    return made;
}

bool CFaultInjectionEnv::removeDirectory(const std::string& path)
{
    if (!admit(path))
        return false;
    bool removed = target().removeDirectory(path);
    if (removed)
        m_disk.removed(path);
    changed(removed);
    return removed;
}

bool CFaultInjectionEnv::syncDirectory(const std::string& dir)
{
    if (!admit(dir))
        return false;
    m_disk.synced(dir);
    changed(true);
    return true;
}

bool CFaultInjectionEnv::moveFileReplace(const std::string& from, const std::string& to)
{
    if (!admit(m_disk.covers(from) ? from : to))
        return false;
    bool moved = target().moveFileReplace(from, to);
    if (moved)
        m_disk.renamed(from, to);
    changed(moved);
    return moved;
}

bool CFaultInjectionEnv::moveFileNoReplace(const std::string& from, const std::string& to)
{
    if (!admit(m_disk.covers(from) ? from : to))
        return false;
    bool moved = target().moveFileNoReplace(from, to);
    if (moved)
        m_disk.renamed(from, to);
    changed(moved);
    return moved;
}

bool CFaultInjectionEnv::copyFileNoReplace(const std::string& from, const std::string& to)
{
    if (!admit(to))
        return false;
    bool copied = target().copyFileNoReplace(from, to);
    if (copied)
        m_disk.opened(-1, to);
    changed(copied);
    return copied;
}

bool CFaultInjectionEnv::removeFile(const std::string& path)
{
    if (!admit(path))
        return false;
    bool removed = target().removeFile(path);
    if (removed)
        m_disk.removed(path);
    changed(removed);
    return removed;
}

bool CFaultInjectionEnv::touchFile(const std::string& path)
{
    if (!admit(path))
        return false;
    bool touched = target().touchFile(path);
    changed(touched);
    return touched;
}

bool CFaultInjectionEnv::makeWritable(const std::string& path)
{
    if (!admit(path))
        return false;
    bool made = target().makeWritable(path);
    changed(made);
    return made;
}

bool CFaultInjectionEnv::createTempFile(const std::string& dir, const std::string& prefix, std::string& path)
{
    if (!admit(dir + "/" + prefix))
        return false;
    bool created = target().createTempFile(dir, prefix, path);
    if (created)
        m_disk.opened(-1, path);
    changed(created);
    return created;
}

int CFaultInjectionEnv::createTruncated(const std::string& path, platform::Readers readers)
{
    return admit(path) ? opened(target().createTruncated(path, readers), path) : -1;
}

int CFaultInjectionEnv::openFileForAppend(const std::string& path)
{
    return admit(path) ? opened(target().openFileForAppend(path), path) : -1;
}

int CFaultInjectionEnv::openFileForUpdate(const std::string& path)
{
    return admit(path) ? opened(target().openFileForUpdate(path), path) : -1;
}

bool CFaultInjectionEnv::closeFile(int fd)
{
    // No change of its own: the bytes were written, and are committed or not.
    m_disk.closed(fd);
    return target().closeFile(fd);
}

bool CFaultInjectionEnv::writeAll(int fd, const void* data, size_t size)
{
    if (!admit(fd))
        return false;
    bool written = target().writeAll(fd, data, size);
    changed(written);
    return written;
}

bool CFaultInjectionEnv::writeAllAt(int fd, const void* data, size_t size, int64_t position)
{
    if (!admit(fd))
        return false;
    bool written = target().writeAllAt(fd, data, size, position);
    changed(written);
    return written;
}

int64_t CFaultInjectionEnv::copyFileData(int fromFd, int64_t fromPosition, int toFd, int64_t toPosition,
                                         int64_t length)
{
    if (!admit(toFd))
        return 0;
    int64_t copied = target().copyFileData(fromFd, fromPosition, toFd, toPosition, length);
    changed(copied > 0);
    return copied;
}

bool CFaultInjectionEnv::commitFile(int fd)
{
    if (!admit(fd))
        return false;
    m_disk.committed(fd);
    changed(true);
    return true;
}

} // namespace cs::test
