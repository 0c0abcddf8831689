// commands.h -- lndtool's commands. Each returns the process exit status:
// 0 success, 1 faults found (info), 2 the input cannot be read or written.
// Results go to standard output, diagnostics to standard error; main checks
// that standard output really took everything.
#pragma once

#include <cstdint>
#include <string>

struct MakeSampleOptions {
    std::string out;      // path of the .lnd file to write
    uint32_t seed = 1;
    int maxBlocks = 255;  // 1..255
};
int RunMakeSample(const MakeSampleOptions& options);

struct InfoOptions {
    std::string file;
    bool json = false;  // one JSON document instead of the text report
};
int RunInfo(const InfoOptions& options);

struct ExportOptions {
    std::string file;
    std::string outDir;
    bool allBlocks = false;  // also the blocks past the 255th, which no map byte can place
};
int RunExport(const ExportOptions& options);
