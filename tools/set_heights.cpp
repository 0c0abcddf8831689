// set_heights.cpp -- `lndtool set-heights`: the altitudes of the placed
// blocks from a heightmap; every other byte of the landscape stays.
#include <cinttypes>
#include <cstdio>
#include <string>
#include <vector>

#include "landscape/lnd_check.h"
#include "landscape/lnd_file.h"
#include "tools/command_files.h"
#include "tools/commands.h"
#include "tools/heights/block_heights.h"

int RunSetHeights(const SetHeightsOptions& options) {
    const char* path = options.file.c_str();
    const char* heightmapPath = options.heightmap.c_str();
    FileRead heightmap = ReadWholeFile(heightmapPath);
    if (heightmap.fault != FileReadFault::None) {
        std::fprintf(stderr, "%s\n", FileReadFaultLine(heightmap, heightmapPath).c_str());
        return 2;
    }
    std::vector<uint8_t> heights;
    std::string fault;
    const bool decoded = options.format == "r16" ? HeightsFromR16(heightmap.data, heightmap.length, &heights, &fault)
                                                 : HeightsFromPng(heightmap.data, heightmap.length, &heights, &fault);
    delete[] heightmap.data;
    if (!decoded) {
        std::fprintf(stderr, "ERROR : %s : %s\n", heightmapPath, fault.c_str());
        return 2;
    }
    StoredLandscape stored;
    if (!ReadUsableLandscape(path, &stored)) return 2;
    std::vector<uint8_t> edited;
    std::vector<std::string> errors;
    SetBlockHeights(stored.checked, heights.data(), options.splitShared, path, &edited, &errors);
    const int32_t blocksBefore = stored.checked.blockCount;
    const char* out = options.out.c_str();
    bool direct = false;
    CheckedLandscape written;
    if (!WriteBuiltLandscape(out, edited, errors, {}, &direct, &written)) return 2;
    const int32_t blocks = written.blockCount;
    std::fprintf(direct ? stderr : stdout, "wrote %s : the altitudes of %s set from %s; %" PRId32 " blocks (%" PRId32
                                           " new copies)\n",
                 out, path, heightmapPath, blocks, blocks - blocksBefore);
    return 0;
}
