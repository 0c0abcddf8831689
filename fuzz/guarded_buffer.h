// guarded_buffer.h -- a copy of a file's bytes that ends exactly where an
// inaccessible page begins and starts just after another, so a read past
// either end faults at once, however far it reaches into the next page and
// whichever allocator the build uses. Under AddressSanitizer the slack in
// front of the bytes (the part of the first page before them) is poisoned too,
// up to the sanitizer's 8-byte granule that holds the first byte.
#pragma once

#include <cstddef>
#include <cstdint>

class GuardedBuffer {
public:
    GuardedBuffer(const uint8_t* bytes, size_t length);
    ~GuardedBuffer();
    GuardedBuffer(const GuardedBuffer&) = delete;
    GuardedBuffer& operator=(const GuardedBuffer&) = delete;

    const uint8_t* data() const { return data_; }
    // True in builds with AddressSanitizer, where the slack is poisoned.
    static bool SlackIsPoisoned();
    size_t size() const { return length_; }

private:
    uint8_t* mapping_ = nullptr;
    size_t mappingSize_ = 0;
    uint8_t* data_ = nullptr;
    size_t length_ = 0;
};
