// safe_write_posix.cpp -- the safe file writer on POSIX systems: temporaries
// beside the target, fsync, rename, and removal of the temporary when a
// signal ends the process.
#include "platform/safe_write.h"

#include <fcntl.h>
#include <pthread.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstring>
#include <new>
#include <vector>

#include "platform/safe_write_system.h"

namespace {

// ---------------------------------------------------------------------------
// Temporaries to remove when a signal ends the process
// ---------------------------------------------------------------------------
// Storage the handler only reads: a slot's buffer is allocated (or grown)
// while the slot is free, so the handler touches nothing but plain memory,
// unlink and rmdir.
constexpr int kTempSlots = kTemporarySlots;
constexpr int kFolderSlots = 256;
char* g_TempPaths[kTempSlots];
size_t g_TempCapacity[kTempSlots];
volatile sig_atomic_t g_TempUsed[kTempSlots];
char g_FolderPaths[kFolderSlots][PATH_MAX];
volatile sig_atomic_t g_FolderUsed[kFolderSlots];
bool g_HandlersInstalled = false;
constexpr int kStopSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};

void RemoveTemporariesAndDie(int signalNumber) {
    for (int i = 0; i < kTempSlots; ++i)
        if (g_TempUsed[i]) unlink(g_TempPaths[i]);
    // Folders after their files, the last made first.
    for (int i = kFolderSlots - 1; i >= 0; --i)
        if (g_FolderUsed[i]) rmdir(g_FolderPaths[i]);
    // Die of the same signal, so the parent sees what happened.
    signal(signalNumber, SIG_DFL);
    raise(signalNumber);
}

void InstallSignalHandlers() {
    if (g_HandlersInstalled) return;
    g_HandlersInstalled = true;
    // Interrupted, terminated, or the terminal or session closed.
    for (int signalNumber : kStopSignals) {
        struct sigaction current;
        if (sigaction(signalNumber, nullptr, &current) != 0) continue;
        // A program that handles or ignores the signal itself keeps doing so.
        if (current.sa_handler != SIG_DFL || (current.sa_flags & SA_SIGINFO)) continue;
        struct sigaction action = {};
        action.sa_handler = RemoveTemporariesAndDie;
        sigemptyset(&action.sa_mask);
        // One handler run at a time: a second signal waits for the first.
        for (int other : kStopSignals) sigaddset(&action.sa_mask, other);
        sigaction(signalNumber, &action, nullptr);
    }
}

// ---------------------------------------------------------------------------
// Paths
// ---------------------------------------------------------------------------
// ---------------------------------------------------------------------------

std::string FolderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

std::string NameOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Where a symlink chain that ends in nothing leads; false (errno set) on a
// loop or an unreadable link.
bool FollowDanglingLink(const std::string& link, std::string* target) {
    std::string at = link;
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st;
        if (lstat(at.c_str(), &st) != 0) {
            if (errno != ENOENT) return false;
            *target = at;
            return true;
        }
        if (!S_ISLNK(st.st_mode)) {
            *target = at;
            return true;
        }
        char buffer[PATH_MAX];
        const ssize_t n = readlink(at.c_str(), buffer, sizeof buffer - 1);
        if (n < 0) return false;
        buffer[n] = 0;
        at = buffer[0] == '/' ? std::string(buffer) : FolderOf(at) + "/" + buffer;
    }
    errno = ELOOP;
    return false;
}

bool Fail(SafeWriteFile* file, int errnoValue, std::string* errorLine) {
    return SafeWriteFail(file, errnoValue, errorLine);
}

// The stream over an open descriptor, which it then owns.
bool AttachStream(SafeWriteFile* file, int fd, std::string* errorLine) {
    file->stream = fdopen(fd, "wb");
    if (file->stream) return true;
    const int e = errno;
    close(fd);
    return Fail(file, e, errorLine);
}

bool OpenDirect(SafeWriteFile* file, std::string* errorLine) {
    // Through the path itself, so /dev/stdout and its kin reach what they name.
    const int fd = open(file->path.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return Fail(file, errno, errorLine);
    file->targetPath = file->path;
    file->direct = true;
    return AttachStream(file, fd, errorLine);
}

// A temporary beside `target`; `existing` (when not null) is the file it will
// replace, whose owner and permission bits it takes.
bool OpenTemporary(SafeWriteFile* file, const std::string& target, const struct stat* existing,
                   std::string* errorLine) {
    file->targetPath = target;
    static unsigned long counter = 0;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        file->tempPath = FolderOf(target) + "/" + TemporaryName(NameOf(target), (unsigned long)getpid(), ++counter);
        // Registered before it exists: a signal that comes while the file is
        // being created is handled as the open returns, and must find it.
        UnregisterTemporary(file->tempSlot);
        file->tempSlot = RegisterTemporary(file->tempPath);
        fd = open(file->tempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST) break;
    }
    if (fd < 0) {
        const int e = errno;
        UnregisterTemporary(file->tempSlot);
        file->tempSlot = -1;
        file->tempPath.clear();
        return Fail(file, e, errorLine);
    }
    if (existing) {
        // Owner first: a change of owner may clear set-id bits that the mode
        // then restores. A process that may not give the file its owner may
        // still give it its group; the bytes matter more than either.
        if (fchown(fd, existing->st_uid, existing->st_gid) != 0) (void)!fchown(fd, uid_t(-1), existing->st_gid);
        if (fchmod(fd, existing->st_mode & 07777) != 0) {
            const int e = errno;
            close(fd);
            return Fail(file, e, errorLine);
        }
    }
    return AttachStream(file, fd, errorLine);
}

}  // namespace

bool SafeWriteOpen(const char* path, SafeWriteFile* file, std::string* errorLine, SafeWriteLinks links) {
    *file = SafeWriteFile();
    file->path = path;
    if (RefusedAsInput(path, errorLine)) return false;
    if (file->path.empty()) return Fail(file, ENOENT, errorLine);

    struct stat link;
    if (lstat(path, &link) != 0) {
        if (errno != ENOENT) return Fail(file, errno, errorLine);
        return OpenTemporary(file, file->path, nullptr, errorLine);
    }
    struct stat st = link;
    std::string target = file->path;
    if (S_ISLNK(link.st_mode) && links == SafeWriteLinks::Refuse) {
        *errorLine = "ERROR : " + file->path + " : is a symbolic link; not written through";
        return false;
    }
    if (S_ISLNK(link.st_mode)) {
        if (stat(path, &st) != 0) {
            if (errno != ENOENT) return Fail(file, errno, errorLine);
            // A dangling link: create the file it names.
            if (!FollowDanglingLink(file->path, &target)) return Fail(file, errno, errorLine);
            return OpenTemporary(file, target, nullptr, errorLine);
        }
        if (S_ISREG(st.st_mode)) {
            char resolved[PATH_MAX];
            if (!realpath(path, resolved)) return Fail(file, errno, errorLine);
            target = resolved;
        }
    }
    if (S_ISDIR(st.st_mode)) return Fail(file, EISDIR, errorLine);
    if (!S_ISREG(st.st_mode)) return OpenDirect(file, errorLine);
    // A file its owner made read-only stays as it is, as an editor would leave it.
    if (access(target.c_str(), W_OK) != 0) return Fail(file, errno, errorLine);
    return OpenTemporary(file, target, &st, errorLine);
}

void UnregisterTemporary(int slot) {
    if (slot >= 0) g_TempUsed[slot] = 0;
}

int FlushStreamsToDisk(FILE* const* streams, size_t count, size_t* failed) {
    // One file: its own fsync. More: one sync of each file system they are
    // on, which costs about what one fsync does.
    if (count == 1) {
        *failed = 0;
        return fsync(fileno(streams[0])) == 0 ? 0 : errno;
    }
    std::vector<dev_t> synced;
    for (size_t i = 0; i < count; ++i) {
        *failed = i;
        struct stat st;
        if (fstat(fileno(streams[i]), &st) != 0) return errno;
        if (std::find(synced.begin(), synced.end(), st.st_dev) != synced.end()) continue;
        if (syncfs(fileno(streams[i])) != 0) return errno;
        synced.push_back(st.st_dev);
    }
    return 0;
}

int MoveTemporaryIntoPlace(const std::string& temporary, const std::string& target) {
    return rename(temporary.c_str(), target.c_str()) == 0 ? 0 : errno;
}

int SyncFolder(const std::string& folder) {
    const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return errno;
    const int synced = fsync(fd) == 0 || errno == EINVAL || errno == ENOTSUP ? 0 : errno;
    close(fd);
    return synced;
}

std::string FolderOfPath(const std::string& path) { return FolderOf(path); }

void RemoveTemporaryFile(const std::string& temporary) { unlink(temporary.c_str()); }

int RegisterTemporary(const std::string& path) {
    InstallSignalHandlers();
    for (int i = 0; i < kTempSlots; ++i) {
        if (g_TempUsed[i]) continue;
        if (g_TempCapacity[i] < path.size() + 1) {
            char* grown = new (std::nothrow) char[path.size() + 1];
            if (!grown) return -1;
            delete[] g_TempPaths[i];
            g_TempPaths[i] = grown;
            g_TempCapacity[i] = path.size() + 1;
        }
        std::memcpy(g_TempPaths[i], path.c_str(), path.size() + 1);
        // The path is complete before the handler can see the slot in use.
        std::atomic_signal_fence(std::memory_order_seq_cst);
        g_TempUsed[i] = 1;
        return i;
    }
    return -1;
}

int RegisterTemporaryFolder(const std::string& path) {
    if (path.size() >= PATH_MAX) return -1;
    InstallSignalHandlers();
    // The first free slot after every used one, so that the handler's
    // reverse walk meets a folder before the folder it is in.
    int slot = kFolderSlots;
    while (slot > 0 && !g_FolderUsed[slot - 1]) --slot;
    if (slot == kFolderSlots) return -1;
    std::memcpy(g_FolderPaths[slot], path.c_str(), path.size() + 1);
    std::atomic_signal_fence(std::memory_order_seq_cst);
    g_FolderUsed[slot] = 1;
    return slot;
}

void UnregisterTemporaryFolder(int slot) {
    if (slot >= 0) g_FolderUsed[slot] = 0;
}

void HoldStopSignals(bool hold) {
    sigset_t stops;
    sigemptyset(&stops);
    for (int signalNumber : kStopSignals) sigaddset(&stops, signalNumber);
    // A signal sent to the process goes to a thread that does not hold it:
    // by the time anything is written the workers have ended, so the
    // calling thread is the only one.
    pthread_sigmask(hold ? SIG_BLOCK : SIG_UNBLOCK, &stops, nullptr);
}

int ExchangeFolders(const std::string& a, const std::string& b) {
#if defined(__linux__) && defined(RENAME_EXCHANGE)
    return renameat2(AT_FDCWD, a.c_str(), AT_FDCWD, b.c_str(), RENAME_EXCHANGE) == 0 ? 0 : errno;
#else
    (void)a, (void)b;
    return ENOSYS;
#endif
}

int MoveFolder(const std::string& from, const std::string& to) {
    return rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
}

unsigned long ProcessIdForNames() { return (unsigned long)getpid(); }

bool FileIdentity(const std::string& path, uint64_t* device, uint64_t* inode) {
    struct stat st;
    if (stat(path.c_str(), &st) != 0) return false;
    *device = uint64_t(st.st_dev);
    *inode = uint64_t(st.st_ino);
    return true;
}
