// large_pages.h -- asks the system to back the heap with large memory pages.
//
// Loading makes hundreds of textures and display lists whose memory the
// driver takes from the heap and touches once; with 4 KiB pages every first
// touch is a page fault, which on a virtual machine costs more than the
// whole synthesis. Large pages take 512 times fewer.
#pragma once

#include <cstddef>

// Grows the heap by `bytes` now, in one piece advised for large pages, and
// keeps it for the allocations to come. Call once, early, on the main thread.
void PreferLargePagesForHeap(size_t bytes);
