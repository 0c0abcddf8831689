// large_pages_linux.cpp -- the heap on transparent huge pages (madvise).
#include "platform/large_pages.h"

#include <malloc.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>

void PreferLargePagesForHeap(size_t bytes) {
    // Every allocation, of any size and on any thread, comes from the one
    // heap rather than from mappings or arenas of its own, and what is freed
    // stays there for the next ones.
    mallopt(M_MMAP_MAX, 0);
    mallopt(M_ARENA_MAX, 1);
    mallopt(M_TRIM_THRESHOLD, int(2 * bytes));
    char* const before = static_cast<char*>(sbrk(0));
    void* block = std::malloc(bytes);
    if (!block) return;
    char* const after = static_cast<char*>(sbrk(0));
    constexpr uintptr_t kHuge = uintptr_t(2) << 20;
    const uintptr_t start = (reinterpret_cast<uintptr_t>(before) + kHuge - 1) & ~(kHuge - 1);
    if (after > reinterpret_cast<char*>(start))
        madvise(reinterpret_cast<void*>(start), size_t(reinterpret_cast<uintptr_t>(after) - start), MADV_HUGEPAGE);
    std::free(block);
}
