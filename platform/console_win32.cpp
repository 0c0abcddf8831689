// console_win32.cpp -- standard output on Windows.
#include "platform/console.h"

#include <cstdio>

// The C library here has no line buffering (_IOLBF means full buffering, and
// a pipe would see nothing until 4 KiB are waiting), so standard output goes
// unbuffered: every printf reaches the console or pipe before it returns. The
// stream stays in text mode, so each "\n" arrives as the "\r\n" Windows
// programs expect.
void SendStandardOutputLineByLine() { std::setvbuf(stdout, nullptr, _IONBF, 0); }
