// diff.cpp -- `lndtool diff`: what differs between two landscapes, by area,
// with the status of diff and cmp; also git's external diff driver, which
// git calls with seven arguments.
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <string>

#include "landscape/lnd_check.h"
#include "tools/command_files.h"
#include "tools/commands.h"
#include "tools/diff/landscape_diff.h"

namespace {

// git names a side that does not exist (an added or deleted file) so.
constexpr const char* kNoFile = "/dev/null";

// One side, read once and checked; `error` holds the line `info` gives when
// the file cannot be read or the check refuses it.
struct Side {
    StoredLandscape stored;
    std::string error;
};

void Load(const char* path, Side* side) { ReadCheckedLandscape(path, &side->stored, &side->error); }

void Write(const std::string& text) { std::fwrite(text.data(), 1, text.size(), stdout); }

std::string Report(const LandscapeDiff& diff, const std::string& nameA, const std::string& nameB, bool json) {
    return json ? FormatDiffJson(diff, nameA, nameB) : FormatDiffText(diff, nameA, nameB);
}

std::string Summary(const CheckedLandscape& c) {
    char line[200];
    std::snprintf(line, sizeof line,
                  "%" PRId32 " blocks, %" PRId32 " countries, %" PRId32 " materials, %" PRIu32
                  " LoRes textures, %" PRIu64 " bytes",
                  c.blockCount, c.counts.countryCount, c.counts.materialCount, c.counts.loResTextureCount, c.length);
    return line;
}

// git's form: path old-file old-hex old-mode new-file new-hex new-mode. Any
// status but 0 stops git, so a difference gives 0 too, and a side that
// cannot be compared is said in the output as well as on standard error.
int RunGitDiff(const DiffOptions& options) {
    const std::string& path = options.files[0];
    const std::string& oldFile = options.files[1];
    const std::string& newFile = options.files[4];
    const bool hasOld = oldFile != kNoFile, hasNew = newFile != kNoFile;
    Side sides[2];
    if (hasOld) Load(oldFile.c_str(), &sides[0]);
    if (hasNew) Load(newFile.c_str(), &sides[1]);
    const std::string nameA = hasOld ? "a/" + path : kNoFile, nameB = hasNew ? "b/" + path : kNoFile;
    std::string text;
    if (!sides[0].error.empty() || !sides[1].error.empty()) {
        for (const Side& side : sides)
            if (!side.error.empty()) {
                std::fprintf(stderr, "%s\n", side.error.c_str());
                text += "not compared: " + side.error + "\n";
            }
    } else if (!hasOld || !hasNew) {
        text = (hasNew ? "new landscape: " + Summary(sides[1].stored.checked)
                       : "deleted landscape: " + Summary(sides[0].stored.checked)) +
               "\n";
    } else {
        const LandscapeDiff diff = DiffLandscapes(sides[0].stored.checked, sides[1].stored.checked);
        if (diff.identical || options.quiet) return 0;
        if (options.json) {
            Write(Report(diff, nameA, nameB, true));
            return 0;
        }
        text = Report(diff, nameA, nameB, false);
    }
    if (!options.quiet) Write("--- " + nameA + "\n+++ " + nameB + "\n" + text);
    return 0;
}

}  // namespace

int RunDiff(const DiffOptions& options) {
    if (options.files.size() == 7) return RunGitDiff(options);
    if (options.files.size() != 2) {
        std::fprintf(stderr, "ERROR : lndtool diff : give two landscape files (or the seven arguments git gives "
                             "an external diff), not %zu\n",
                     options.files.size());
        return 2;
    }
    Side sides[2];
    int status = 0;
    for (int i = 0; i < 2; ++i) {
        Load(options.files[i].c_str(), &sides[i]);
        if (sides[i].error.empty()) continue;
        std::fprintf(stderr, "%s\n", sides[i].error.c_str());
        status = 2;
    }
    if (status) return status;
    const LandscapeDiff diff = DiffLandscapes(sides[0].stored.checked, sides[1].stored.checked);
    if (!options.quiet) Write(Report(diff, options.files[0], options.files[1], options.json));
    return diff.identical ? 0 : 1;
}
