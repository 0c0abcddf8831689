// lnd_file.h -- the loaded landscape: its path, its one buffer, and reading
// a whole file into such a buffer. No GL.
#pragma once

#include <cstdint>
#include <string>

inline constexpr int kLandscapePathSize = 512;  // path buffer, terminator included

extern char LandscapePath[kLandscapePathSize];  // written once by main
extern uint8_t* Landscape;                      // the whole file; null until one has been read and accepted
extern uint64_t LandscapeLength;                // bytes in Landscape

enum class FileReadFault { None, CannotOpen, CannotSize, ShortHeader, CannotAllocate, ShortRead };

struct FileRead {
    FileReadFault fault = FileReadFault::None;
    uint8_t* data = nullptr;  // new[]-allocated, length bytes; the caller owns it
    uint64_t length = 0;      // the file's length (also when the read failed)
    uint64_t bytesRead = 0;
};

// Reads the whole file with one fread into one buffer of exactly its length.
// A file shorter than the 1052-byte header is not read (ShortHeader).
FileRead ReadWholeFile(const char* path);

// The "ERROR : " line for a read fault other than CannotOpen, without newline.
std::string FileReadFaultLine(const FileRead& read, const char* path);
