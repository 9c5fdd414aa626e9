#include "FailedAllocation.h"

#include <atomic>
#include <cstdlib>
#include <new>

// Every non-aligned form of new and delete is replaced together, over malloc
// and free, so that allocation and release always pair (the aligned forms
// keep the library's own pair).

namespace {

std::atomic<size_t> g_failedSize{0};

void* Allocate(size_t size) noexcept
{
    void* p = std::malloc(size == 0 ? 1 : size);
    if (!p)
        g_failedSize.store(size, std::memory_order_relaxed);
    return p;
}

void* AllocateOrThrow(size_t size)
{
    for (;;) {
        if (void* p = Allocate(size))
            return p;
        std::new_handler handler = std::get_new_handler();
        if (!handler)
            throw std::bad_alloc();
        handler();
    }
}

} // namespace

void* operator new(size_t size) { return AllocateOrThrow(size); }
void* operator new[](size_t size) { return AllocateOrThrow(size); }
void* operator new(size_t size, const std::nothrow_t&) noexcept { return Allocate(size); }
void* operator new[](size_t size, const std::nothrow_t&) noexcept { return Allocate(size); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, size_t) noexcept { std::free(p); }
void operator delete[](void* p, size_t) noexcept { std::free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }

namespace cs::driver {

size_t LastFailedAllocation() { return g_failedSize.load(std::memory_order_relaxed); }

} // namespace cs::driver
