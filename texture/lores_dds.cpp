// lores_dds.cpp -- the LoRes textures written out as DDS files.
#include "texture/lores_dds.h"

#include <cinttypes>
#include <cstring>
#include <vector>

#include "platform/safe_write.h"

void LoResDdsFileBytes(const uint8_t* record, uint8_t* dds_out) {
    static const uint8_t kMagic[4] = {'D', 'D', 'S', ' '};
    std::memcpy(dds_out, kMagic, 4);
    std::memcpy(dds_out + 4, record + kDdsHeaderOffset, kDdsFileSize - 4);
}

bool WriteLoResDds(const uint8_t* record, const char* path, std::string* errorLine) {
    std::vector<uint8_t> dds(kDdsFileSize);
    LoResDdsFileBytes(record, dds.data());
    return SafeWriteWholeFile(path, dds.data(), dds.size(), errorLine);
}

void LogLoResDdsLine(FILE* log, const std::string& line) {
    std::fprintf(log, "%s\n", line.c_str());
    std::fflush(log);
}

DdsExportResult ExportLoResDdsFiles(const CheckedLandscape& landscape, const char* namePrefix, FILE* log) {
    DdsExportResult result;
    const uint32_t count = landscape.Usable() ? landscape.counts.loResTextureCount : 0;
    for (uint32_t i = 0; i < count; ++i) {
        // 1024 bytes hold any name made from the 512-byte LandscapePath; a
        // longer prefix (lndtool's output folder) is refused, not cut short.
        char name[1024];
        const int needed = std::snprintf(name, sizeof name, "%s-%" PRIu32 ".dds", namePrefix, i);
        std::string error;
        if (needed < 0 || size_t(needed) >= sizeof name) {
            error = std::string("ERROR : ") + namePrefix + " : the name of DDS file " + std::to_string(i) +
                    " is longer than 1023 bytes";
        } else {
            WriteLoResDds(landscape.StrideLoResRecord(i), name, &error);
        }
        if (error.empty()) {
            ++result.written;
            continue;
        }
        LogLoResDdsLine(log, error);
        if (result.failed++ == 0) result.firstError = error;
    }
    return result;
}

DdsExportResult ExportLoResTexturesNextTo(const LandscapeLoad& landscape, FILE* log) {
    if (!landscape.Usable()) {
        // Loading failed (or never ran); the path names what was asked for.
        DdsExportResult result;
        result.firstError = "WARNING : " + landscape.path + " : no landscape loaded, nothing to export";
        LogLoResDdsLine(log, result.firstError);
        return result;
    }
    std::fprintf(log, "Exporting LoResTextures....\n");
    std::fflush(log);
    return ExportLoResDdsFiles(landscape.checked, landscape.path.c_str(), log);
}
