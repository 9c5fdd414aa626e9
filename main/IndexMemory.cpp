#include "IndexMemory.h"

#include <string>

#include <algorithm>
#include <cstdlib>

#include "FailedAllocation.h"
#include "config/GlobalConfig.h"
#include "utility/Format.h"
#include "utility/Logger.h"
#include "utility/MemoryCache.h"
#include "utility/OsUtility.h"
#include "utility/StringResource.h"

namespace cs::driver {

using namespace cs::utility;

namespace {

const int64_t kStep = 52428800;   // 50 MiB

bool ProbeWithMalloc(size_t size)
{
    // Through a volatile pointer, so the compiler cannot drop the pair.
    void* volatile block = std::malloc(size);
    bool obtained = block != nullptr;
    std::free(block);
    return obtained;
}

MemoryProbe g_probe = ProbeWithMalloc;

std::string LackOfMemoryText(uint32_t configured)
{
    return Format(CStringResource::instance().get("IDR_LACK_MEMORY").c_str(), configured >> 20);
}

} // namespace

void ReportLackOfMemory()
{
    DumpLastError(LackOfMemoryText(g_pGlobalConfig->indexMemory()) +
                  Format(" (a request for %zu bytes failed)", LastFailedAllocation()));
}

MemoryProbe SetMemoryProbe(MemoryProbe probe)
{
    MemoryProbe previous = g_probe;
    g_probe = probe;
    return previous;
}

bool ProbeIndexMemory(uint32_t configured, uint32_t& reserved)
{
    // 50 MiB or less is never tried after the first attempt.
    for (int64_t size = configured;;) {
        if (g_probe(static_cast<size_t>(size))) {
            reserved = static_cast<uint32_t>(size);
            return true;
        }
        size -= kStep;
        if (size <= kStep)
            return false;
    }
}

uint32_t AllocateIndexMemory()
{
    uint32_t configured = g_pGlobalConfig->indexMemory();
    // One cache block holds at most 2 GiB: a larger budget starts from there.
    uint32_t wanted = static_cast<uint32_t>(std::min<uint64_t>(configured, CMemoryCache::MAX_SIZE));
    uint32_t size = 0;
    if (!ProbeIndexMemory(wanted, size))
        DumpLastError(LackOfMemoryText(configured));
    CreateIndexMemoryCache(size);
    CS_LOG_INFO("allocate %u index memory", size);
    return size;
}

} // namespace cs::driver
