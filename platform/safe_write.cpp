// safe_write.cpp -- the parts of the safe file writer that are the same on
// every system: writing, committing and discarding over the operations each
// system's writer gives (safe_write_system.h); opening is per system.
#include "platform/safe_write.h"

#include <cerrno>
#include <cstdio>
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

bool SafeWriteCommit(SafeWriteFile* file, std::string* errorLine) {
    // Buffered bytes may only fail to arrive (a full disk) at the flush, the
    // sync or the close, so each is checked before the rename.
    errno = 0;
    if (std::fflush(file->stream) != 0) return SafeWriteFail(file, errno, errorLine);
    const bool temporary = !file->tempPath.empty();
    if (temporary)
        if (const int e = FlushStreamToDisk(file->stream)) return SafeWriteFail(file, e, errorLine);
    errno = 0;
    const int closed = std::fclose(file->stream);
    file->stream = nullptr;
    if (closed != 0) return SafeWriteFail(file, errno, errorLine);
    if (!temporary) return true;

    if (const int e = MoveTemporaryIntoPlace(file->tempPath, file->targetPath))
        return SafeWriteFail(file, e, errorLine);
    UnregisterTemporary(file->tempSlot);
    file->tempSlot = -1;
    file->tempPath.clear();
    return true;
}

bool SafeWriteWholeFile(const char* path, const void* bytes, size_t size, std::string* errorLine, bool* direct) {
    SafeWriteFile file;
    const bool ok = SafeWriteOpen(path, &file, errorLine) && SafeWriteBytes(&file, bytes, size, errorLine) &&
                    SafeWriteCommit(&file, errorLine);
    if (direct) *direct = file.direct;
    return ok;
}
