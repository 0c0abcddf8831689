// first_frame_shim.cpp -- preloaded into a viewer (LD_PRELOAD) to time it
// from outside, whatever build it is: the first open of the landscape named
// by LNDBENCH_FILE, and the return of the first buffer swap, both on the
// monotonic clock, are written to LNDBENCH_TIMES as "open NS" and
// "swap NS", and the process ends there. Nothing of the program is changed
// or linked, so an old build is measured the same way as this one.
#include <GL/glx.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

namespace {

std::atomic<int64_t> g_OpenedAt{0};

int64_t Now() {
    timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return int64_t(t.tv_sec) * 1000000000 + t.tv_nsec;
}

template <class F>
F Next(const char* name) {
    return reinterpret_cast<F>(dlsym(RTLD_NEXT, name));
}

void NoteOpen(const char* path) {
    const char* file = std::getenv("LNDBENCH_FILE");
    if (!path || !file || std::strcmp(path, file) != 0) return;
    int64_t none = 0;
    g_OpenedAt.compare_exchange_strong(none, Now());
}

bool TakesMode(int flags) { return (flags & O_CREAT) != 0 || (flags & O_TMPFILE) == O_TMPFILE; }

}  // namespace

extern "C" {

FILE* fopen(const char* path, const char* mode) {
    NoteOpen(path);
    static auto next = Next<FILE* (*)(const char*, const char*)>("fopen");
    return next(path, mode);
}

FILE* fopen64(const char* path, const char* mode) {
    NoteOpen(path);
    static auto next = Next<FILE* (*)(const char*, const char*)>("fopen64");
    return next(path, mode);
}

// The mode argument follows the flags only when they create a file.
#define LNDBENCH_MODE_ARGUMENT(flags, mode)        \
    mode_t mode = 0;                               \
    if (TakesMode(flags)) {                        \
        va_list arguments;                         \
        va_start(arguments, flags);                \
        mode = va_arg(arguments, mode_t);          \
        va_end(arguments);                         \
    }

int open(const char* path, int flags, ...) {
    NoteOpen(path);
    LNDBENCH_MODE_ARGUMENT(flags, mode)
    static auto next = Next<int (*)(const char*, int, ...)>("open");
    return next(path, flags, mode);
}

int open64(const char* path, int flags, ...) {
    NoteOpen(path);
    LNDBENCH_MODE_ARGUMENT(flags, mode)
    static auto next = Next<int (*)(const char*, int, ...)>("open64");
    return next(path, flags, mode);
}

int openat(int folder, const char* path, int flags, ...) {
    NoteOpen(path);
    LNDBENCH_MODE_ARGUMENT(flags, mode)
    static auto next = Next<int (*)(int, const char*, int, ...)>("openat");
    return next(folder, path, flags, mode);
}

void glXSwapBuffers(Display* display, GLXDrawable drawable) {
    static auto next = Next<void (*)(Display*, GLXDrawable)>("glXSwapBuffers");
    next(display, drawable);
    // The frame is on the screen once the swap has been carried out. The
    // program's own GL library provides the wait: the shim links none.
    static auto wait = reinterpret_cast<void (*)()>(dlsym(RTLD_DEFAULT, "glXWaitGL"));
    if (wait) wait();
    const int64_t swapped = Now();
    const char* times = std::getenv("LNDBENCH_TIMES");
    if (times) {
        static auto openNext = Next<int (*)(const char*, int, ...)>("open");
        const int fd = openNext(times, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        if (fd >= 0) {
            char line[96];
            const int n = std::snprintf(line, sizeof line, "open %lld\nswap %lld\n",
                                        static_cast<long long>(g_OpenedAt.load()), static_cast<long long>(swapped));
            if (n > 0 && write(fd, line, size_t(n)) != n) _exit(3);
            if (close(fd) != 0) _exit(3);
        }
    }
    _exit(0);
}

}  // extern "C"
