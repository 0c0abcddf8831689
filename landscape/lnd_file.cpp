// lnd_file.cpp -- reading a landscape file whole, and the loaded landscape's globals.
#include "landscape/lnd_file.h"

#include <cinttypes>
#include <cstdio>
#include <new>

#include <sys/stat.h>

#include "landscape/lnd_format.h"

char LandscapePath[kLandscapePathSize];
uint8_t* Landscape = nullptr;
uint64_t LandscapeLength = 0;

FileRead ReadWholeFile(const char* path) {
    FileRead r;
    FILE* f = std::fopen(path, "rb");
    // A directory opens for reading here but holds no file to read.
    struct stat st;
    if (f && (fstat(fileno(f), &st) != 0 || S_ISDIR(st.st_mode))) {
        std::fclose(f);
        f = nullptr;
    }
    if (!f) {
        r.fault = FileReadFault::CannotOpen;
        return r;
    }
    long length = -1;
    if (std::fseek(f, 0, SEEK_END) == 0) length = std::ftell(f);
    if (length < 0 || std::fseek(f, 0, SEEK_SET) != 0) {
        r.fault = FileReadFault::CannotSize;
        std::fclose(f);
        return r;
    }
    r.length = uint64_t(length);
    if (r.length < kHeaderSize) {
        r.fault = FileReadFault::ShortHeader;
        std::fclose(f);
        return r;
    }
    r.data = new (std::nothrow) uint8_t[r.length];
    if (!r.data) {
        r.fault = FileReadFault::CannotAllocate;
        std::fclose(f);
        return r;
    }
    r.bytesRead = std::fread(r.data, 1, r.length, f);
    std::fclose(f);
    if (r.bytesRead != r.length) {
        r.fault = FileReadFault::ShortRead;
        delete[] r.data;
        r.data = nullptr;
    }
    return r;
}

std::string FileReadFaultLine(const FileRead& r, const char* path) {
    char line[1024 + 256];
    switch (r.fault) {
    case FileReadFault::None:
        return {};
    case FileReadFault::CannotOpen:
        std::snprintf(line, sizeof line, "ERROR : Unable to Open Specified File %s", path);
        break;
    case FileReadFault::CannotSize:
        std::snprintf(line, sizeof line, "ERROR : %s : cannot find the file's length", path);
        break;
    case FileReadFault::ShortHeader:
        std::snprintf(line, sizeof line, "ERROR : %s : file too short: the header needs %" PRIu64 " bytes, found %" PRIu64,
                      path, kHeaderSize, r.length);
        break;
    case FileReadFault::CannotAllocate:
        std::snprintf(line, sizeof line, "ERROR : %s : cannot allocate %" PRIu64 " bytes to read the file", path, r.length);
        break;
    case FileReadFault::ShortRead:
        std::snprintf(line, sizeof line, "ERROR : %s : read %" PRIu64 " of %" PRIu64 " bytes", path, r.bytesRead,
                      r.length);
        break;
    }
    return line;
}
