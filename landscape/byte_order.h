// byte_order.h -- little-endian loads and stores assembled from bytes, so the
// file reads the same on any machine and no buffer is ever cast to a struct.
// A leaf: the DXT3 decoder uses it without knowing the landscape format.
// Each pointer must have room for the value it loads or stores.
#pragma once

#include <cstdint>
#include <cstring>

inline uint16_t LoadU16(const uint8_t* p) { return uint16_t(p[0] | (p[1] << 8)); }
inline uint32_t LoadU32(const uint8_t* p) {
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}
inline int32_t LoadI32(const uint8_t* p) {
    const uint32_t u = LoadU32(p);
    int32_t v;
    std::memcpy(&v, &u, 4);
    return v;
}
inline float LoadF32(const uint8_t* p) {
    const uint32_t u = LoadU32(p);
    float v;
    std::memcpy(&v, &u, 4);
    return v;
}
inline void StoreU16(uint8_t* p, uint16_t v) {
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
}
inline void StoreU32(uint8_t* p, uint32_t v) {
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
    p[2] = uint8_t(v >> 16);
    p[3] = uint8_t(v >> 24);
}
inline void StoreI32(uint8_t* p, int32_t v) {
    uint32_t u;
    std::memcpy(&u, &v, 4);
    StoreU32(p, u);
}
inline void StoreF32(uint8_t* p, float v) {
    uint32_t u;
    std::memcpy(&u, &v, 4);
    StoreU32(p, u);
}
