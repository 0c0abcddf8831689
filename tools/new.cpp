// new.cpp -- `lndtool new`: a landscape made from a heightmap and, when
// given, pictures of its countries and far colours and a folder of
// materials. Every bad input is named, one line each, before anything is
// written; then nothing is.
#include <cinttypes>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "landscape/lnd_check.h"
#include "landscape/lnd_file.h"
#include "landscape/lnd_format.h"
#include "platform/folder_read.h"
#include "tools/command_files.h"
#include "tools/commands.h"
#include "tools/new/new_landscape.h"

namespace {

// A picture read and decoded by `decode`; false with its ERROR line added.
template <typename Decode>
bool ReadPicture(const std::string& path, Decode decode, std::vector<std::string>* errors) {
    FileRead read = ReadWholeFile(path.c_str());
    if (read.fault != FileReadFault::None) {
        delete[] read.data;
        errors->push_back(FileReadFaultLine(read, path.c_str()));
        return false;
    }
    std::string fault;
    const bool decoded = decode(read.data, size_t(read.length), &fault);
    delete[] read.data;
    if (!decoded) errors->push_back("ERROR : " + path + " : " + fault);
    return decoded;
}

bool IsPngName(const std::string& name) {
    return name.find('/') == std::string::npos && name.size() > 4 &&
           (name.compare(name.size() - 4, 4, ".png") == 0 || name.compare(name.size() - 4, 4, ".PNG") == 0);
}

}  // namespace

int RunNew(const NewOptions& options) {
    std::vector<std::string> errors;
    NewLandscapeInputs inputs;
    if (options.seaLevel < 0 || options.seaLevel > 255)
        errors.push_back("ERROR : " + options.out + " : the sea level must be an altitude of 0 to 255, not " +
                         std::to_string(options.seaLevel));
    else inputs.seaLevel = options.seaLevel;

    int width = 0, height = 0;
    const bool raw = options.format == "r16";
    if (raw && !ParsePictureSize(options.size, &width, &height))
        errors.push_back("ERROR : " + options.heights + " : raw 16-bit samples need --size WxH (1 to " +
                         std::to_string(kLargestPictureSide) + " each way), not '" + options.size + "'");
    else if (!raw && !options.size.empty())
        errors.push_back("ERROR : " + options.heights + " : --size is for raw samples (--format r16); a PNG has its own");
    if (!raw || width > 0)
        ReadPicture(options.heights, [&](const uint8_t* bytes, size_t size, std::string* fault) {
            return raw ? NewHeightsFromR16(bytes, size, width, height, &inputs.heights, fault)
                       : NewHeightsFromPng(bytes, size, &inputs.heights, fault);
        }, &errors);
    if (!options.countries.empty())
        ReadPicture(options.countries, [&](const uint8_t* bytes, size_t size, std::string* fault) {
            return NewCountriesFromPng(bytes, size, &inputs.countries, fault);
        }, &errors);
    ColoursPicture colours;
    if (!options.colours.empty() &&
        ReadPicture(options.colours, [&](const uint8_t* bytes, size_t size, std::string* fault) {
            return NewColoursFromPng(bytes, size, &colours, fault);
        }, &errors))
        inputs.colours = &colours;
    if (!options.materials.empty()) {
        std::map<std::string, std::vector<uint8_t>> files;
        const size_t errorsBefore = errors.size();
        if (ReadFolderTree(options.materials, &files, &errors)) {
            // In name order: the first lies under the sea, the last on the peaks.
            for (const auto& [name, bytes] : files) {
                if (!IsPngName(name)) continue;
                NewMaterial material;
                std::string fault;
                if (NewMaterialFromPng(bytes.data(), bytes.size(), &material, &fault))
                    inputs.materials.push_back(std::move(material));
                else errors.push_back("ERROR : " + options.materials + "/" + name + " : " + fault);
            }
            if (inputs.materials.empty() && errors.size() == errorsBefore)
                errors.push_back("ERROR : " + options.materials + " : holds no .png picture of a material");
        }
    }
    if (!errors.empty()) {
        for (const std::string& line : errors) std::fprintf(stderr, "%s\n", line.c_str());
        return 2;
    }

    std::vector<uint8_t> file;
    int needed = 0;
    if (!BuildNewLandscape(inputs, &file, &needed)) {
        const int fitting = LowestFittingSeaLevel(inputs);
        std::string line = "ERROR : " + options.heights + " : needs " + std::to_string(needed) +
                           " blocks (the shared flat block counted), more than the " + std::to_string(kMostMapBlocks) +
                           " a landscape holds; ";
        line += fitting < 0 ? "no sea level fits (the countries alone need more)"
                            : "--sea-level " + std::to_string(fitting) + " is the lowest that fits (" +
                                  std::to_string(NewBlocksNeeded(inputs, fitting)) + " blocks)";
        std::fprintf(stderr, "%s\n", line.c_str());
        return 2;
    }
    bool direct = false;
    // Made faultless and seamless by construction; a fault here would be ours, said as any writer says it.
    CheckedLandscape written;
    if (!WriteBuiltLandscape(options.out.c_str(), file, {}, {}, &direct, &written)) return 2;
    const LandscapeCounts counts = ReadLandscapeCounts(file.data());
    std::fprintf(direct ? stderr : stdout,
                 "wrote %s : %" PRId32 " blocks for %d places, %" PRId32 " countries, %" PRId32 " materials, %" PRIu32
                 " LoRes textures, sea level %d\n",
                 options.out.c_str(), counts.blockCountPlusOne - 1, kBlockMapSide * kBlockMapSide, counts.countryCount,
                 counts.materialCount, counts.loResTextureCount, inputs.seaLevel);
    return 0;
}
