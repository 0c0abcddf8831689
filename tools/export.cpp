// export.cpp -- `lndtool export`: a landscape's LoRes textures and block
// material textures as PNG files, and its LoRes textures as the viewer's DDS
// files, all in one output folder.
#include <cinttypes>
#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "image/png_write.h"
#include "landscape/lnd_check.h"
#include "texture/dxt3.h"
#include "texture/lores_dds.h"
#include "texture/material_synthesis.h"
#include "tools/command_files.h"
#include "tools/commands.h"

namespace {

// What one export wrote and failed to write.
struct ExportTally {
    uint32_t written = 0;
    uint32_t failed = 0;
};

void Report(ExportTally* tally, bool ok, const std::string& errorLine) {
    if (ok) {
        ++tally->written;
    } else {
        std::fprintf(stderr, "%s\n", errorLine.c_str());
        ++tally->failed;
    }
}

// The LoRes textures the viewer uploads (the records the RecordSize walk
// found), each read as a 256 x 256 image whatever its DdsHeader says, in the
// colours every DDS reader shows.
void ExportLoResPngs(const CheckedLandscape& landscape, const std::filesystem::path& outDir, ExportTally* tally) {
    std::vector<uint8_t> rgba(size_t(kLoResSide) * kLoResSide * 4);
    for (uint32_t i = 0; i < landscape.loResRecords.size(); ++i) {
        DecodeDxt3Replicated(landscape.WalkedLoResRecord(i) + kImageDataOffset, rgba.data(), kLoResSide, kLoResSide);
        const std::string path = (outDir / ("lores-" + std::to_string(i) + ".png")).string();
        std::string error;
        Report(tally, WritePngRgba8(path.c_str(), rgba.data(), kLoResSide, kLoResSide, &error), error);
    }
}

// Block material textures as the viewer computes them at start-up. Local
// tables, so the export neither depends on nor disturbs the viewer's globals.
void ExportMaterialPngs(const CheckedLandscape& landscape, int32_t blocks, const std::filesystem::path& outDir,
                        ExportTally* tally) {
    BlendWeightTable split, unsplit;
    FillStartBlendWeights(split, unsplit);
    const MaterialSources sources = MaterialSourcesOf(landscape);
    std::vector<uint16_t> texels(kMaterialTextureTexels);
    for (int32_t k = 0; k < blocks; ++k) {
        SynthesizeBlockMaterial(landscape.Block(k), sources, split, unsplit, texels.data());
        const std::string path = (outDir / ("block-" + std::to_string(k) + "-material.png")).string();
        std::string error;
        Report(tally,
               WritePngGray16(path.c_str(), texels.data(), kMaterialTextureSide, kMaterialTextureSide, &error),
               error);
    }
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
    std::error_code fault;
    std::filesystem::create_directories(outDir, fault);
    if (fault) {
        std::fprintf(stderr, "ERROR : %s : cannot create the output folder: %s\n", options.outDir.c_str(),
                     fault.message().c_str());
        return 2;
    }

    ExportTally tally;
    ExportLoResPngs(landscape, outDir, &tally);
    ExportMaterialPngs(landscape, options.allBlocks ? landscape.blockCount : landscape.MapBlockCount(), outDir,
                       &tally);
    // The DDS files come from the viewer's own export, so both write the same
    // bytes under the same kind of name: "<landscape file name>-<i>.dds".
    const std::string ddsPrefix = (outDir / std::filesystem::path(options.file).filename()).string();
    const DdsExportResult dds = ExportLoResDdsFiles(landscape, ddsPrefix.c_str(), stderr);
    tally.failed += dds.failed;
    tally.written += dds.written;

    if (tally.failed == 0)
        std::printf("%" PRIu32 " files written to %s\n", tally.written, options.outDir.c_str());
    else
        std::printf("%" PRIu32 " files written to %s, %" PRIu32 " could not be written\n", tally.written,
                    options.outDir.c_str(), tally.failed);
    return tally.failed == 0 ? 0 : 2;
}
