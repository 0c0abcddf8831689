// sha256.h -- the SHA-256 of bytes in memory, as 64 lowercase hex digits
// (libsodium's implementation).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

std::string Sha256Hex(const uint8_t* bytes, size_t size);
