// path_limit_posix.cpp -- no limit of the program's own: the system says
// "File name too long" itself where it has one.
#include "platform/path_limit.h"

#include <cstdint>

size_t LongestSystemPath() { return SIZE_MAX; }
