// unpack.cpp -- `lndtool unpack`: a landscape written as a folder of images
// and one JSON file, which `lndtool pack` builds back into the same bytes.
#include <cinttypes>
#include <cstdio>
#include <string>
#include <vector>

#include "landscape/lnd_check.h"
#include "tools/command_files.h"
#include "tools/commands.h"
#include "tools/folder/folder_files.h"
#include "tools/folder/landscape_folder.h"

int RunUnpack(const UnpackOptions& options) {
    const char* path = options.file.c_str();
    const std::string dir = FolderName(options.dir);
    StoredLandscape stored;
    if (!ReadUsableLandscape(path, &stored)) return 2;
    const CheckedLandscape& landscape = stored.checked;
    FolderFiles folder;
    std::string error;
    if (!UnpackLandscape(stored.bytes.get(), landscape.length, path, &folder, &error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 2;
    }
    const std::vector<LandscapeNote> notes = LandscapeNotes(landscape, path);
    if (!options.force && !FolderIsFree(dir, &error)) {
        std::fprintf(stderr, "%s (unpack writes a new or empty folder; --force writes into it all the same)\n",
                     error.c_str());
        return 2;
    }
    std::string edited;
    if (options.force && !options.discardEdits && FindEditedPicture(dir, &edited)) {
        std::fprintf(stderr,
                     "ERROR : %s/%s : edited since unpack (it differs from its SHA-256 in %s/%s); "
                     "--discard-edits replaces it all the same\n",
                     dir.c_str(), edited.c_str(), dir.c_str(), kFolderJson);
        return 2;
    }
    // What the viewer would warn about comes back from pack as it was.
    for (const LandscapeNote& note : notes) std::fprintf(stderr, "%s\n", note.line.c_str());
    // The folder there now is replaced whole, keeping what is no part of a
    // landscape.
    const std::vector<std::string> others = OtherFiles(dir, folder);
    if (!WriteFolderFiles(dir, folder, others, &error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 2;
    }
    if (!others.empty())
        std::fprintf(stderr, "WARNING : %s : %zu files that belong to no part of this landscape stay in the folder "
                             "(the first: %s); pack refuses them\n",
                     dir.c_str(), others.size(), others.front().c_str());
    const LandscapeCounts& counts = landscape.counts;
    std::printf("unpacked %s into %s : %zu files; %" PRIu32 " LoRes textures, %" PRId32 " blocks, %" PRId32
                " countries, %" PRId32 " materials\n",
                path, dir.c_str(), folder.size(), counts.loResTextureCount, landscape.blockCount,
                counts.countryCount, counts.materialCount);
    return 0;
}
