// safe_write_win32.cpp -- the safe file writer on Windows: temporaries
// beside the target, FlushFileBuffers, MoveFileExA over the old file, and
// removal of the temporary on Ctrl+C, Ctrl+Break or a closed console.
//
// Where Windows differs from the POSIX writer: a read-only file (the
// attribute) is refused; the replacement gets the folder's default
// permissions, not the old file's; links are not followed (a symbolic link
// is replaced by the file); devices are recognised by what they are once
// opened (NUL, CON, COM1, named pipes), not by a file type in the folder.
#include "platform/safe_write.h"

#include <windows.h>
#include <fcntl.h>
#include <io.h>

#include <atomic>
#include <cerrno>
#include <cstring>

#include "platform/path_limit.h"
#include "platform/safe_write_system.h"

namespace {

// ---------------------------------------------------------------------------
// Temporaries to remove when a console event ends the process
// ---------------------------------------------------------------------------
// The console handler runs on a thread of its own while writers go on: fixed
// storage; a slot is claimed, filled and then published. A writer creates
// its temporary only while the handler has not begun, and the handler waits
// for creations under way, so no temporary can appear after it has looked.
// (The programs here install no console handler of their own; one that kept
// the process alive after Ctrl+C would find later writes refused.)
constexpr int kTempSlots = kTemporarySlots;
enum SlotState : int { kSlotFree, kSlotFilling, kSlotPublished };
char g_TempPaths[kTempSlots][MAX_PATH + 1];
std::atomic<int> g_TempState[kTempSlots];
std::atomic<bool> g_HandlerInstalled{false};
std::atomic<bool> g_Stopping{false};   // the handler has begun
std::atomic<int> g_Creating{0};        // writers between their look at g_Stopping and their temporary's creation

constexpr int kFolderSlots = 256;
char g_FolderPaths[kFolderSlots][MAX_PATH + 1];
std::atomic<bool> g_FolderUsed[kFolderSlots];
std::atomic<bool> g_Holding{false};  // a set's renames are under way

BOOL WINAPI RemoveTemporariesOnConsoleEvent(DWORD) {
    // A set's renames finish first (they take milliseconds).
    for (int waited_ms = 0; waited_ms < 2000 && g_Holding.load(); ++waited_ms) Sleep(1);
    g_Stopping.store(true);
    // Creations under way finish (and publish their names) first; two
    // seconds at most, well within the time Windows gives a handler.
    for (int waited_ms = 0; waited_ms < 2000 && g_Creating.load() > 0; ++waited_ms) Sleep(1);
    // The temporaries are open with FILE_SHARE_DELETE: the name goes at
    // once, the file with the process's last handle.
    for (int i = 0; i < kTempSlots; ++i)
        if (g_TempState[i].load() == kSlotPublished) DeleteFileA(g_TempPaths[i]);
    for (int i = kFolderSlots - 1; i >= 0; --i)
        if (g_FolderUsed[i].load()) RemoveDirectoryA(g_FolderPaths[i]);
    // Not handled: the next handler, and in the end Windows' own, ends the
    // process as it would have without this one.
    return FALSE;
}

// Creates the temporary at `path`, registered before it exists, unless the
// console handler has begun. INVALID_HANDLE_VALUE with the last error set
// on failure (*slot then -1).
HANDLE CreateRegisteredTemporary(const std::string& path, int* slot) {
    *slot = -1;
    g_Creating.fetch_add(1);
    HANDLE handle = INVALID_HANDLE_VALUE;
    if (g_Stopping.load()) {
        SetLastError(ERROR_OPERATION_ABORTED);
    } else {
        *slot = RegisterTemporary(path);
        // FILE_SHARE_DELETE lets the console handler remove the name while
        // the file is still being written.
        handle = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, CREATE_NEW,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
        if (handle == INVALID_HANDLE_VALUE) {
            const DWORD error = GetLastError();
            UnregisterTemporary(*slot);
            *slot = -1;
            SetLastError(error);
        }
    }
    g_Creating.fetch_sub(1);
    return handle;
}

// ---------------------------------------------------------------------------
// Errors and paths
// ---------------------------------------------------------------------------

// The C library's errno for a Windows error, so the message is the same
// strerror text the rest of the program prints.
int ErrnoFromWindowsError(DWORD error) {
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME:
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME:
        return ENOENT;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_CURRENT_DIRECTORY:
        return EACCES;
    case ERROR_WRITE_PROTECT:
        return EROFS;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
        return EEXIST;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        return ENOSPC;
    case ERROR_FILENAME_EXCED_RANGE:
    case ERROR_BUFFER_OVERFLOW:
        return ENAMETOOLONG;
    case ERROR_NOT_SAME_DEVICE:
        return EXDEV;
    case ERROR_DIRECTORY:
        return ENOTDIR;
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY:
        return ENOMEM;
    default:
        return EIO;
    }
}

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

// Everything up to and including the last separator (or a drive's colon):
// the folder part to put the temporary in, "" for the current folder.
std::string FolderPrefixOf(const std::string& path) {
    for (size_t i = path.size(); i > 0; --i)
        if (IsSeparator(path[i - 1]) || (i == 2 && path[1] == ':')) return path.substr(0, i);
    return {};
}

std::string NameOf(const std::string& path) { return path.substr(FolderPrefixOf(path).size()); }

bool Fail(SafeWriteFile* file, int errnoValue, std::string* errorLine) {
    return SafeWriteFail(file, errnoValue, errorLine);
}

bool FailWindows(SafeWriteFile* file, DWORD error, std::string* errorLine) {
    return Fail(file, ErrnoFromWindowsError(error), errorLine);
}

// A C stream on a Windows handle; closes the handle when that fails.
bool AttachStream(SafeWriteFile* file, HANDLE handle, std::string* errorLine) {
    const int fd = _open_osfhandle(intptr_t(handle), _O_WRONLY | _O_BINARY);
    if (fd < 0) {
        CloseHandle(handle);
        return Fail(file, errno, errorLine);
    }
    file->stream = _fdopen(fd, "wb");
    if (!file->stream) {
        const int e = errno;
        _close(fd);
        return Fail(file, e, errorLine);
    }
    return true;
}

// A temporary beside `target`, named after the target and the process so
// that two writers never meet.
bool OpenTemporary(SafeWriteFile* file, const std::string& target, std::string* errorLine) {
    file->targetPath = target;
    static unsigned long counter = 0;
    HANDLE handle = INVALID_HANDLE_VALUE;
    DWORD error = ERROR_FILE_EXISTS;
    for (int attempt = 0; attempt < 100 && handle == INVALID_HANDLE_VALUE && error == ERROR_FILE_EXISTS;
         ++attempt) {
        file->tempPath = FolderPrefixOf(target) + TemporaryName(NameOf(target), GetCurrentProcessId(), ++counter);
        if (file->tempPath.size() > LongestSystemPath()) {
            error = ERROR_FILENAME_EXCED_RANGE;
            break;
        }
        handle = CreateRegisteredTemporary(file->tempPath, &file->tempSlot);
        if (handle == INVALID_HANDLE_VALUE) error = GetLastError();
    }
    if (handle == INVALID_HANDLE_VALUE) {
        file->tempPath.clear();
        return FailWindows(file, error, errorLine);
    }
    return AttachStream(file, handle, errorLine);
}

}  // namespace

bool SafeWriteOpen(const char* path, SafeWriteFile* file, std::string* errorLine, SafeWriteLinks links) {
    *file = SafeWriteFile();
    file->path = path;
    if (RefusedAsInput(path, errorLine)) return false;
    if (file->path.empty()) return Fail(file, ENOENT, errorLine);
    if (file->path.size() > LongestSystemPath()) return Fail(file, ENAMETOOLONG, errorLine);

    // What is already there and can be written: a device (NUL, CON, a COM
    // port, a named pipe) is written straight through that handle, never
    // renamed over. Opening a file this way changes nothing in it.
    HANDLE existing = CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
    if (existing != INVALID_HANDLE_VALUE) {
        if (GetFileType(existing) != FILE_TYPE_DISK) {
            file->targetPath = file->path;
            file->direct = true;
            return AttachStream(file, existing, errorLine);
        }
        CloseHandle(existing);
    }

    const DWORD attributes = GetFileAttributesA(path);
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const DWORD error = GetLastError();
        // A new name in a folder that exists.
        if (error == ERROR_FILE_NOT_FOUND) return OpenTemporary(file, file->path, errorLine);
        return FailWindows(file, error, errorLine);
    }
    if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) && links == SafeWriteLinks::Refuse) {
        *errorLine = "ERROR : " + file->path + " : is a symbolic link; not written through";
        return false;
    }
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) return Fail(file, EISDIR, errorLine);
    // A file its owner made read-only stays as it is, as an editor would leave it.
    if (attributes & FILE_ATTRIBUTE_READONLY) return Fail(file, EACCES, errorLine);
    return OpenTemporary(file, file->path, errorLine);
}

void UnregisterTemporary(int slot) {
    if (slot >= 0) g_TempState[slot].store(kSlotFree);
}

int FlushStreamsToDisk(FILE* const* streams, size_t count, size_t* failed) {
    // Windows has no cheaper way to put many files on the disk at once.
    for (size_t i = 0; i < count; ++i) {
        *failed = i;
        const HANDLE handle = HANDLE(_get_osfhandle(_fileno(streams[i])));
        if (!FlushFileBuffers(handle)) return ErrnoFromWindowsError(GetLastError());
    }
    return 0;
}

int MoveTemporaryIntoPlace(const std::string& temporary, const std::string& target) {
    // Replaces an existing file in one step (a plain rename onto an existing
    // name fails here), and returns only once the move is on the disk.
    if (MoveFileExA(temporary.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return 0;
    return ErrnoFromWindowsError(GetLastError());
}

// The moves are written through already.
int SyncFolder(const std::string&) { return 0; }  // a rename is on the disk when MoveFileExA returns

std::string FolderOfPath(const std::string& path) { return FolderPrefixOf(path); }

void RemoveTemporaryFile(const std::string& temporary) { DeleteFileA(temporary.c_str()); }

int RegisterTemporary(const std::string& path) {
    if (path.size() > MAX_PATH) return -1;
    if (!g_HandlerInstalled.exchange(true)) SetConsoleCtrlHandler(RemoveTemporariesOnConsoleEvent, TRUE);
    for (int i = 0; i < kTempSlots; ++i) {
        int expected = kSlotFree;
        if (!g_TempState[i].compare_exchange_strong(expected, kSlotFilling)) continue;
        std::memcpy(g_TempPaths[i], path.c_str(), path.size() + 1);
        g_TempState[i].store(kSlotPublished);
        return i;
    }
    return -1;
}


int RegisterTemporaryFolder(const std::string& path) {
    if (path.size() > MAX_PATH) return -1;
    if (!g_HandlerInstalled.exchange(true)) SetConsoleCtrlHandler(RemoveTemporariesOnConsoleEvent, TRUE);
    int slot = kFolderSlots;
    while (slot > 0 && !g_FolderUsed[slot - 1].load()) --slot;
    if (slot == kFolderSlots) return -1;
    std::memcpy(g_FolderPaths[slot], path.c_str(), path.size() + 1);
    g_FolderUsed[slot].store(true);
    return slot;
}

void UnregisterTemporaryFolder(int slot) {
    if (slot >= 0) g_FolderUsed[slot].store(false);
}

void HoldStopSignals(bool hold) { g_Holding.store(hold); }

// Windows swaps no folders in one step; the caller moves the old one aside.
int ExchangeFolders(const std::string&, const std::string&) { return ENOSYS; }

int MoveFolder(const std::string& from, const std::string& to) {
    if (MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_WRITE_THROUGH)) return 0;
    return ErrnoFromWindowsError(GetLastError());
}

unsigned long ProcessIdForNames() { return GetCurrentProcessId(); }

bool FileIdentity(const std::string& path, uint64_t* device, uint64_t* inode) {
    // FILE_FLAG_BACKUP_SEMANTICS opens folders too.
    const HANDLE handle = CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                      OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return false;
    BY_HANDLE_FILE_INFORMATION information;
    const bool known = GetFileInformationByHandle(handle, &information);
    CloseHandle(handle);
    if (!known) return false;
    *device = information.dwVolumeSerialNumber;
    *inode = (uint64_t(information.nFileIndexHigh) << 32) | information.nFileIndexLow;
    return true;
}
