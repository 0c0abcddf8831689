// guarded_buffer.cpp -- the bytes between two PROT_NONE pages.
#include "guarded_buffer.h"

#include <sanitizer/asan_interface.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

size_t PageSize() { return size_t(sysconf(_SC_PAGESIZE)); }

[[noreturn]] void Fail(const char* what, size_t size) {
    std::fprintf(stderr, "ERROR : guarded buffer : cannot %s %zu bytes\n", what, size);
    std::abort();
}

}  // namespace

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

void GuardedBuffer::Assign(const uint8_t* bytes, size_t length) {
    const size_t page = PageSize();
    const size_t needed = (length + page - 1) / page;
    if (mapping_ == nullptr || needed > dataPages_) {
        Release();
        dataPages_ = needed;
        void* mapping = mmap(nullptr, (dataPages_ + 2) * page, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (mapping == MAP_FAILED) Fail("map", (dataPages_ + 2) * page);
        mapping_ = static_cast<uint8_t*>(mapping);
    }
    uint8_t* const first = mapping_ + page;
    const size_t span = dataPages_ * page;
    if (span > 0 && mprotect(first, span, PROT_READ | PROT_WRITE) != 0) Fail("open", span);
    ASAN_UNPOISON_MEMORY_REGION(first, span);
    // The last byte sits right before the trailing guard page.
    data_ = first + span - length;
    length_ = length;
    if (length > 0) std::memcpy(data_, bytes, length);
    // Read-only from here on: every stage under test only reads the file.
    if (span > 0 && mprotect(first, span, PROT_READ) != 0) Fail("protect", span);
    ASAN_POISON_MEMORY_REGION(first, size_t(data_ - first));
}

void GuardedBuffer::Release() {
    if (mapping_ == nullptr) return;
    const size_t page = PageSize();
    ASAN_UNPOISON_MEMORY_REGION(mapping_ + page, dataPages_ * page);
    munmap(mapping_, (dataPages_ + 2) * page);
    mapping_ = nullptr;
}

GuardedBuffer::~GuardedBuffer() { Release(); }
