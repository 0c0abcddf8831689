// sha256.cpp -- SHA-256 through libsodium.
#include "tools/common/sha256.h"

#include <sodium.h>

std::string Sha256Hex(const uint8_t* bytes, size_t size) {
    // Hashing needs none of what sodium_init sets up (random numbers, CPU
    // feature choice); its plain implementation gives the same digest anywhere.
    unsigned char digest[crypto_hash_sha256_BYTES];
    crypto_hash_sha256(digest, bytes, size);
    static const char kHex[] = "0123456789abcdef";
    std::string hex(2 * sizeof digest, '0');
    for (size_t i = 0; i < sizeof digest; ++i) {
        hex[2 * i] = kHex[digest[i] >> 4];
        hex[2 * i + 1] = kHex[digest[i] & 15];
    }
    return hex;
}
