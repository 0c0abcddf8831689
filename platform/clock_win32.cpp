// clock_win32.cpp -- the millisecond clock on Windows: the multimedia timer.
#include "platform/clock.h"

#include <windows.h>
#include <mmsystem.h>

// timeGetTime counts milliseconds since Windows started and wraps after 49.7
// days, which MillisecondsBetween already takes in its stride.
uint32_t MillisecondClock() { return uint32_t(timeGetTime()); }
