// export.cpp -- `lndtool export`: a landscape's LoRes textures and block
// material textures as PNG files, and its LoRes textures as the viewer's DDS
// files, all in one output folder.
#include <cinttypes>
#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "landscape/lnd_check.h"
#include "landscape/lnd_file.h"
#include "landscape/lnd_format.h"
#include "texture/dxt3.h"
#include "texture/material_synthesis.h"
#include "tools/commands.h"
#include "tools/png_write.h"
#include "viewer/dds_export.h"

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

// The LoRes textures the viewer uploads: records walked by their RecordSize
// as far as the check found the walk to stay inside the file, each read as a
// 256 x 256 image whatever its DdsHeader says (as the viewer does).
void ExportLoResPngs(const uint8_t* file, const LandscapeCheck& check, const std::filesystem::path& outDir,
                     ExportTally* tally) {
    std::vector<uint8_t> rgba(size_t(kLoResSide) * kLoResSide * 4);
    uint64_t record = check.areas.loResArea;
    for (uint32_t i = 0; i < check.uploadWalkCount; ++i) {
        if (i > 0) record = uint64_t(NextLoResRecord(file, check.length, record));
        DecodeDxt3(file + record + kLoResImageData, rgba.data(), kLoResSide, kLoResSide);
        const std::string path = (outDir / ("lores-" + std::to_string(i) + ".png")).string();
        std::string error;
        Report(tally, WritePngRgba8(path.c_str(), rgba.data(), kLoResSide, kLoResSide, &error), error);
    }
}

// Every block's material texture as the viewer computes it at start-up, with
// both weight tables holding 63. Local tables, so the export neither depends
// on nor disturbs the viewer's globals.
void ExportMaterialPngs(const uint8_t* file, const LandscapeCheck& check, const std::filesystem::path& outDir,
                        ExportTally* tally) {
    BlendWeightTable split, unsplit;
    for (int n = 0; n < 256; ++n) split[n] = unsplit[n] = 63;
    const MaterialSources sources = {file + check.areas.countryArea, check.counts.countryCount,
                                     file + check.areas.materialArea, check.counts.materialCount,
                                     file + check.areas.detailMap};
    std::vector<uint16_t> texels(kMaterialTextureTexels);
    for (int32_t k = 0; k < check.blockCount; ++k) {
        SynthesizeBlockMaterial(file + check.areas.blockArea + kBlockSize * uint64_t(k), sources, split, unsplit,
                                texels.data());
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
    FileRead read = ReadWholeFile(path);
    if (read.fault != FileReadFault::None) {
        std::fprintf(stderr, "%s\n", FileReadFaultLine(read, path).c_str());
        return 2;
    }
    const LandscapeCheck check = CheckLandscape(read.data, read.length);
    if (check.fault != LandscapeFault::None) {
        std::fprintf(stderr, "%s\n", FaultLine(check, path).c_str());
        delete[] read.data;
        return 2;
    }
    // The faults the viewer survives change what it shows, so say so here too.
    for (const std::string& line : RecordWarningLines(check, path)) std::fprintf(stderr, "%s\n", line.c_str());

    const std::filesystem::path outDir(options.outDir);
    std::error_code fault;
    std::filesystem::create_directories(outDir, fault);
    if (fault) {
        std::fprintf(stderr, "ERROR : %s : cannot create the output folder: %s\n", options.outDir.c_str(),
                     fault.message().c_str());
        delete[] read.data;
        return 2;
    }

    ExportTally tally;
    ExportLoResPngs(read.data, check, outDir, &tally);
    ExportMaterialPngs(read.data, check, outDir, &tally);
    // The DDS files come from the viewer's own export, so both write the same
    // bytes under the same kind of name: "<landscape file name>-<i>.dds".
    const std::string ddsPrefix = (outDir / std::filesystem::path(options.file).filename()).string();
    const uint32_t ddsFailed = ExportLoResDdsFiles(read.data, read.length, ddsPrefix.c_str(), stderr);
    tally.failed += ddsFailed;
    tally.written += check.counts.loResTextureCount - ddsFailed;
    delete[] read.data;

    if (tally.failed == 0)
        std::printf("%" PRIu32 " files written to %s\n", tally.written, options.outDir.c_str());
    else
        std::printf("%" PRIu32 " files written to %s, %" PRIu32 " could not be written\n", tally.written,
                    options.outDir.c_str(), tally.failed);
    std::fflush(stdout);
    return tally.failed == 0 ? 0 : 2;
}
