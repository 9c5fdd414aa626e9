#include "platform/Env.h"

#include <atomic>
#include <cerrno>

#include "platform/EnvScope.h"
#include "platform/Platform.h"
#include "platform/PosixEnv.h"

namespace cs::platform {

namespace {
std::atomic<CEnv*> g_pEnv{nullptr};   // none: the POSIX environment
} // namespace

CEnv& PosixEnv()
{
    // Never destroyed: the logger may still write while static objects go.
    static CPosixEnv* pEnv = new CPosixEnv;
    return *pEnv;
}

CEnv& Env()
{
    CEnv* pEnv = g_pEnv.load(std::memory_order_acquire);
    return pEnv ? *pEnv : PosixEnv();
}

CEnvScope::CEnvScope(CEnv& env) : m_pPrevious(g_pEnv.exchange(&env, std::memory_order_acq_rel)) {}

CEnvScope::~CEnvScope() { g_pEnv.store(m_pPrevious, std::memory_order_release); }

bool CEnv::readWholeFile(const std::string& path, std::string& text, bool* pOpened)
{
    text.clear();
    int fd = openFileForRead(path);
    if (pOpened)
        *pOpened = fd >= 0;
    if (fd < 0)
        return false;
    int64_t length = 0;
    fileDescriptorLength(fd, length);
    char chunk[65536];
    int64_t count = 0;
    do {
        count = readFileData(fd, chunk, sizeof(chunk));
        if (count > 0)
            text.append(chunk, static_cast<size_t>(count));
    } while (count == static_cast<int64_t>(sizeof(chunk)));   // a shorter count: the end
    // Ending before the length the file had when it was opened is no whole read.
    if (count >= 0 && static_cast<int64_t>(text.size()) < length) {
        count = -1;
        SetLastErrorCode(EIO);
    }
    int error = LastErrorCode();
    closeFile(fd);
    SetLastErrorCode(error);
    return count >= 0;
}

bool CEnv::listEntries(const std::string& dir, std::vector<DirEntry>& entries)
{
    entries.clear();
    std::unique_ptr<CDirListing> pListing = listDirectory(dir);
    if (!pListing)
        return false;
    DirEntry entry;
    bool statFailed = false;
    while (pListing->next(entry, statFailed))
        entries.push_back(entry);
    return true;
}

} // namespace cs::platform
