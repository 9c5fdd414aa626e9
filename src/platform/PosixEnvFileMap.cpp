// Read-only maps of whole files, for data that a start uses as it lies on
// disk instead of building it again.
#include <cerrno>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include "PosixEnv.h"

namespace cs::platform {

namespace {

class CPosixFileMap final : public CFileMap {
public:
    CPosixFileMap(void* pData, size_t size) : m_pData(pData), m_size(size) {}
    ~CPosixFileMap() override { ::munmap(m_pData, m_size); }
    const char* data() const override { return static_cast<const char*>(m_pData); }
    size_t size() const override { return m_size; }

private:
    void* m_pData;
    size_t m_size;
};

} // namespace

std::unique_ptr<CFileMap> CPosixEnv::mapFileForRead(const std::string& path)
{
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd == -1)
        return nullptr;
    struct stat status {};
    void* pData = MAP_FAILED;
    if (::fstat(fd, &status) == 0) {
        if (!S_ISREG(status.st_mode) || status.st_size == 0)
            errno = EINVAL;
        else   // the pages are wanted at once: fault them in one go
            pData = ::mmap(nullptr, static_cast<size_t>(status.st_size), PROT_READ, MAP_PRIVATE | MAP_POPULATE, fd, 0);
    }
    int error = errno;
    ::close(fd);
    errno = error;
    if (pData == MAP_FAILED)
        return nullptr;
    return std::make_unique<CPosixFileMap>(pData, static_cast<size_t>(status.st_size));
}

} // namespace cs::platform
