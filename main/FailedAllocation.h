// The program's operator new, which remembers the size of the request that
// found no memory, so that the lack-of-memory report can name it.
#pragma once

#include <cstddef>

namespace cs::driver {

// Bytes of the last request of operator new that failed; 0 when none did.
size_t LastFailedAllocation();

} // namespace cs::driver
