// guarded_buffer.h -- a copy of a file's bytes that ends exactly where an
// inaccessible page begins, with another such page in front, so a read past
// either end faults at once, however far it reaches into the next page and
// whichever allocator the build uses. The bytes are read-only. Under
// AddressSanitizer the slack in front of the bytes (the part of the mapping
// before them) is poisoned too, up to the sanitizer's 8-byte granule that
// holds the first byte.
//
// One buffer can be filled again and again: the mapping is kept (and grown
// when needed), so a fuzz target pays no page faults per input.
#pragma once

#include <cstddef>
#include <cstdint>

class GuardedBuffer {
public:
    GuardedBuffer() = default;
    GuardedBuffer(const uint8_t* bytes, size_t length) { Assign(bytes, length); }
    ~GuardedBuffer();
    GuardedBuffer(const GuardedBuffer&) = delete;
    GuardedBuffer& operator=(const GuardedBuffer&) = delete;

    // Replaces the bytes with a copy of [bytes, bytes + length).
    void Assign(const uint8_t* bytes, size_t length);

    const uint8_t* data() const { return data_; }
    size_t size() const { return length_; }

    // True in builds with AddressSanitizer, where the slack is poisoned.
    static bool SlackIsPoisoned();

private:
    void Release();

    uint8_t* mapping_ = nullptr;
    size_t dataPages_ = 0;  // pages between the two guard pages
    uint8_t* data_ = nullptr;
    size_t length_ = 0;
};
