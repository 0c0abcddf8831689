// info.cpp -- `lndtool info`: what a modder wants to know about a landscape
// at a glance, and every fault the shared check finds.
#include <cinttypes>
#include <cstdio>
#include <set>
#include <string>

#include "landscape/lnd_check.h"
#include "landscape/lnd_file.h"
#include "landscape/lnd_format.h"
#include "tools/commands.h"

namespace {

// One character per class of 5 block numbers, so neighbouring blocks of a
// generated landscape read as regions: '0' is 1-5, '1' 6-10, ... 'O' 251-255.
constexpr char kClassAlphabet[] = "0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";
constexpr int kBlocksPerClass = 5;

char MapCharacter(uint8_t value, int32_t blockCount) {
    if (value == 0) return '.';
    if (value > blockCount) return '!';  // names no block
    return kClassAlphabet[(value - 1) / kBlocksPerClass];
}

void PrintBlockMap(const uint8_t* file, int32_t blockCount) {
    std::printf("BlockMap (row 0 at the top, column 0 at the left; '.' empty, '!' names no block,\n"
                "          '0' blocks 1-5, '1' 6-10, ... 'a' 51-55, ... 'A' 181-185, ... 'O' 251-255):\n");
    for (int b = 0; b < kBlockMapSide; ++b) {
        char row[kBlockMapSide + 1];
        for (int a = 0; a < kBlockMapSide; ++a) row[a] = MapCharacter(BlockMapAt(file, b, a), blockCount);
        row[kBlockMapSide] = 0;
        std::printf("  %2d %s\n", b, row);
    }
}

std::string JoinNumbers(const std::set<uint32_t>& numbers) {
    if (numbers.empty()) return "none";
    std::string s;
    for (uint32_t n : numbers) s += (s.empty() ? "" : " ") + std::to_string(n);
    return s;
}

// Countries named by the cells of the blocks, and materials named by the
// entries of those countries that exist.
void PrintUsage(const uint8_t* file, const LandscapeCheck& c) {
    std::set<uint32_t> countries, materials;
    for (int32_t k = 0; k < c.blockCount; ++k) {
        const uint8_t* block = file + c.areas.blockArea + kBlockSize * uint64_t(k);
        for (int r = 0; r < kBlockGridPoints; ++r)
            for (int col = 0; col < kBlockGridPoints; ++col) countries.insert(CellCountryIndex(block, r, col));
    }
    for (uint32_t k : countries) {
        if (k >= uint32_t(c.counts.countryCount)) continue;
        const uint8_t* country = file + c.areas.countryArea + kCountrySize * k;
        for (int h = 0; h < kCountryEntryCount; ++h) {
            const uint8_t* e = CountryEntryAt(country, h);
            const uint32_t w = EntryBlendWeight(e);
            // A weight of 255 takes MaterialA alone, 0 MaterialB alone.
            if (w != 0) materials.insert(EntryMaterialA(e));
            if (w != 255) materials.insert(EntryMaterialB(e));
        }
    }
    std::printf("Countries used by cells : %s\n", JoinNumbers(countries).c_str());
    std::printf("Materials used          : %s\n", JoinNumbers(materials).c_str());
}

}  // namespace

int RunInfo(const InfoOptions& options) {
    const char* path = options.file.c_str();
    FileRead read = ReadWholeFile(path);
    if (read.fault == FileReadFault::CannotOpen || read.fault == FileReadFault::CannotSize ||
        read.fault == FileReadFault::CannotAllocate || read.fault == FileReadFault::ShortRead) {
        std::fprintf(stderr, "%s\n", FileReadFaultLine(read, path).c_str());
        return 2;
    }
    std::printf("File                    : %s\n", path);
    if (read.fault == FileReadFault::ShortHeader) {
        std::printf("Length                  : %" PRIu64 " bytes\n", read.length);
        std::printf("Faults:\n  %s\n", FileReadFaultLine(read, path).c_str());
        return 1;
    }

    const LandscapeCheck c = CheckLandscape(read.data, read.length);
    std::printf("Number of Blocks        : %i\n", c.blockCount);
    std::printf("Number of Countries     : %i\n", c.counts.countryCount);
    std::printf("Number of Materials     : %i\n", c.counts.materialCount);
    std::printf("Number of LoResTextures : %" PRIu32 "\n", c.counts.loResTextureCount);
    if (c.fault == LandscapeFault::None || c.fault == LandscapeFault::ShortFile) {
        std::printf("Length                  : %" PRIu64 " bytes; the counts need %" PRIu64 "%s\n", c.length,
                    c.areas.end,
                    c.length == c.areas.end ? "" : c.length > c.areas.end ? " (trailing bytes are never read)" : "");
        std::printf("Areas start at          : LoRes textures %" PRIu64 ", blocks %" PRIu64 ", countries %" PRIu64
                    ", materials %" PRIu64 ", detail map %" PRIu64 "\n",
                    c.areas.loResArea, c.areas.blockArea, c.areas.countryArea, c.areas.materialArea,
                    c.areas.detailMap);
    } else {
        std::printf("Length                  : %" PRIu64 " bytes\n", c.length);
    }
    PrintBlockMap(read.data, c.fault == LandscapeFault::None ? c.blockCount : 0);
    if (c.fault == LandscapeFault::None) PrintUsage(read.data, c);

    std::vector<std::string> faults;
    if (c.fault != LandscapeFault::None) faults.push_back(FaultLine(c, path));
    for (const std::string& line : RecordWarningLines(c, path)) faults.push_back(line);
    for (const std::string& line : InvariantWarningLines(c, path)) faults.push_back(line);
    // Map bytes beyond the block count draw nothing; worth knowing when editing.
    if (c.fault == LandscapeFault::None) {
        int beyond = 0;
        for (int i = 0; i < kBlockMapSide * kBlockMapSide; ++i)
            if (read.data[kHeaderBlockMap + i] > c.blockCount) ++beyond;
        if (beyond)
            faults.push_back("WARNING : " + options.file + " : " + std::to_string(beyond) +
                             " BlockMap places name a block beyond the block count");
    }
    delete[] read.data;

    if (faults.empty()) {
        std::printf("Faults                  : none\n");
        return 0;
    }
    std::printf("Faults:\n");
    for (const std::string& line : faults) std::printf("  %s\n", line.c_str());
    return 1;
}
