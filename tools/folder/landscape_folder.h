// landscape_folder.h -- a landscape as a folder of files that people edit
// with an image editor, a text editor or a script, and back. Pure: a folder
// is a map of relative paths to bytes, so unpacking to memory and packing
// from memory need no disk (folder_files.h reads and writes real folders).
//
// What the folder holds (every index 0-based, as `info` counts):
//   landscape.json            the header's block map, per LoRes record its
//                             RecordSize, per block its LoRes index and
//                             texture origins, per country its 256 entries
//                             [materialA, materialB, blendWeight], every
//                             reserved byte as hex (left out: all zeros), and
//                             the SHA-256 of every image file as unpacked,
//                             and trailing_bytes when there are any.
//                             The lists' lengths are the counts.
//   lores/<i>.dds, .png       record i as a DDS file (the fixed-stride record
//                             from its DdsHeader on) and its RGBA decoding
//   blocks/<k>-altitude.png   the 17 x 17 cells' altitudes (8-bit grey),
//   blocks/<k>-country.png    country indices (0..15) and
//   blocks/<k>-split.png      split flags (0 or 255), rows top to bottom
//   materials/<m>.png         the 256 x 256 texels, 16-bit grey
//   detail.png                the detail map, 8-bit grey, oriented as the
//                             material texels (the file stores it transposed)
//   trailing.bin              bytes after the detail map, when the JSON
//                             lists trailing_bytes (and then as many)
//   README.txt                what each file holds and what may be edited
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "image/png_write.h"

// Relative path ('/' between folders) -> the file's bytes.
using FolderFiles = std::map<std::string, std::vector<uint8_t>>;

inline constexpr const char* kFolderJson = "landscape.json";
inline constexpr const char* kFolderReadme = "README.txt";
inline constexpr const char* kFolderTrailing = "trailing.bin";
inline constexpr const char* kFolderTrailingKey = "trailing_bytes";  // in landscape.json: trailing.bin's length
inline constexpr const char* kFolderDetail = "detail.png";
inline constexpr const char* kFolderFormat = "lndview-unpack";
inline constexpr int kFolderVersion = 1;

inline std::string LoResDdsName(uint64_t i) { return "lores/" + std::to_string(i) + ".dds"; }
inline std::string LoResPngName(uint64_t i) { return "lores/" + std::to_string(i) + ".png"; }
inline std::string BlockPngName(uint64_t k, const char* what) {
    return "blocks/" + std::to_string(k) + "-" + what + ".png";
}
inline std::string MaterialPngName(uint64_t m) { return "materials/" + std::to_string(m) + ".png"; }

// The folder of a landscape file (`length` bytes as stored) into *folder
// (replaced). A file the landscape check refuses (CheckLandscape(...) not
// Usable) gives false and *errorLine = its FaultLine for `path`, the line
// `info` prints. `pictures` is how hard the PNG encoder works; the folder
// packs back to the same bytes whichever it is.
bool UnpackLandscape(const uint8_t* file, uint64_t length, const char* path, FolderFiles* folder,
                     std::string* errorLine, PngCompression pictures = PngCompression::Smallest);

// The landscape file a folder describes. The whole folder is checked first;
// every fault is one line "ERROR : <folderName>/<file> : <what> (<where>)"
// in *errors, and then *landscape is left empty. Values the format holds but
// the viewer warns about are packed as they are (the caller can run the
// landscape check on the result to say so).
//
// Round trip: packing what UnpackLandscape made gives back the same bytes.
// LoRes records: a .png that differs from its .dds's decoding while the .dds
// is as unpacked has only its changed 4 x 4 blocks encoded again (DXT3,
// libsquish's best fit); a .dds no longer as unpacked (a 256 x 256 DXT3 DDS
// file) is taken whole; both changed is a fault. A record without recorded
// hashes (a new one) needs either file, and both must agree when both are there.
//
// After 100 faults one line counts the rest. Pictures saved by an image
// editor in another layout that holds the same values (picture_conversion.h)
// are taken, and files editors leave behind (IsEditorLeftover) passed over,
// each kind with one WARNING line in *notes (when given).
void PackLandscape(const FolderFiles& folder, const std::string& folderName, std::vector<uint8_t>* landscape,
                   std::vector<std::string>* errors, std::vector<std::string>* notes = nullptr);

// A file that image and text editors leave beside the files they edit
// (backups, swap files, their own formats, folder thumbnails), by its name:
// *~, .*.swp, *.bak, *.xcf, *.kra, *.psd (any case), Thumbs.db, .DS_Store.
bool IsEditorLeftover(const std::string& path);
