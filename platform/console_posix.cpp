// console_posix.cpp -- line-buffered standard output.
#include "platform/console.h"

#include <cstdio>

void SendStandardOutputLineByLine() { std::setvbuf(stdout, nullptr, _IOLBF, 0); }
