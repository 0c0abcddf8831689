// path_limit_win32.cpp -- MAX_PATH: the C library's fopen and stat and the
// ...A file functions take no longer path (they fail with "No such file or
// directory", which would hide the real cause).
#include "platform/path_limit.h"

#include <windows.h>

size_t LongestSystemPath() { return MAX_PATH - 1; }
