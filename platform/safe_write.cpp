// safe_write.cpp -- the parts of the safe file writer that are the same on
// every system; opening, committing and discarding are per platform.
#include "platform/safe_write.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

std::string WriteErrorLine(const std::string& path, int errnoValue) {
    return "ERROR : " + path + " : " + std::strerror(errnoValue != 0 ? errnoValue : EIO);
}

bool SafeWriteBytes(SafeWriteFile* file, const void* bytes, size_t size, std::string* errorLine) {
    errno = 0;
    if (std::fwrite(bytes, 1, size, file->stream) == size) return true;
    *errorLine = WriteErrorLine(file->path, errno);
    SafeWriteDiscard(file);
    return false;
}

bool SafeWriteWholeFile(const char* path, const void* bytes, size_t size, std::string* errorLine, bool* direct) {
    SafeWriteFile file;
    const bool ok = SafeWriteOpen(path, &file, errorLine) && SafeWriteBytes(&file, bytes, size, errorLine) &&
                    SafeWriteCommit(&file, errorLine);
    if (direct) *direct = file.direct;
    return ok;
}

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
