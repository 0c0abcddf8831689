// lores_dds.h -- the LoRes textures of a landscape written as DDS files, the
// viewer's `l` key and lndtool's export alike. No GL. Every file goes through
// the safe writer (platform/safe_write.h). Lines logged are single lines
// starting with "ERROR : " and naming the file.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

#include "landscape/landscape_load.h"
#include "landscape/lnd_check.h"

// Writes one DDS file: the magic "DDS " followed by the kDdsFileSize - 4 =
// 65660 bytes from record offset 20 to the record's end (DdsHeader and
// ImageData), unchanged. `record` points at a whole 65680-byte LoRes record.
// On failure returns false with *errorLine set.
bool WriteLoResDds(const uint8_t* record, const char* path, std::string* errorLine);
// The kDdsFileSize bytes that file holds, into dds_out. Pure.
void LoResDdsFileBytes(const uint8_t* record, uint8_t* dds_out);

// Puts one line on `log`, flushed at once so it keeps its order with other
// output and survives a crash that follows.
void LogLoResDdsLine(FILE* log, const std::string& line);

struct DdsExportResult {
    uint32_t written = 0;
    uint32_t failed = 0;
    std::string firstError;  // the first failure's line, empty when none failed
};

// Writes every LoRes texture of a usable checked landscape to
// "<namePrefix>-<i>.dds", i = 0 .. LoResTextureCount - 1, taking record i at
// the fixed stride (1052 + 65680 i) whatever its RecordSize says; the check
// has made sure all of them lie inside the file. Each failure (a name longer
// than 1023 bytes, a file that cannot be written) puts one line on `log`,
// flushed, and the next texture is attempted. Prints nothing else.
DdsExportResult ExportLoResDdsFiles(const CheckedLandscape& landscape, const char* namePrefix, FILE* log);

// The viewer's export (key `l`): with a landscape loaded it prints
// "Exporting LoResTextures....\n" on `log` and exports next to the landscape
// file, named from its path; with none it prints one line, "WARNING : <path>
// : no landscape loaded, nothing to export", and writes nothing (the result
// then has firstError set to that line).
DdsExportResult ExportLoResTexturesNextTo(const LandscapeLoad& landscape, FILE* log);
