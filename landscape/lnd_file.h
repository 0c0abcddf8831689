// lnd_file.h -- reading a whole landscape file into one buffer of exactly its
// length, refusing what is not a regular file before it could block. No GL.
#pragma once

#include <cstdint>
#include <string>

enum class FileReadFault { None, CannotOpen, NotRegular, CannotSize, CannotAllocate, ShortRead };

struct FileRead {
    FileReadFault fault = FileReadFault::None;
    std::string reason;       // why, for CannotOpen, NotRegular, CannotSize and ShortRead ("No such file or directory")
    uint8_t* data = nullptr;  // new[]-allocated, length bytes; the caller owns it
    uint64_t length = 0;      // the file's length (also when the read failed after sizing it)
    uint64_t bytesRead = 0;
};

// Reads the whole file with one fread into one buffer of exactly its length.
// A directory, FIFO, device or socket is refused without opening it, so a
// FIFO with no writer cannot hang the caller. Any length is read, even 0;
// what the bytes are worth is the check's business.
FileRead ReadWholeFile(const char* path);

// The one-line report of a fault, without newline: for CannotOpen and
// NotRegular "ERROR : Unable to Open Specified File <path> : <reason>", for
// the others "ERROR : <path> : <fault>".
std::string FileReadFaultLine(const FileRead& read, const char* path);
