// safe_write.h -- the one way this project writes a file, so that no file it
// was not asked to replace is ever destroyed and no half-written file ever
// takes a good file's place.
//
// What a path names decides how it is written:
// - nothing yet: the bytes go to a temporary file in the same folder, which is
//   flushed to the disk and renamed into place only after every write has
//   succeeded; on any failure the temporary is removed and the path still
//   names nothing;
// - a regular file: the same, and the replacement keeps the old file's
//   permission bits (and owner and group, where the process may set them);
// - a symlink: the file it points to is replaced by the same rules (also when
//   it does not exist yet); the symlink stays a symlink;
// - a character device, FIFO or socket: opened and written directly, never
//   renamed over (so /dev/stdout works, and a full device reports the fault);
// - a folder: refused.
// A SIGINT or SIGTERM that ends the process while a temporary exists removes
// the temporary first (the handlers are installed only where the signal's
// action is still the default).
//
// On Windows the same rules hold where they apply: the temporary is flushed
// with FlushFileBuffers and moved over the target with MoveFileExA
// (replacing it, written through); a read-only file is refused; the new file
// gets the folder's default permissions; links are not followed; devices
// (NUL, CON, COM1, named pipes) are written directly; Ctrl+C, Ctrl+Break and
// a closed console remove the temporary; a path longer than 259 characters
// is refused.
//
// A file registered as an input of the running command is never written
// over, by whatever name it is given: "ERROR : <path> : is an input of this
// command; not written over".
//
// Every failure is reported as one line, "ERROR : <path> : <reason>", with
// <path> as the caller gave it.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>
#include <vector>

struct SafeWriteFile {
    FILE* stream = nullptr;  // open while the file is being written
    std::string path;        // as the caller gave it, for messages
    std::string targetPath;  // the file that ends up with the bytes
    std::string tempPath;    // empty when writing directly
    int tempSlot = -1;       // where the temporary is registered for removal on a signal
    bool direct = false;     // written straight into a device, FIFO or socket
};

// Opens `path` for writing by the rules above. On failure returns false, sets
// *errorLine and leaves nothing open or created.
// With links Refuse, a path that is a symbolic link (a reparse point on
// Windows) is refused, "ERROR : <path> : is a symbolic link; not written
// through", instead of the file it points to being replaced.
enum class SafeWriteLinks { Follow, Refuse };
bool SafeWriteOpen(const char* path, SafeWriteFile* file, std::string* errorLine,
                   SafeWriteLinks links = SafeWriteLinks::Follow);
// Appends `size` bytes. On failure sets *errorLine and discards the file (the
// stream is closed, the temporary removed); no later call may be made.
bool SafeWriteBytes(SafeWriteFile* file, const void* bytes, size_t size, std::string* errorLine);
// Flushes the bytes to the disk, closes the file and renames the temporary
// into place. On failure sets *errorLine and removes the temporary. The
// stream is closed either way.
bool SafeWriteCommit(SafeWriteFile* file, std::string* errorLine);
// Closes the stream (if open) and removes the temporary, reporting nothing:
// for callers that failed on their own account.
void SafeWriteDiscard(SafeWriteFile* file);

// Writes a whole buffer to `path` by the rules above; *direct (when not null)
// tells whether it went straight into a device, FIFO or socket.
bool SafeWriteWholeFile(const char* path, const void* bytes, size_t size, std::string* errorLine,
                        bool* direct = nullptr);

// Files of a batch are written a group at a time; every temporary of a group
// is registered for removal on a signal.
inline constexpr size_t kSafeWriteGroupFiles = 64;

// One file of a batch: its path and bytes (the caller's, for the call).
struct SafeWriteItem {
    std::string path;
    const void* bytes;
    size_t size;
};

// Writes many files by the rules above at a fraction of the cost of one call
// each: a group's temporaries are all written first, reach the disk together
// (on Linux one sync of their file system instead of one per file), and only
// then are renamed into place, each folder synced once. On a failure
// *errorLine names the file; the group's temporaries are removed, and the
// files of earlier groups (and of its own, once renamed) stay written.
bool SafeWriteBatch(const std::vector<SafeWriteItem>& items, std::string* errorLine);
// The commit of a group of files opened and written with SafeWriteOpen and
// SafeWriteBytes; on failure every file not yet renamed is discarded.
// SafeWriteCommit is the commit of a group of one.
bool SafeWriteCommitGroup(SafeWriteFile* files, size_t count, std::string* errorLine);

// A set of files written whole or not at all, for a command whose outputs
// belong together (a scene and its buffers, a heightmap and its sidecar):
// every name is checked to be a file of its own (by device and inode where
// it exists, by folder and name where it does not yet: "ERROR : <b> : is
// the same file as <a>"), then every file is written to a temporary and
// put on the disk, and only then are the temporaries renamed into place,
// one after the other, with SIGINT, SIGTERM, SIGHUP and SIGQUIT held back
// until the last rename is done. A failure before the renames removes every
// temporary and leaves every old file as it was. (Only SIGKILL, or a power
// cut, in the few renames can leave the set mixed.)
bool SafeWriteSet(const std::vector<SafeWriteItem>& items, std::string* errorLine,
                  SafeWriteLinks links = SafeWriteLinks::Follow);

// A set of files staged by SafeWriteStage: written and on the disk under
// their temporaries, nothing replaced yet.
struct SafeWriteStaged {
    std::vector<SafeWriteFile> files;
};
bool SafeWriteStage(const std::vector<SafeWriteItem>& items, SafeWriteLinks links, SafeWriteStaged* staged,
                    std::string* errorLine);
// Renames every staged temporary into place; the caller holds the stop
// signals (SafeWriteHoldSignals) around it when the set must not be cut.
bool SafeWriteRenameStaged(SafeWriteStaged* staged, std::string* errorLine);
// Removes every temporary not yet renamed.
void SafeWriteDiscardStaged(SafeWriteStaged* staged);
// While held, SIGINT, SIGTERM, SIGHUP and SIGQUIT (a console event on
// Windows) wait; released, one that came in the meantime is handled.
void SafeWriteHoldSignals(bool hold);

// True when `a` and `b` name the same file, or would once written: the same
// device and inode where both exist, the same folder and name otherwise (a
// link at the end of either followed first).
bool SafeWriteSameFile(const std::string& a, const std::string& b);

// A folder written whole: `files` (paths relative to `dir`, '/' between
// folders) go into a new hidden folder beside it, which takes dir's place
// only once every file is on the disk. An existing `dir` is exchanged for the
// new folder in one step where the system can (Linux), otherwise moved aside
// just before, and removed last; `carried` names files of the old folder
// (relative paths) that go on in the new one. Nothing is written through a
// link: every file of the new folder is new. On failure *errorLine names the
// file or folder, and `dir` is as it was. A stop signal before the new folder
// is in place removes what was written; after, it waits for the old folder's
// removal.
bool SafeWriteFolder(const std::string& dir, const std::vector<SafeWriteItem>& files,
                     const std::vector<std::string>& carried, std::string* errorLine);

// Registers a file the command reads (a path that names nothing yet is
// ignored), for SafeWriteOpen to refuse.
void SafeWriteProtectInput(const std::string& path);

// "ERROR : <path> : <strerror(errnoValue)>".
std::string WriteErrorLine(const std::string& path, int errnoValue);
