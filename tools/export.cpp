// export.cpp -- `lndtool export`: a landscape's LoRes textures and block
// material textures as PNG files, and its LoRes textures as the viewer's DDS
// files, all in one output folder.
#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "image/png_write.h"
#include "landscape/lnd_check.h"
#include "platform/safe_write.h"
#include "texture/dxt3.h"
#include "texture/lores_dds.h"
#include "texture/material_synthesis.h"
#include "tools/command_files.h"
#include "tools/commands.h"

namespace {

// The files of one export, made in memory before any is written.
struct ExportFiles {
    std::vector<std::string> paths;
    std::vector<std::vector<uint8_t>> bytes;
};

void Add(ExportFiles* files, const std::string& path, std::vector<uint8_t> bytes) {
    files->paths.push_back(path);
    files->bytes.push_back(std::move(bytes));
}

// The LoRes textures the viewer uploads (the records the RecordSize walk
// found), each read as a 256 x 256 image whatever its DdsHeader says, in the
// colours every DDS reader shows.
bool AddLoResPngs(const CheckedLandscape& landscape, const std::filesystem::path& outDir, ExportFiles* files,
                  std::string* error) {
    std::vector<uint8_t> rgba(size_t(kLoResSide) * kLoResSide * 4);
    for (uint32_t i = 0; i < landscape.loResRecords.size(); ++i) {
        DecodeDxt3Replicated(landscape.WalkedLoResRecord(i) + kImageDataOffset, rgba.data(), kLoResSide, kLoResSide);
        std::vector<uint8_t> png;
        if (!EncodePngRgba8(rgba.data(), kLoResSide, kLoResSide, &png, error)) return false;
        Add(files, (outDir / ("lores-" + std::to_string(i) + ".png")).string(), std::move(png));
    }
    return true;
}

// Block material textures as the viewer computes them at start-up. Local
// tables, so the export neither depends on nor disturbs the viewer's globals.
bool AddMaterialPngs(const CheckedLandscape& landscape, int32_t blocks, const std::filesystem::path& outDir,
                     ExportFiles* files, std::string* error) {
    BlendWeightTable split, unsplit;
    FillStartBlendWeights(split, unsplit);
    const MaterialSources sources = MaterialSourcesOf(landscape);
    std::vector<uint16_t> texels(kMaterialTextureTexels);
    for (int32_t k = 0; k < blocks; ++k) {
        SynthesizeBlockMaterial(landscape.Block(k), sources, split, unsplit, texels.data());
        std::vector<uint8_t> png;
        if (!EncodePngGray16(texels.data(), kMaterialTextureSide, kMaterialTextureSide, &png, error)) return false;
        Add(files, (outDir / ("block-" + std::to_string(k) + "-material.png")).string(), std::move(png));
    }
    return true;
}

// The DDS files are the viewer's own export's bytes under the same kind of
// name, "<landscape file name>-<i>.dds", taken at the fixed stride.
bool AddDdsFiles(const CheckedLandscape& landscape, const std::string& prefix, ExportFiles* files,
                 std::string* error) {
    for (uint32_t i = 0; i < landscape.counts.loResTextureCount; ++i) {
        const std::string name = prefix + "-" + std::to_string(i) + ".dds";
        // The viewer's names hold 1023 bytes; a longer one is refused, not cut short.
        if (name.size() > 1023) {
            *error = "ERROR : " + prefix + " : the name of DDS file " + std::to_string(i) +
                     " is longer than 1023 bytes";
            return false;
        }
        std::vector<uint8_t> dds(kDdsFileSize);
        LoResDdsFileBytes(landscape.StrideLoResRecord(i), dds.data());
        Add(files, name, std::move(dds));
    }
    return true;
}

}  // namespace

int RunExport(const ExportOptions& options) {
    const char* path = options.file.c_str();
    StoredLandscape stored;
    if (!ReadUsableLandscape(path, &stored)) return 2;
    const CheckedLandscape& landscape = stored.checked;
    // The faults the viewer survives change what it shows, so say so here too;
    // the blocks past the 255th are the export's to skip only unless asked for all.
    for (const LandscapeNote& note : LandscapeNotes(landscape, path))
        if (note.changesPicture && !(options.allBlocks && std::string(note.kind) == "blocks_beyond_map"))
            std::fprintf(stderr, "%s\n", note.line.c_str());

    const std::filesystem::path outDir(options.outDir);

    // Every file is made before any is written, and they are written as one
    // set, never through a link in the folder.
    ExportFiles files;
    std::string error;
    const std::string ddsPrefix = (outDir / std::filesystem::path(options.file).filename()).string();
    bool written =
        AddLoResPngs(landscape, outDir, &files, &error) &&
        AddMaterialPngs(landscape, options.allBlocks ? landscape.blockCount : landscape.MapBlockCount(), outDir,
                        &files, &error) &&
        AddDdsFiles(landscape, ddsPrefix, &files, &error);
    if (written) {
        std::error_code fault;
        std::filesystem::create_directories(outDir, fault);
        if (fault) {
            std::fprintf(stderr, "ERROR : %s : cannot create the output folder: %s\n", options.outDir.c_str(),
                         fault.message().c_str());
            return 2;
        }
        std::vector<SafeWriteItem> items;
        for (size_t n = 0; n < files.paths.size(); ++n)
            items.push_back({files.paths[n], files.bytes[n].data(), files.bytes[n].size()});
        written = SafeWriteSet(items, &error, SafeWriteLinks::Refuse);
    }
    if (!written) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 2;
    }
    std::printf("%zu files written to %s\n", files.paths.size(), options.outDir.c_str());
    return 0;
}
