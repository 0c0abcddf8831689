// landscape_load.cpp -- reading, checking and reporting a landscape file.
#include "landscape/landscape_load.h"

#include <cstring>

#include "landscape/lnd_file.h"

namespace {

void Refuse(LoadTranscript* t, const std::string& errorLine) {
    t->error = errorLine;
    t->console.push_back(errorLine);
}

}  // namespace

LandscapeLoad LoadLandscapeFile(const char* path, LoadTranscript* t) {
    *t = LoadTranscript();
    LandscapeLoad load;
    load.path = path;
    t->console.push_back("Loading Landscape " + load.path + " ...\n");
    if (load.path.size() >= size_t(kLandscapePathSize)) {
        Refuse(t, "ERROR : " + load.path.substr(0, 60) + "... : the path is longer than " +
                      std::to_string(kLandscapePathSize - 1) + " characters");
        return load;
    }

    FileRead read = ReadWholeFile(path);
    std::unique_ptr<uint8_t[]> bytes(read.data);
    if (read.fault == FileReadFault::CannotOpen || read.fault == FileReadFault::NotRegular) {
        // The console names the file; the reason goes to standard error.
        t->error = FileReadFaultLine(read, path);
        t->console.push_back("ERROR : Unable to Open Specified File " + load.path);
        t->reasons.push_back("ERROR : " + load.path + " : " + read.reason);
        return load;
    }
    if (read.fault != FileReadFault::None) {
        Refuse(t, FileReadFaultLine(read, path));
        return load;
    }

    CheckedLandscape checked = CheckLandscape(bytes.get(), read.length);
    if (checked.fault == LandscapeFault::ShortHeader) {
        // Not even the counts can be read.
        Refuse(t, FaultLine(checked, path));
        return load;
    }
    // The block count is stored plus one; the check holds the count itself.
    char line[64];
    std::snprintf(line, sizeof line, "Number of Blocks        : %i", checked.blockCount);
    t->console.push_back(line);
    std::snprintf(line, sizeof line, "Number of Countries     : %i", checked.counts.countryCount);
    t->console.push_back(line);
    std::snprintf(line, sizeof line, "Number of Materials     : %i", checked.counts.materialCount);
    t->console.push_back(line);
    // The count is unsigned; a huge one reads as what the header holds, not as negative.
    std::snprintf(line, sizeof line, "Number of LoResTextures : %u", checked.counts.loResTextureCount);
    t->console.push_back(line);

    if (!checked.Usable()) {
        // A file whose areas do not fit is dropped whole.
        Refuse(t, FaultLine(checked, path));
        return load;
    }
    t->warnings = RecordWarningLines(checked, path);
    t->console.insert(t->console.end(), t->warnings.begin(), t->warnings.end());
    load.bytes = std::move(bytes);
    load.checked = std::move(checked);
    return load;
}

void PrintLoadTranscript(const LoadTranscript& t, FILE* console, FILE* errors) {
    // Every line is flushed at once, so it keeps its order with other output.
    for (const std::string& line : t.console) {
        if (!console) break;
        std::fprintf(console, "%s\n", line.c_str());
        std::fflush(console);
    }
    for (const std::string& line : t.reasons) {
        if (!errors) break;
        std::fprintf(errors, "%s\n", line.c_str());
        std::fflush(errors);
    }
}
