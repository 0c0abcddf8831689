// sync_log_shim.cpp -- preloaded into lndtool by test_writes.py: logs every
// fsync, fdatasync, syncfs and rename, in order, with the path each one is
// about, to the file named by SYNC_LOG, and then does what was asked; with
// SYNC_FAIL_FOLDERS set, an fsync of a folder fails with EIO instead.
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

void Log(const char* what, const char* path, const char* to = nullptr) {
    const char* log = std::getenv("SYNC_LOG");
    if (!log) return;
    const int fd = open(log, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) return;
    char line[8192];
    const int n = std::snprintf(line, sizeof line, "%s %s%s%s\n", what, path, to ? " " : "", to ? to : "");
    if (n > 0) (void)!write(fd, line, size_t(n) < sizeof line ? size_t(n) : sizeof line - 1);
    close(fd);
}

void LogDescriptor(const char* what, int fd) {
    char link[64], path[4096];
    std::snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
    const ssize_t n = readlink(link, path, sizeof path - 1);
    path[n > 0 ? n : 0] = 0;
    Log(what, path);
}

template <typename F>
F Next(const char* name) {
    return reinterpret_cast<F>(dlsym(RTLD_NEXT, name));
}

}  // namespace

extern "C" int fsync(int fd) {
    LogDescriptor("fsync", fd);
    struct stat st;
    if (std::getenv("SYNC_FAIL_FOLDERS") && fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
        errno = EIO;
        return -1;
    }
    return Next<int (*)(int)>("fsync")(fd);
}

extern "C" int fdatasync(int fd) {
    LogDescriptor("fdatasync", fd);
    return Next<int (*)(int)>("fdatasync")(fd);
}

extern "C" int syncfs(int fd) {
    LogDescriptor("syncfs", fd);
    return Next<int (*)(int)>("syncfs")(fd);
}

extern "C" int rename(const char* from, const char* to) {
    char absolute[4096];
    Log("rename", realpath(from, absolute) ? absolute : from, to);
    return Next<int (*)(const char*, const char*)>("rename")(from, to);
}
