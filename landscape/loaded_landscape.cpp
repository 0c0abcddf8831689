// loaded_landscape.cpp -- the loaded landscape's globals, and reading,
// checking and reporting the file.
#include "landscape/loaded_landscape.h"

#include <cstring>
#include <string>

#include "landscape/lnd_file.h"

char LandscapePath[kLandscapePathSize];
uint8_t* Landscape = nullptr;
CheckedLandscape LoadedLandscape;

// Every line is flushed at once, so it keeps its order with other output.
static void PrintLine(FILE* stream, const std::string& line) {
    if (!stream) return;
    std::fprintf(stream, "%s\n", line.c_str());
    std::fflush(stream);
}

bool ReadLandscapeFile(FILE* console, FILE* errors, LoadLines* said) {
    LoadLines ignored;
    if (!said) said = &ignored;
    *said = LoadLines();
    PrintLine(console, "Loading Landscape " + std::string(LandscapePath) + " ...\n");

    FileRead read = ReadWholeFile(LandscapePath);
    if (read.fault == FileReadFault::CannotOpen || read.fault == FileReadFault::NotRegular) {
        // The console line stays as it always was; the reason goes beside it.
        PrintLine(console, "ERROR : Unable to Open Specified File " + std::string(LandscapePath));
        PrintLine(errors, "ERROR : " + std::string(LandscapePath) + " : " + read.reason);
        said->error = FileReadFaultLine(read, LandscapePath);
        return false;
    }
    if (read.fault != FileReadFault::None) {
        said->error = FileReadFaultLine(read, LandscapePath);
        PrintLine(console, said->error);
        return false;
    }

    CheckedLandscape checked = CheckLandscape(read.data, read.length);
    if (checked.fault == LandscapeFault::ShortHeader) {
        // Not even the counts can be read.
        said->error = FaultLine(checked, LandscapePath);
        PrintLine(console, said->error);
        delete[] read.data;
        return false;
    }
    // The block count is stored plus one; from here on the field holds the count.
    StoreI32(read.data + kBlockCountPlusOneOffset, checked.blockCount);
    if (console) {
        std::fprintf(console, "Number of Blocks        : %i\n", checked.blockCount);
        std::fprintf(console, "Number of Countries     : %i\n", checked.counts.countryCount);
        std::fprintf(console, "Number of Materials     : %i\n", checked.counts.materialCount);
        // The count is unsigned; a huge one reads as what the header holds, not as negative.
        std::fprintf(console, "Number of LoResTextures : %u\n", checked.counts.loResTextureCount);
        std::fflush(console);
    }

    if (!checked.Usable()) {
        // A file whose areas do not fit is dropped whole: the viewer runs as
        // after a failed open.
        said->error = FaultLine(checked, LandscapePath);
        PrintLine(console, said->error);
        delete[] read.data;
        return false;
    }
    said->warnings = RecordWarningLines(checked, LandscapePath);
    for (const std::string& line : said->warnings) PrintLine(console, line);

    Landscape = read.data;
    LoadedLandscape = std::move(checked);
    return true;
}

bool LoadLandscapeFile(const char* path, std::string* errorLine, std::vector<std::string>* warnings) {
    delete[] Landscape;
    Landscape = nullptr;
    LoadedLandscape = CheckedLandscape();
    warnings->clear();
    if (std::strlen(path) >= sizeof LandscapePath) {
        *errorLine = "ERROR : " + std::string(path, 60) + "... : the path is longer than " +
                     std::to_string(kLandscapePathSize - 1) + " characters";
        return false;
    }
    std::strcpy(LandscapePath, path);
    FileRead read = ReadWholeFile(path);
    if (read.fault != FileReadFault::None) {
        *errorLine = FileReadFaultLine(read, path);
        return false;
    }
    CheckedLandscape checked = CheckLandscape(read.data, read.length);
    if (!checked.Usable()) {
        *errorLine = FaultLine(checked, path);
        delete[] read.data;
        return false;
    }
    StoreI32(read.data + kBlockCountPlusOneOffset, checked.blockCount);
    *warnings = RecordWarningLines(checked, path);
    Landscape = read.data;
    LoadedLandscape = std::move(checked);
    return true;
}
