#include "support/FullDisk.h"

#include <fcntl.h>
#include <sys/mount.h>
#include <unistd.h>

#include <filesystem>
#include <vector>

#include "support/TestSupport.h"

namespace cs::test {

CFullDisk::CFullDisk()
{
    m_dir = MakeTempDir("fulldisk");
    m_mounted = ::mount("tmpfs", m_dir.c_str(), "tmpfs", 0, "size=64k,mode=0700") == 0;
    m_devFull = !m_mounted && ::access("/dev/full", W_OK) == 0;
}

CFullDisk::~CFullDisk()
{
    if (m_mounted)
        ::umount2(m_dir.c_str(), MNT_DETACH);
    std::error_code ignored;
    std::filesystem::remove_all(m_dir, ignored);
}

std::string CFullDisk::path(const std::string& name) const { return m_mounted ? m_dir + "/" + name : "/dev/full"; }

void CFullDisk::fill() const
{
    if (!m_mounted)
        return;
    int fd = ::open((m_dir + "/filler").c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    std::vector<char> block(4096, 'f');
    while (fd != -1 && ::write(fd, block.data(), block.size()) > 0) {
    }
    // Whatever a smaller write can still squeeze in.
    while (fd != -1 && ::write(fd, block.data(), 1) > 0) {
    }
    if (fd != -1)
        ::close(fd);
}

} // namespace cs::test
