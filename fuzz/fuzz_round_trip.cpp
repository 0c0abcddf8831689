// fuzz_round_trip.cpp -- fuzz target: an edit list (edit_list.h) laid over
// the small two-of-everything landscape, and, whenever the check accepts the
// result, its folder unpacked in memory and packed back: the bytes must come
// back as they were, all of them. The pictures are stored, not compressed:
// the round trip is the same, and the time goes to unpacking and packing.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "edit_list.h"
#include "fuzz_oracle.h"
#include "landscape/lnd_check.h"
#include "small_landscape.h"
#include "tools/folder/landscape_folder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::vector<uint8_t> base = MakeSmallLandscape(2, 2, 2, 2);
    static const std::vector<EditArea> areas = EditAreasOf(base);
    static std::vector<uint8_t> file, packed;
    ApplyEditList(base, areas, data, size, &file);

    FolderFiles folder;
    std::string error;
    const bool usable = CheckLandscape(file.data(), file.size()).Usable();
    FUZZ_REQUIRE(UnpackLandscape(file.data(), file.size(), kFuzzPath, &folder, &error, PngCompression::Stored) == usable);
    if (!usable) {
        RequireDiagnosticLine(error);
        return 0;
    }
    std::vector<std::string> errors;
    PackLandscape(folder, "fuzz", &packed, &errors);
    if (!errors.empty()) std::fprintf(stderr, "%s\n", errors[0].c_str());
    FUZZ_REQUIRE(errors.empty());
    FUZZ_REQUIRE(packed == file);
    return 0;
}
