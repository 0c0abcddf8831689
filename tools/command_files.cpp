// command_files.cpp -- reading a landscape and writing a file for a command.
#include "tools/command_files.h"

#include <cstdio>

#include "landscape/lnd_file.h"
#include "platform/safe_write.h"

bool ReadCheckedLandscape(const char* path, StoredLandscape* landscape, std::string* errorLine) {
    FileRead read = ReadWholeFile(path);
    landscape->bytes.reset(read.data);
    if (read.fault != FileReadFault::None) {
        *errorLine = FileReadFaultLine(read, path);
        return false;
    }
    landscape->checked = CheckLandscape(read.data, read.length);
    if (landscape->checked.Usable()) return true;
    *errorLine = FaultLine(landscape->checked, path);
    return false;
}

bool ReadUsableLandscape(const char* path, StoredLandscape* landscape) {
    std::string error;
    if (ReadCheckedLandscape(path, landscape, &error)) return true;
    std::fprintf(stderr, "%s\n", error.c_str());
    return false;
}

bool WriteCommandFile(const char* path, const void* bytes, size_t size, bool* direct) {
    std::string error;
    if (SafeWriteWholeFile(path, bytes, size, &error, direct)) return true;
    std::fprintf(stderr, "%s\n", error.c_str());
    return false;
}
