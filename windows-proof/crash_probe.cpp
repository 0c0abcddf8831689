// crash_probe.cpp -- writes one line, then dies of an access violation. Under
// the toolchain's Wine settings that must be a failing exit status, not a
// debugger's report and status 0.
#include <cstdio>

int main()
{
    std::puts("before the crash");
    std::fflush(stdout);
    volatile int* nowhere = nullptr;
    *nowhere = 1;
    return 0;
}
