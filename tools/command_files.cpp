// command_files.cpp -- reading a landscape and writing a file for a command.
#include "tools/command_files.h"

#include <cstdio>

#include "landscape/lnd_file.h"
#include "landscape/seams.h"
#include "platform/safe_write.h"

bool ReadCheckedLandscape(const char* path, StoredLandscape* landscape, std::string* errorLine) {
    *landscape = LandscapeLoad();
    FileRead read = ReadWholeFile(path);
    std::unique_ptr<uint8_t[]> bytes(read.data);
    if (read.fault != FileReadFault::None) {
        *errorLine = FileReadFaultLine(read, path);
        return false;
    }
    CheckedLandscape checked = CheckLandscape(read.data, read.length);
    if (!checked.Usable()) {
        *errorLine = FaultLine(checked, path);
        return false;
    }
    landscape->path = path;
    landscape->bytes = std::move(bytes);
    landscape->checked = std::move(checked);
    return true;
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

void PrintSeamWarning(const CheckedLandscape& written, const char* path) {
    const std::string line = SeamWarningLine(FindSeamFaults(written), path);
    if (!line.empty()) std::fprintf(stderr, "%s\n", line.c_str());
}

bool WriteBuiltLandscape(const char* out, const std::vector<uint8_t>& landscape,
                         const std::vector<std::string>& errors, const std::vector<std::string>& notes, bool* direct,
                         CheckedLandscape* written) {
    for (const std::string& line : errors) std::fprintf(stderr, "%s\n", line.c_str());
    if (!errors.empty()) return false;
    for (const std::string& line : notes) std::fprintf(stderr, "%s\n", line.c_str());
    if (!WriteCommandFile(out, landscape.data(), landscape.size(), direct)) return false;
    *written = CheckLandscape(landscape.data(), landscape.size());
    for (const LandscapeNote& note : LandscapeNotes(*written, out)) std::fprintf(stderr, "%s\n", note.line.c_str());
    if (written->Usable()) PrintSeamWarning(*written, out);
    return true;
}
