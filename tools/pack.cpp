// pack.cpp -- `lndtool pack`: a landscape folder, checked whole, built into
// a landscape file; nothing is written while anything in it is wrong.
#include <cinttypes>
#include <cstdio>
#include <new>
#include <string>
#include <vector>

#include "landscape/lnd_check.h"
#include "landscape/seams.h"
#include "tools/command_files.h"
#include "tools/commands.h"
#include "tools/folder/folder_files.h"
#include "tools/folder/landscape_folder.h"
#include "tools/folder/seam_mending.h"

namespace {

// The folder read and packed (its seams mended when asked); an allocation
// that fails on the way (a huge file in the folder) is one fault like the
// others.
void PackFolder(const std::string& dir, bool mendSeams, std::vector<uint8_t>* landscape,
                std::vector<std::string>* errors, std::vector<std::string>* notes, uint64_t* mended) {
    try {
        FolderFiles folder;
        if (ReadFolderFiles(dir, &folder, errors)) PackLandscape(folder, dir, landscape, errors, notes);
        if (mendSeams && errors->empty()) *mended = MendFolderSeams(folder, dir, landscape, errors);
        if (!errors->empty()) landscape->clear();
    } catch (const std::bad_alloc&) {
        landscape->clear();
        errors->push_back("ERROR : " + dir + " : not enough memory to pack the folder");
    }
}

}  // namespace

int RunPack(const PackOptions& options) {
    const std::string dir = FolderName(options.dir);
    std::vector<std::string> errors, notes;
    std::vector<uint8_t> landscape;
    uint64_t mended = 0;
    PackFolder(dir, options.mendSeams, &landscape, &errors, &notes, &mended);
    const char* out = options.out.c_str();
    bool direct = false;
    // Values the viewer warns about are packed as they are, and said.
    CheckedLandscape c;
    if (!WriteBuiltLandscape(out, landscape, errors, notes, &direct, &c)) return 2;
    // Written into a device or pipe, the landscape may be what standard
    // output carries: the summary must not join it.
    std::fprintf(direct ? stderr : stdout,
                 "packed %s into %s : %" PRIu32 " LoRes textures, %" PRId32 " blocks, %" PRId32 " countries, %" PRId32
                 " materials, %zu bytes%s\n",
                 dir.c_str(), out, c.counts.loResTextureCount, c.blockCount, c.counts.countryCount,
                 c.counts.materialCount, landscape.size(),
                 options.mendSeams ? ("; " + std::to_string(mended) + " seam faults mended").c_str() : "");
    return 0;
}
