// dds_export.cpp -- the LoRes textures written out as DDS files, and the
// temporary-then-rename writing that keeps half files from appearing.
#include "viewer/dds_export.h"

#include <cerrno>
#include <cinttypes>
#include <cstring>

#include <unistd.h>

#include "landscape/lnd_file.h"
#include "landscape/lnd_format.h"

// ---------------------------------------------------------------------------
// Replacing a file whole or not at all
// ---------------------------------------------------------------------------

std::string FileErrorLine(const std::string& path, const char* what, int errnoValue) {
    return "ERROR : " + path + " : " + what + ": " + std::strerror(errnoValue);
}

bool OpenReplacementFile(const char* path, ReplacementFile* file, std::string* errorLine) {
    file->path = path;
    // The process id keeps two programs exporting the same name apart.
    file->tempPath = file->path + "." + std::to_string(long(::getpid())) + ".tmp";
    errno = 0;
    file->stream = std::fopen(file->tempPath.c_str(), "wb");
    if (!file->stream) {
        *errorLine = FileErrorLine(file->path, "cannot create the file", errno);
        return false;
    }
    return true;
}

void DiscardReplacementFile(ReplacementFile* file) {
    if (file->stream) std::fclose(file->stream);
    file->stream = nullptr;
    std::remove(file->tempPath.c_str());
}

bool WriteReplacementBytes(ReplacementFile* file, const void* bytes, size_t size, std::string* errorLine) {
    errno = 0;
    if (std::fwrite(bytes, 1, size, file->stream) == size) return true;
    *errorLine = FileErrorLine(file->path, "cannot write the file", errno);
    DiscardReplacementFile(file);
    return false;
}

bool CommitReplacementFile(ReplacementFile* file, std::string* errorLine) {
    // Buffered bytes may only fail to reach the disk (a full disk) at the
    // flush or the close, so both are checked before the rename.
    errno = 0;
    if (std::fflush(file->stream) != 0) {
        *errorLine = FileErrorLine(file->path, "cannot write the file", errno);
        DiscardReplacementFile(file);
        return false;
    }
    errno = 0;
    const int closed = std::fclose(file->stream);
    file->stream = nullptr;
    if (closed != 0) {
        *errorLine = FileErrorLine(file->path, "cannot close the file", errno);
        DiscardReplacementFile(file);
        return false;
    }
    errno = 0;
    if (std::rename(file->tempPath.c_str(), file->path.c_str()) != 0) {
        *errorLine = FileErrorLine(file->path, "cannot rename the finished file into place", errno);
        DiscardReplacementFile(file);
        return false;
    }
    return true;
}

// ---------------------------------------------------------------------------
// LoRes textures as DDS files
// ---------------------------------------------------------------------------

bool WriteLoResDds(const uint8_t* record, const char* path, std::string* errorLine) {
    static const char kMagic[4] = {'D', 'D', 'S', ' '};
    ReplacementFile file;
    return OpenReplacementFile(path, &file, errorLine) && WriteReplacementBytes(&file, kMagic, 4, errorLine) &&
           WriteReplacementBytes(&file, record + kLoResDdsHeader, kDdsFileSize - 4, errorLine) &&
           CommitReplacementFile(&file, errorLine);
}

static void LogLine(FILE* log, const std::string& line) {
    // Flushed at once so the lines keep their order with other output and
    // survive a crash that follows.
    std::fprintf(log, "%s\n", line.c_str());
    std::fflush(log);
}

uint32_t ExportLoResDdsFiles(const uint8_t* file, uint64_t length, const char* namePrefix, FILE* log) {
    if (length < kHeaderSize) {
        char line[1536];
        std::snprintf(line, sizeof line,
                      "ERROR : %s : no LoRes texture exported: the header needs %" PRIu64 " bytes, found %" PRIu64,
                      namePrefix, kHeaderSize, length);
        LogLine(log, line);
        return 1;
    }
    const uint32_t count = ReadLandscapeCounts(file).loResTextureCount;
    uint32_t failures = 0;
    for (uint32_t i = 0; i < count; ++i) {
        // 1024 bytes hold any name made from the 512-byte LandscapePath; a
        // longer prefix (lndtool's output folder) is refused, not cut short.
        char name[1024];
        const int needed = std::snprintf(name, sizeof name, "%s-%i.dds", namePrefix, int(i));
        std::string error;
        const uint64_t offset = kHeaderSize + kLoResTextureSize * uint64_t(i);
        if (needed < 0 || size_t(needed) >= sizeof name) {
            error = std::string("ERROR : ") + namePrefix + " : the name of DDS file " + std::to_string(i) +
                    " is longer than 1023 bytes";
        } else if (!InBounds(length, offset, kLoResTextureSize)) {
            char line[1536];
            std::snprintf(line, sizeof line,
                          "ERROR : %s : LoRes texture %" PRIu32 " at offset %" PRIu64 " lies past the end of the %" PRIu64
                          "-byte file",
                          name, i, offset, length);
            error = line;
        } else {
            WriteLoResDds(file + offset, name, &error);
        }
        if (!error.empty()) {
            LogLine(log, error);
            ++failures;
        }
    }
    return failures;
}

void ExportLoResTexturesTo(FILE* log) {
    if (Landscape == nullptr) {
        // Loading failed (or never ran); LandscapePath names what was asked for.
        LogLine(log, std::string("WARNING : ") + LandscapePath + " : no landscape loaded, nothing to export");
        return;
    }
    std::fprintf(log, "Exporting LoResTextures....\n");
    std::fflush(log);
    ExportLoResDdsFiles(Landscape, LandscapeLength, LandscapePath, log);
}

void ExportLoResTextures() { ExportLoResTexturesTo(stdout); }
