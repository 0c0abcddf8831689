// info.cpp -- `lndtool info`: what a modder wants to know about a landscape
// at a glance, and every fault the shared check finds.
#include <cstdio>

#include "landscape/lnd_file.h"
#include "platform/large_pages.h"
#include "tools/commands.h"
#include "tools/info/record_lines.h"
#include "tools/info/info_report.h"

int RunInfo(const InfoOptions& options) {
    const char* path = options.file.c_str();
    // Run once per file by git's textconv and file managers, where a good
    // part of its time is the first touch of the buffer the file is read
    // into: large pages make that a few faults instead of hundreds.
    PreferLargePagesForHeap(size_t(8) << 20);
    FileRead read = ReadWholeFile(path);
    if (read.fault != FileReadFault::None) {
        std::fprintf(stderr, "%s\n", FileReadFaultLine(read, path).c_str());
        return 2;
    }
    // The listing is git's textconv, which takes any status but 0 for a
    // failure: its faults are lines of the listing instead.
    if (options.all) {
        const std::string text = FormatRecordLines(CheckLandscape(read.data, read.length));
        delete[] read.data;
        std::fwrite(text.data(), 1, text.size(), stdout);
        return 0;
    }
    const InfoReport report = BuildInfoReport(path, read.data, read.length);
    const std::string text = options.json ? FormatInfoJson(report) : FormatInfoText(report);
    delete[] read.data;
    std::fwrite(text.data(), 1, text.size(), stdout);
    return InfoExitStatus(report);
}
