// clock.h -- the desktop's millisecond timer (timeGetTime on Windows, a
// monotonic clock elsewhere) read as an unsigned 32-bit millisecond count. Take differences in uint32_t
// arithmetic, so the wrap after 49.7 days costs nothing.
#pragma once

#include <cstdint>

uint32_t MillisecondClock();

// Milliseconds from `earlier` to `later`, correct across one wrap.
inline uint32_t MillisecondsBetween(uint32_t earlier, uint32_t later) { return later - earlier; }
