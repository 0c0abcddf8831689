// make_sample.cpp -- lndtool make-sample: a generated landscape written to a file.
#include <cinttypes>
#include <cstdio>
#include <string>
#include <vector>

#include "landscape/lnd_format.h"
#include "platform/safe_write.h"
#include "tools/commands.h"
#include "tools/sample/sample_landscape.h"

int RunMakeSample(const MakeSampleOptions& options) {
    const char* path = options.out.c_str();
    if (options.maxBlocks < 1 || options.maxBlocks > 255) {
        std::fprintf(stderr, "ERROR : %s : the block cap must be 1 to 255, not %d\n", path, options.maxBlocks);
        return 2;
    }
    const std::vector<uint8_t> file = MakeSampleLandscape(options.seed, options.maxBlocks);
    std::string error;
    bool direct = false;
    if (!SafeWriteWholeFile(path, file.data(), file.size(), &error, &direct)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 2;
    }
    // Written into a device or pipe (/dev/stdout, say), the landscape may be
    // what standard output carries: the summary must not join it.
    FILE* summary = direct ? stderr : stdout;
    const LandscapeCounts counts = ReadLandscapeCounts(file.data());
    std::fprintf(summary, "wrote %s : %" PRId32 " blocks, %" PRId32 " countries, %" PRId32 " materials, %" PRIu32
                " LoRes textures, %zu bytes (seed %" PRIu32 ")\n",
                path, counts.blockCountPlusOne - 1, counts.countryCount, counts.materialCount, counts.loResTextureCount,
                file.size(), options.seed);
    return 0;
}
