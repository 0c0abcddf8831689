// heightmap.cpp -- `lndtool heightmap`: the whole map as one heightmap for
// terrain tools, with its JSON sidecar and, when asked, a country splat map.
#include <cinttypes>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "image/png_write.h"
#include "landscape/lnd_check.h"
#include "platform/safe_write.h"
#include "tools/command_files.h"
#include "tools/commands.h"
#include "tools/heights/heightmap.h"

namespace {

bool EncodeHeights(const Heightmap& heightmap, HeightmapFormat format, std::string* out, std::string* error) {
    std::vector<uint8_t> bytes;
    bool encoded = false;
    switch (format) {
    case HeightmapFormat::Png16:
        encoded = EncodePngGray16(HeightmapSamples16(heightmap).data(), kHeightmapSide, kHeightmapSide, &bytes, error);
        break;
    case HeightmapFormat::Png8:
        encoded = EncodePngGray8(heightmap.altitudes.data(), kHeightmapSide, kHeightmapSide, &bytes, error);
        break;
    case HeightmapFormat::R16:
        *out = HeightmapR16Bytes(heightmap);
        return true;
    }
    out->assign(bytes.begin(), bytes.end());
    return encoded;
}

}  // namespace

int RunHeightmap(const HeightmapOptions& options) {
    const HeightmapFormat format = options.format == "png8"  ? HeightmapFormat::Png8
                                   : options.format == "r16" ? HeightmapFormat::R16
                                                             : HeightmapFormat::Png16;
    const std::string sidecar = std::filesystem::path(options.out).replace_extension(".json").string();
    if (sidecar == options.out || options.countries == options.out || options.countries == sidecar) {
        std::fprintf(stderr, "ERROR : %s : the heightmap, its sidecar %s and the countries picture need three names\n",
                     options.out.c_str(), sidecar.c_str());
        return 2;
    }
    const char* path = options.file.c_str();
    StoredLandscape stored;
    if (!ReadExportedLandscape(path, false, &stored)) return 2;
    const CheckedLandscape& landscape = stored.checked;
    const Heightmap heightmap = BuildHeightmap(landscape);

    // Every file made first, then written as one set: all or none.
    std::string error, heights, countries;
    const std::string json = HeightmapSidecarJson(heightmap, format);
    std::vector<SafeWriteItem> items;
    bool written = EncodeHeights(heightmap, format, &heights, &error) &&
                   (options.countries.empty() || EncodeHeightmapCountries(heightmap, &countries, &error));
    if (written) {
        items.push_back({options.out, heights.data(), heights.size()});
        if (!options.countries.empty()) items.push_back({options.countries, countries.data(), countries.size()});
        items.push_back({sidecar, json.data(), json.size()});
        written = SafeWriteSet(items, &error);
    }
    if (!written) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 2;
    }
    std::printf("wrote %s and %s : %d x %d samples (%s), %" PRIu64 " empty places, %" PRIu64
                " mismatched edge samples\n",
                options.out.c_str(), sidecar.c_str(), kHeightmapSide, kHeightmapSide, options.format.c_str(),
                uint64_t(heightmap.emptyPlaces.size()), heightmap.mismatchedEdgeSamples);
    return 0;
}
