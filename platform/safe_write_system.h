// safe_write_system.h -- what each system's writer (safe_write_posix.cpp,
// safe_write_win32.cpp) gives the parts of the safe writer that are the same
// everywhere (safe_write.cpp): the registry of temporaries to remove when the
// process is stopped, and the file operations that differ. Each operation
// returns 0 or the errno value of its failure.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

#include "platform/safe_write.h"

// Temporaries are registered for removal when the process is stopped, all
// of a set's at once.
inline constexpr int kTemporarySlots = 16384;

// The temporary registered in `slot` is no longer removed when the process
// is stopped; -1 does nothing.
void UnregisterTemporary(int slot);
// The bytes of `count` streams, already flushed to the system, on the disk;
// on failure *failed is the stream that failed.
int FlushStreamsToDisk(FILE* const* streams, size_t count, size_t* failed);
// The temporary, closed, takes the target's name, replacing what was there.
int MoveTemporaryIntoPlace(const std::string& temporary, const std::string& target);
// The renames into `folder` reach the disk (where the system needs telling);
// a file system that cannot sync a folder is no failure.
int SyncFolder(const std::string& folder);
// The folder a path's file is in, as SyncFolder takes it.
std::string FolderOfPath(const std::string& path);
void RemoveTemporaryFile(const std::string& temporary);

// A path removed when the process is stopped (a temporary, or a link made in
// a staged folder); the slot to unregister it with, -1 when it could not be
// registered.
int RegisterTemporary(const std::string& path);
// A folder removed (when empty by then) when the process is stopped, after
// the files; folders go in the reverse order of their registration.
int RegisterTemporaryFolder(const std::string& path);
void UnregisterTemporaryFolder(int slot);
// Stop signals wait while held (SafeWriteHoldSignals).
void HoldStopSignals(bool hold);
// The two folders swap names in one step; 0, or the errno value (ENOSYS
// where the system cannot).
int ExchangeFolders(const std::string& a, const std::string& b);
// Moves a folder to a name that is free.
int MoveFolder(const std::string& from, const std::string& to);
// The device and inode of the file a path leads to (links followed; the
// volume and file index on Windows); false when it names nothing.
bool FileIdentity(const std::string& path, uint64_t* device, uint64_t* inode);
// The process id, for temporary names.
unsigned long ProcessIdForNames();

// The name of a temporary beside a file named `name`: hidden, named after
// the process and the attempt so that two writers never meet, and no longer
// than the longest file name a folder takes (the target's name is cut, not
// the part that makes the temporary unique).
std::string TemporaryName(const std::string& name, unsigned long processId, unsigned long attempt);

// True (with *errorLine set) when `path` names a file registered by
// SafeWriteProtectInput: each system's SafeWriteOpen asks first.
bool RefusedAsInput(const std::string& path, std::string* errorLine);

// Reports errnoValue for the file's path in *errorLine, discards the file
// and returns false.
bool SafeWriteFail(SafeWriteFile* file, int errnoValue, std::string* errorLine);
