// clock_posix.cpp -- the monotonic millisecond clock on POSIX systems.
#include "platform/clock.h"

#include <ctime>

uint32_t MillisecondClock() {
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    // Truncating to 32 bits keeps the low bits: differences stay right across the wrap.
    return uint32_t(uint64_t(now.tv_sec) * 1000u + uint64_t(now.tv_nsec) / 1000000u);
}
