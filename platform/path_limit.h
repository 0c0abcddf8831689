// path_limit.h -- the longest path the system's plain file functions open.
// Windows' ANSI file functions stop at 259 characters (MAX_PATH less the
// terminator) unless a program is built and configured for longer ones;
// POSIX systems report their own limit (ENAMETOOLONG) when one is hit.
#pragma once

#include <cstddef>

// The longest path, in bytes without the terminator, that fopen, stat and
// the safe writer can open here; SIZE_MAX where the program sets no limit of
// its own.
size_t LongestSystemPath();
