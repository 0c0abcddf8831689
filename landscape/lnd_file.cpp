// lnd_file.cpp -- reading a landscape file whole.
#include "landscape/lnd_file.h"

#include <sys/stat.h>

#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <new>

#include "landscape/formatted_text.h"


namespace {

// What a path that is not a regular file is, for the reason text.
const char* NonRegularKind(const struct stat& st) {
    if (S_ISDIR(st.st_mode)) return nullptr;  // strerror(EISDIR) says it
    if (S_ISFIFO(st.st_mode)) return "not a regular file (a FIFO)";
    if (S_ISCHR(st.st_mode)) return "not a regular file (a character device)";
    return "not a regular file";
}

bool RefuseNonRegular(const struct stat& st, FileRead* r) {
    if (S_ISREG(st.st_mode)) return false;
    r->fault = FileReadFault::NotRegular;
    const char* kind = NonRegularKind(st);
    r->reason = kind ? kind : std::strerror(EISDIR);
    return true;
}

}  // namespace

FileRead ReadWholeFile(const char* path) {
    FileRead r;
    // Looked at before opening: opening a FIFO for reading waits for a writer.
    struct stat st;
    if (stat(path, &st) != 0) {
        r.fault = FileReadFault::CannotOpen;
        r.reason = std::strerror(errno);
        return r;
    }
    if (RefuseNonRegular(st, &r)) return r;
    errno = 0;
    FILE* f = std::fopen(path, "rb");
    if (!f) {
        r.fault = FileReadFault::CannotOpen;
        r.reason = std::strerror(errno != 0 ? errno : EIO);
        return r;
    }
    // The path may have been replaced between the look and the open.
    if (fstat(fileno(f), &st) != 0) {
        r.fault = FileReadFault::CannotSize;
        r.reason = std::strerror(errno);
        std::fclose(f);
        return r;
    }
    if (RefuseNonRegular(st, &r)) {
        std::fclose(f);
        return r;
    }
    r.length = uint64_t(st.st_size);
    // Exactly the file's length (an empty file gets an empty, non-null
    // buffer), so a read one byte past the end is a read outside it.
    r.data = new (std::nothrow) uint8_t[r.length];
    if (!r.data) {
        r.fault = FileReadFault::CannotAllocate;
        std::fclose(f);
        return r;
    }
    errno = 0;
    r.bytesRead = std::fread(r.data, 1, r.length, f);
    const int readErrno = errno;
    std::fclose(f);
    if (r.bytesRead != r.length) {
        r.fault = FileReadFault::ShortRead;
        r.reason = readErrno != 0 ? std::strerror(readErrno) : "the file ended early";
        delete[] r.data;
        r.data = nullptr;
    }
    return r;
}

std::string FileReadFaultLine(const FileRead& r, const char* path) {
    switch (r.fault) {
    case FileReadFault::None:
        return {};
    case FileReadFault::CannotOpen:
    case FileReadFault::NotRegular:
        return FormatText("ERROR : Unable to Open Specified File %s : %s", path, r.reason.c_str());
    case FileReadFault::CannotSize:
        return FormatText("ERROR : %s : cannot find the file's length: %s", path, r.reason.c_str());
    case FileReadFault::CannotAllocate:
        return FormatText("ERROR : %s : cannot allocate %" PRIu64 " bytes to read the file", path, r.length);
    case FileReadFault::ShortRead:
        return FormatText("ERROR : %s : read %" PRIu64 " of %" PRIu64 " bytes: %s", path, r.bytesRead, r.length,
                          r.reason.c_str());
    }
    return {};
}
