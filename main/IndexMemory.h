// Reservation of the index memory at start-up, and the report when memory
// runs out.
#pragma once

#include <cstddef>
#include <cstdint>

namespace cs::driver {

// Tells whether a block of `size` bytes can be had (the block is released at
// once). Tests put a limited one in place.
using MemoryProbe = bool (*)(size_t size);

// Installs `probe` and returns the one it replaces.
MemoryProbe SetMemoryProbe(MemoryProbe probe);

// Tries `configured` bytes, then 50 MiB less each time while the size stays
// above 50 MiB; `reserved` is the first size that could be had.
bool ProbeIndexMemory(uint32_t configured, uint32_t& reserved);

// Reserves /config/index/memory bytes (at most 2 GiB) or less (see
// ProbeIndexMemory), makes the process-wide index memory cache of that size
// (GetIndexMemoryCache) and returns the size; when nothing can be had the
// IDR_LACK_MEMORY report ends the process with exit code 3.
uint32_t AllocateIndexMemory();

// Memory ran out during the run: the IDR_LACK_MEMORY report, with the size of
// the request that failed, ends the process with exit code 3.
[[noreturn]] void ReportLackOfMemory();

} // namespace cs::driver
