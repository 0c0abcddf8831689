// large_pages_win32.cpp -- nothing to ask on Windows: large pages there need
// the "Lock pages in memory" privilege and VirtualAlloc of their own, which
// the C runtime's heap does not use, so the heap keeps its normal pages.
#include "platform/large_pages.h"

void PreferLargePagesForHeap(size_t) {}
