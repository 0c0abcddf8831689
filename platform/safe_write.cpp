// safe_write.cpp -- the parts of the safe file writer that are the same on
// every system: writing, committing and discarding over the operations each
// system's writer gives (safe_write_system.h); opening is per system.
#include "platform/safe_write.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <vector>

#include "platform/safe_write_system.h"

namespace {

// The longest file name a folder takes, on the file systems in use here.
constexpr size_t kLongestFileName = 255;

std::vector<std::filesystem::path> g_Inputs;  // the running command's input files

}  // namespace

std::string WriteErrorLine(const std::string& path, int errnoValue) {
    return "ERROR : " + path + " : " + std::strerror(errnoValue != 0 ? errnoValue : EIO);
}

std::string TemporaryName(const std::string& name, unsigned long processId, unsigned long attempt) {
    const std::string suffix = "." + std::to_string(processId) + "." + std::to_string(attempt) + ".tmp";
    const size_t room = kLongestFileName - 1 - suffix.size();  // the leading dot hides it
    return "." + name.substr(0, room) + suffix;
}

void SafeWriteProtectInput(const std::string& path) {
    std::error_code fault;
    if (std::filesystem::exists(path, fault)) g_Inputs.push_back(path);
}

bool RefusedAsInput(const std::string& path, std::string* errorLine) {
    for (const std::filesystem::path& input : g_Inputs) {
        std::error_code fault;
        // The same file by device and inode (by volume and file index on
        // Windows), whatever links or names lead to it.
        if (!std::filesystem::equivalent(path, input, fault) || fault) continue;
        *errorLine = "ERROR : " + path + " : is an input of this command; not written over";
        return true;
    }
    return false;
}

bool SafeWriteFail(SafeWriteFile* file, int errnoValue, std::string* errorLine) {
    *errorLine = WriteErrorLine(file->path, errnoValue);
    SafeWriteDiscard(file);
    return false;
}

bool SafeWriteBytes(SafeWriteFile* file, const void* bytes, size_t size, std::string* errorLine) {
    errno = 0;
    if (std::fwrite(bytes, 1, size, file->stream) == size) return true;
    return SafeWriteFail(file, errno, errorLine);
}

void SafeWriteDiscard(SafeWriteFile* file) {
    if (file->stream) std::fclose(file->stream);
    file->stream = nullptr;
    if (!file->tempPath.empty()) RemoveTemporaryFile(file->tempPath);
    UnregisterTemporary(file->tempSlot);
    file->tempSlot = -1;
    file->tempPath.clear();
}

namespace {

bool FailGroup(SafeWriteFile* files, size_t count, size_t failed, int errnoValue, std::string* errorLine) {
    *errorLine = WriteErrorLine(files[failed].path, errnoValue);
    for (size_t i = 0; i < count; ++i) SafeWriteDiscard(&files[i]);
    return false;
}

// The bytes of a group of open files on the disk and the streams closed;
// nothing renamed yet. On failure every file of the group is discarded.
bool FlushGroup(SafeWriteFile* files, size_t count, std::string* errorLine) {
    // Buffered bytes may only fail to arrive (a full disk) at the flush, the
    // sync or the close, so each is checked before any rename.
    std::vector<FILE*> temporaries;
    std::vector<size_t> which;
    for (size_t i = 0; i < count; ++i) {
        errno = 0;
        if (std::fflush(files[i].stream) != 0) return FailGroup(files, count, i, errno, errorLine);
        if (!files[i].tempPath.empty()) temporaries.push_back(files[i].stream), which.push_back(i);
    }
    size_t failed = 0;
    if (const int e = FlushStreamsToDisk(temporaries.data(), temporaries.size(), &failed))
        return FailGroup(files, count, which[failed], e, errorLine);
    for (size_t i = 0; i < count; ++i) {
        errno = 0;
        const int closed = std::fclose(files[i].stream);
        files[i].stream = nullptr;
        if (closed != 0) return FailGroup(files, count, i, errno, errorLine);
    }
    return true;
}

// Every closed temporary of the files renamed into place, each folder synced
// once; on failure the files not yet renamed are discarded.
bool RenameGroup(SafeWriteFile* files, size_t count, std::string* errorLine) {
    std::vector<std::string> folders;
    for (size_t i = 0; i < count; ++i) {
        SafeWriteFile& file = files[i];
        if (file.tempPath.empty()) continue;
        if (const int e = MoveTemporaryIntoPlace(file.tempPath, file.targetPath))
            return FailGroup(files, count, i, e, errorLine);
        UnregisterTemporary(file.tempSlot);
        file.tempSlot = -1;
        file.tempPath.clear();
        const std::string folder = FolderOfPath(file.targetPath);
        if (std::find(folders.begin(), folders.end(), folder) == folders.end()) folders.push_back(folder);
    }
    // The renames reach the disk with their folders; the files are in place
    // by now, but not yet safe from a crash.
    for (const std::string& folder : folders)
        if (const int e = SyncFolder(folder)) {
            *errorLine = "ERROR : " + folder + " : the renames into this folder may not be on the disk: " +
                         std::strerror(e);
            return false;
        }
    return true;
}

// What a file is, for telling whether two names lead to one file: its
// device and inode where it exists, else its folder's and its name.
struct FileKey {
    uint64_t device = 0, inode = 0;
    std::string name;
    bool operator<(const FileKey& o) const {
        return device != o.device ? device < o.device : inode != o.inode ? inode < o.inode : name < o.name;
    }
    bool operator==(const FileKey& o) const { return device == o.device && inode == o.inode && name == o.name; }
};

FileKey KeyOf(const std::string& path) {
    FileKey key;
    if (FileIdentity(path, &key.device, &key.inode)) return key;
    const std::filesystem::path p(path);
    std::string folder = p.parent_path().string();
    if (folder.empty()) folder = ".";
    key.name = p.filename().string();
    if (!FileIdentity(folder, &key.device, &key.inode)) key.name = path;
    return key;
}

}  // namespace

bool SafeWriteSameFile(const std::string& a, const std::string& b) { return KeyOf(a) == KeyOf(b); }

void SafeWriteHoldSignals(bool hold) { HoldStopSignals(hold); }

bool SafeWriteCommitGroup(SafeWriteFile* files, size_t count, std::string* errorLine) {
    if (!FlushGroup(files, count, errorLine)) return false;
    HoldStopSignals(true);
    const bool renamed = RenameGroup(files, count, errorLine);
    HoldStopSignals(false);
    return renamed;
}

void SafeWriteDiscardStaged(SafeWriteStaged* staged) {
    for (SafeWriteFile& file : staged->files) SafeWriteDiscard(&file);
    staged->files.clear();
}

bool SafeWriteStage(const std::vector<SafeWriteItem>& items, SafeWriteLinks links, SafeWriteStaged* staged,
                    std::string* errorLine) {
    staged->files.assign(items.size(), SafeWriteFile());
    // Two names for one file would leave only the second's bytes.
    std::vector<std::pair<FileKey, size_t>> keys;
    for (size_t i = 0; i < items.size(); ++i) keys.push_back({KeyOf(items[i].path), i});
    std::sort(keys.begin(), keys.end());
    for (size_t i = 1; i < keys.size(); ++i) {
        if (!(keys[i].first == keys[i - 1].first)) continue;
        const size_t first = std::min(keys[i].second, keys[i - 1].second);
        const size_t second = std::max(keys[i].second, keys[i - 1].second);
        *errorLine = "ERROR : " + items[second].path + " : is the same file as " + items[first].path;
        staged->files.clear();
        return false;
    }
    // A group's files are open at once; their temporaries stay registered
    // until the renames.
    for (size_t first = 0; first < items.size(); first += kSafeWriteGroupFiles) {
        const size_t end = std::min(items.size(), first + kSafeWriteGroupFiles);
        for (size_t i = first; i < end; ++i) {
            SafeWriteFile* file = &staged->files[i];
            if (SafeWriteOpen(items[i].path.c_str(), file, errorLine, links) &&
                SafeWriteBytes(file, items[i].bytes, items[i].size, errorLine))
                continue;
            SafeWriteDiscardStaged(staged);
            return false;
        }
        if (!FlushGroup(&staged->files[first], end - first, errorLine)) {
            SafeWriteDiscardStaged(staged);
            return false;
        }
    }
    return true;
}

bool SafeWriteRenameStaged(SafeWriteStaged* staged, std::string* errorLine) {
    const bool renamed = RenameGroup(staged->files.data(), staged->files.size(), errorLine);
    staged->files.clear();
    return renamed;
}

bool SafeWriteSet(const std::vector<SafeWriteItem>& items, std::string* errorLine, SafeWriteLinks links) {
    SafeWriteStaged staged;
    if (!SafeWriteStage(items, links, &staged, errorLine)) return false;
    HoldStopSignals(true);
    const bool renamed = SafeWriteRenameStaged(&staged, errorLine);
    HoldStopSignals(false);
    return renamed;
}

bool SafeWriteCommit(SafeWriteFile* file, std::string* errorLine) { return SafeWriteCommitGroup(file, 1, errorLine); }

bool SafeWriteBatch(const std::vector<SafeWriteItem>& items, std::string* errorLine) {
    std::vector<SafeWriteFile> group;
    for (size_t first = 0; first < items.size(); first += kSafeWriteGroupFiles) {
        const size_t end = std::min(items.size(), first + kSafeWriteGroupFiles);
        group.assign(end - first, SafeWriteFile());
        for (size_t i = first; i < end; ++i) {
            SafeWriteFile* file = &group[i - first];
            if (SafeWriteOpen(items[i].path.c_str(), file, errorLine) &&
                SafeWriteBytes(file, items[i].bytes, items[i].size, errorLine))
                continue;
            for (SafeWriteFile& other : group) SafeWriteDiscard(&other);
            return false;
        }
        if (!SafeWriteCommitGroup(group.data(), group.size(), errorLine)) return false;
    }
    return true;
}

bool SafeWriteWholeFile(const char* path, const void* bytes, size_t size, std::string* errorLine, bool* direct) {
    SafeWriteFile file;
    const bool ok = SafeWriteOpen(path, &file, errorLine) && SafeWriteBytes(&file, bytes, size, errorLine) &&
                    SafeWriteCommit(&file, errorLine);
    if (direct) *direct = file.direct;
    return ok;
}
