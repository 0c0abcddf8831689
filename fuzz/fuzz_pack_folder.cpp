// fuzz_pack_folder.cpp -- fuzz target: the folder of the small two-of-
// everything landscape with its files mutated, as a person or a broken tool
// might leave it, packed in memory (nothing is ever written). Packing either
// lists faults, one "ERROR : <file> : ..." line each, and gives no bytes, or
// gives a landscape the check accepts, whose own folder packs back to it.
// The folder's pictures are stored, not compressed, so a mutation of their
// bytes is a change of their pixels, and no run spends its time in zlib;
// decoding them is what is tested.
//
// The input is a run of entries, each
//   byte 0      file selector (modulo the number of files; past the last, landscape.json)
//   byte 1      operation: 0 overwrite, 1 truncate, 2 insert, 3 remove the file
//   bytes 2-4   offset, little-endian, modulo the file's length + 1
//   byte 5      n, the number of bytes that follow (overwrite, insert)
// PNG files have their chunk CRCs sealed afterwards (png_crc.h).
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "fuzz_oracle.h"
#include "landscape/lnd_check.h"
#include "png_crc.h"
#include "small_landscape.h"
#include "tools/folder/landscape_folder.h"

namespace {

const std::vector<uint8_t>& BaseFile() {
    static const std::vector<uint8_t> file = MakeSmallLandscape(2, 2, 2, 2);
    return file;
}

const FolderFiles& BaseFolder() {
    static const FolderFiles folder = [] {
        FolderFiles unpacked;
        std::string error;
        UnpackLandscape(BaseFile().data(), BaseFile().size(), kFuzzPath, &unpacked, &error, PngCompression::Stored);
        return unpacked;
    }();
    return folder;
}

bool IsPng(const std::string& name) { return name.size() > 4 && name.compare(name.size() - 4, 4, ".png") == 0; }

// The entries of data[0, size) applied to *folder; the names of the files
// they changed, made or removed into *touched.
void ApplyEntries(const uint8_t* data, size_t size, FolderFiles* folder, std::set<std::string>* touched) {
    for (size_t at = 0; at + 6 <= size;) {
        std::vector<std::string> names;
        for (const auto& file : *folder) names.push_back(file.first);
        const size_t pick = data[at] % (names.size() + 1);
        const std::string name = pick < names.size() ? names[pick] : kFolderJson;
        touched->insert(name);
        std::vector<uint8_t>& bytes = (*folder)[name];
        const uint8_t operation = data[at + 1] % 4;
        const size_t offset = (data[at + 2] | (data[at + 3] << 8) | (size_t(data[at + 4]) << 16)) % (bytes.size() + 1);
        const size_t n = std::min<size_t>(data[at + 5], size - at - 6);
        const uint8_t* payload = data + at + 6;
        at += 6 + (operation == 0 || operation == 2 ? n : 0);
        if (operation == 0) {
            if (offset + n > bytes.size()) bytes.resize(offset + n);
            std::copy(payload, payload + n, bytes.begin() + int64_t(offset));
        } else if (operation == 1) {
            bytes.resize(offset);
        } else if (operation == 2) {
            bytes.insert(bytes.begin() + int64_t(offset), payload, payload + n);
        } else {
            folder->erase(name);
        }
    }
}

// One mutated folder packed, and what that promises.
void RequirePackedOrRefused(const FolderFiles& folder) {
    std::vector<uint8_t> packed;
    std::vector<std::string> errors;
    PackLandscape(folder, "fuzz", &packed, &errors);
    for (const std::string& line : errors) {
        FUZZ_REQUIRE(line.rfind("ERROR : fuzz", 0) == 0);
        FUZZ_REQUIRE(line.find('\n') == std::string::npos && line.find('\r') == std::string::npos);
    }
    FUZZ_REQUIRE(errors.size() <= 101);
    if (!errors.empty()) {
        FUZZ_REQUIRE(packed.empty());
        return;
    }
    const CheckedLandscape c = CheckLandscape(packed.data(), packed.size());
    FUZZ_REQUIRE(c.Usable());
    // What packs also unpacks, and packs again to the same bytes (the base
    // file is known to, and is what most accepted mutations give).
    if (packed == BaseFile()) return;
    FolderFiles again;
    std::string error;
    FUZZ_REQUIRE(UnpackLandscape(packed.data(), packed.size(), kFuzzPath, &again, &error, PngCompression::Stored));
    std::vector<uint8_t> repacked;
    PackLandscape(again, "fuzz", &repacked, &errors);
    FUZZ_REQUIRE(errors.empty() && repacked == packed);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // One folder serves every run: the files an input touches are put back
    // afterwards, so no run copies the whole folder or seals the chunks of
    // pictures it left alone.
    static FolderFiles folder = BaseFolder();
    std::set<std::string> touched;
    ApplyEntries(data, size, &folder, &touched);
    for (const std::string& name : touched) {
        const auto file = folder.find(name);
        if (file != folder.end() && IsPng(name)) SealPngChunks(file->second.data(), file->second.size());
    }
    RequirePackedOrRefused(folder);
    for (const std::string& name : touched) {
        const auto base = BaseFolder().find(name);
        if (base == BaseFolder().end()) folder.erase(name);
        else folder[name] = base->second;
    }
    return 0;
}
