// safe_write_posix.cpp -- the safe file writer on POSIX systems: temporaries
// beside the target, fsync, rename, and removal of the temporary on a signal.
#include "platform/safe_write.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstring>
#include <vector>

namespace {

// ---------------------------------------------------------------------------
// Temporaries to remove when SIGINT or SIGTERM ends the process
// ---------------------------------------------------------------------------
// Fixed storage, so the handler touches nothing but plain memory and unlink;
// a slot for every temporary of a batch's group.
constexpr int kTempSlots = int(kSafeWriteGroupFiles);
char g_TempPaths[kTempSlots][PATH_MAX];
volatile sig_atomic_t g_TempUsed[kTempSlots];
bool g_HandlersInstalled = false;

void RemoveTemporariesAndDie(int signalNumber) {
    for (int i = 0; i < kTempSlots; ++i)
        if (g_TempUsed[i]) unlink(g_TempPaths[i]);
    // Die of the same signal, so the parent sees what happened.
    signal(signalNumber, SIG_DFL);
    raise(signalNumber);
}

void InstallSignalHandlers() {
    if (g_HandlersInstalled) return;
    g_HandlersInstalled = true;
    for (int signalNumber : {SIGINT, SIGTERM}) {
        struct sigaction current;
        if (sigaction(signalNumber, nullptr, &current) != 0) continue;
        // A program that handles or ignores the signal itself keeps doing so.
        if (current.sa_handler != SIG_DFL || (current.sa_flags & SA_SIGINFO)) continue;
        struct sigaction action = {};
        action.sa_handler = RemoveTemporariesAndDie;
        sigemptyset(&action.sa_mask);
        sigaction(signalNumber, &action, nullptr);
    }
}

int RegisterTemporary(const std::string& path) {
    if (path.size() >= PATH_MAX) return -1;
    InstallSignalHandlers();
    for (int i = 0; i < kTempSlots; ++i) {
        if (g_TempUsed[i]) continue;
        std::memcpy(g_TempPaths[i], path.c_str(), path.size() + 1);
        // The path is complete before the handler can see the slot in use.
        std::atomic_signal_fence(std::memory_order_seq_cst);
        g_TempUsed[i] = 1;
        return i;
    }
    return -1;
}

void UnregisterTemporary(int slot) {
    if (slot >= 0) g_TempUsed[slot] = 0;
}

// ---------------------------------------------------------------------------
// Paths
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
    *errorLine = WriteErrorLine(file->path, errnoValue);
    SafeWriteDiscard(file);
    return false;
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
        // Hidden, and named after the process so that two writers never meet.
        file->tempPath = FolderOf(target) + "/." + NameOf(target) + "." + std::to_string(long(getpid())) + "." +
                         std::to_string(++counter) + ".tmp";
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

bool SafeWriteOpen(const char* path, SafeWriteFile* file, std::string* errorLine) {
    *file = SafeWriteFile();
    file->path = path;
    if (file->path.empty()) return Fail(file, ENOENT, errorLine);

    struct stat link;
    if (lstat(path, &link) != 0) {
        if (errno != ENOENT) return Fail(file, errno, errorLine);
        return OpenTemporary(file, file->path, nullptr, errorLine);
    }
    struct stat st = link;
    std::string target = file->path;
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

void SafeWriteDiscard(SafeWriteFile* file) {
    if (file->stream) std::fclose(file->stream);
    file->stream = nullptr;
    if (!file->tempPath.empty()) unlink(file->tempPath.c_str());
    UnregisterTemporary(file->tempSlot);
    file->tempSlot = -1;
    file->tempPath.clear();
}

bool SafeWriteCommit(SafeWriteFile* file, std::string* errorLine) {
    // Buffered bytes may only fail to arrive (a full disk) at the flush, the
    // sync or the close, so each is checked before the rename.
    errno = 0;
    if (std::fflush(file->stream) != 0) return Fail(file, errno, errorLine);
    if (!file->tempPath.empty() && fsync(fileno(file->stream)) != 0) return Fail(file, errno, errorLine);
    errno = 0;
    const int closed = std::fclose(file->stream);
    file->stream = nullptr;
    if (closed != 0) return Fail(file, errno, errorLine);
    if (file->tempPath.empty()) return true;

    if (rename(file->tempPath.c_str(), file->targetPath.c_str()) != 0) return Fail(file, errno, errorLine);
    UnregisterTemporary(file->tempSlot);
    file->tempSlot = -1;
    file->tempPath.clear();
    // The rename itself reaches the disk with the folder.
    const int folder = open(FolderOf(file->targetPath).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) {
        fsync(folder);
        close(folder);
    }
    return true;
}

namespace {

bool FailGroup(SafeWriteFile* files, size_t count, size_t failed, int errnoValue, std::string* errorLine) {
    *errorLine = WriteErrorLine(files[failed].path, errnoValue);
    for (size_t i = 0; i < count; ++i) SafeWriteDiscard(&files[i]);
    return false;
}

// The temporaries' bytes on the disk: one sync per file system on Linux,
// which costs about what one fsync does, instead of one fsync per file.
bool SyncGroup(SafeWriteFile* files, size_t count, std::string* errorLine) {
#ifdef __linux__
    std::vector<dev_t> synced;
    for (size_t i = 0; i < count; ++i) {
        if (files[i].tempPath.empty()) continue;
        const int fd = fileno(files[i].stream);
        struct stat st;
        if (fstat(fd, &st) != 0) return FailGroup(files, count, i, errno, errorLine);
        if (std::find(synced.begin(), synced.end(), st.st_dev) != synced.end()) continue;
        if (syncfs(fd) != 0) return FailGroup(files, count, i, errno, errorLine);
        synced.push_back(st.st_dev);
    }
#else
    for (size_t i = 0; i < count; ++i)
        if (!files[i].tempPath.empty() && fsync(fileno(files[i].stream)) != 0)
            return FailGroup(files, count, i, errno, errorLine);
#endif
    return true;
}

}  // namespace

bool SafeWriteCommitGroup(SafeWriteFile* files, size_t count, std::string* errorLine) {
    for (size_t i = 0; i < count; ++i) {
        errno = 0;
        if (std::fflush(files[i].stream) != 0) return FailGroup(files, count, i, errno, errorLine);
    }
    if (!SyncGroup(files, count, errorLine)) return false;
    for (size_t i = 0; i < count; ++i) {
        errno = 0;
        const int closed = std::fclose(files[i].stream);
        files[i].stream = nullptr;
        if (closed != 0) return FailGroup(files, count, i, errno, errorLine);
    }
    std::vector<std::string> folders;
    for (size_t i = 0; i < count; ++i) {
        SafeWriteFile& file = files[i];
        if (file.tempPath.empty()) continue;
        if (rename(file.tempPath.c_str(), file.targetPath.c_str()) != 0)
            return FailGroup(files, count, i, errno, errorLine);
        UnregisterTemporary(file.tempSlot);
        file.tempSlot = -1;
        file.tempPath.clear();
        const std::string folder = FolderOf(file.targetPath);
        if (std::find(folders.begin(), folders.end(), folder) == folders.end()) folders.push_back(folder);
    }
    // The renames reach the disk with their folders.
    for (const std::string& folder : folders) {
        const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd >= 0) {
            fsync(fd);
            close(fd);
        }
    }
    return true;
}
