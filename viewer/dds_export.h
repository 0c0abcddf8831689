// dds_export.h -- writing the LoRes textures of a landscape as DDS files, and
// the whole-or-nothing file writing that every exported file goes through.
// No GL. Lines handed back or logged are single lines starting with
// "ERROR : " and naming the file; the caller decides where they go.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

// ---------------------------------------------------------------------------
// Replacing a file whole or not at all
// ---------------------------------------------------------------------------
// The bytes go to a temporary file beside the final one (same directory, so
// the rename cannot cross file systems), which is renamed over the final name
// only after every write, the flush and the close have succeeded. A failure at
// any step removes the temporary and leaves whatever file had the final name
// untouched.
struct ReplacementFile {
    FILE* stream = nullptr;  // open while the file is being written
    std::string path;        // the final name
    std::string tempPath;    // the temporary beside it
};

// Creates the temporary for `path`. On failure returns false, sets *errorLine
// ("ERROR : <path> : cannot create the file: <reason>") and opens nothing.
bool OpenReplacementFile(const char* path, ReplacementFile* file, std::string* errorLine);
// Appends `size` bytes. On failure sets *errorLine and discards the file (the
// stream is closed and the temporary removed); later calls must not be made.
bool WriteReplacementBytes(ReplacementFile* file, const void* bytes, size_t size, std::string* errorLine);
// Flushes, closes and renames the temporary over the final name. On failure
// sets *errorLine and removes the temporary. The stream is closed either way.
bool CommitReplacementFile(ReplacementFile* file, std::string* errorLine);
// Closes the stream (if open) and removes the temporary, reporting nothing:
// for callers that failed on their own account.
void DiscardReplacementFile(ReplacementFile* file);
// "ERROR : <path> : <what>: <strerror(errnoValue)>".
std::string FileErrorLine(const std::string& path, const char* what, int errnoValue);

// ---------------------------------------------------------------------------
// LoRes textures as DDS files
// ---------------------------------------------------------------------------
// Writes one DDS file: the magic "DDS " followed by the kDdsFileSize - 4 =
// 65660 bytes from record offset 20 to the record's end (DdsHeader and
// ImageData), unchanged. `record` points at a whole 65680-byte LoRes record.
// Replaces any file of that name. On failure returns false with *errorLine set.
bool WriteLoResDds(const uint8_t* record, const char* path, std::string* errorLine);

// Writes every LoRes texture of a landscape file to "<namePrefix>-<i>.dds",
// i = 0 .. LoResTextureCount - 1, taking record i at the fixed stride
// (1052 + 65680 i) whatever its RecordSize says. `file` holds `length` bytes
// of a landscape file (header included). Each failure (a record outside the
// buffer, a name longer than 1023 bytes, a file that cannot be written) puts
// one line on `log`, flushed, and the next texture is attempted. Prints
// nothing else. Returns the number of textures that were not written (1 for
// a buffer too short to hold the header, whose count cannot be known).
uint32_t ExportLoResDdsFiles(const uint8_t* file, uint64_t length, const char* namePrefix, FILE* log);

// The viewer's export (key `l`), writing to `log`: with a landscape loaded it
// prints "Exporting LoResTextures....\n" and exports next to the landscape
// file, named from LandscapePath; with none it prints one line,
// "WARNING : <LandscapePath> : no landscape loaded, nothing to export", and
// writes nothing.
void ExportLoResTexturesTo(FILE* log);
// The same, to standard output.
void ExportLoResTextures();
