// guarded_buffer.cpp -- the bytes between two PROT_NONE pages.
#include "guarded_buffer.h"

#include <sanitizer/asan_interface.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

GuardedBuffer::GuardedBuffer(const uint8_t* bytes, size_t length) : length_(length) {
    const size_t page = size_t(sysconf(_SC_PAGESIZE));
    const size_t dataPages = (length + page - 1) / page;
    mappingSize_ = (dataPages + 2) * page;
    void* mapping = mmap(nullptr, mappingSize_, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapping == MAP_FAILED) {
        std::fprintf(stderr, "ERROR : guarded buffer : cannot map %zu bytes\n", mappingSize_);
        std::abort();
    }
    mapping_ = static_cast<uint8_t*>(mapping);
    uint8_t* const firstDataPage = mapping_ + page;
    if (dataPages > 0 && mprotect(firstDataPage, dataPages * page, PROT_READ | PROT_WRITE) != 0) {
        std::fprintf(stderr, "ERROR : guarded buffer : cannot open %zu pages\n", dataPages);
        std::abort();
    }
    // The last byte sits right before the trailing guard page.
    data_ = firstDataPage + dataPages * page - length;
    if (length > 0) std::memcpy(data_, bytes, length);
    // Read-only from here on: every stage under test only reads the file.
    if (dataPages > 0 && mprotect(firstDataPage, dataPages * page, PROT_READ) != 0) {
        std::fprintf(stderr, "ERROR : guarded buffer : cannot protect %zu pages\n", dataPages);
        std::abort();
    }
    ASAN_POISON_MEMORY_REGION(firstDataPage, size_t(data_ - firstDataPage));
}

bool GuardedBuffer::SlackIsPoisoned() {
    // GCC names the sanitizer with a macro, clang with a feature test.
#if defined(__SANITIZE_ADDRESS__)
    return true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
    return true;
#endif
#endif
    return false;
}

GuardedBuffer::~GuardedBuffer() {
    const size_t page = size_t(sysconf(_SC_PAGESIZE));
    ASAN_UNPOISON_MEMORY_REGION(mapping_ + page, size_t(data_ - (mapping_ + page)));
    munmap(mapping_, mappingSize_);
}
