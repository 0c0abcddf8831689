// unpack_landscape.cpp -- a landscape file's bytes as the files of its folder.
//
// Every byte has one home: the header, the LoRes records at the fixed stride
// (16 reserved bytes and RecordSize in the JSON, DdsHeader and image in the
// .dds), the blocks, countries and materials, the detail map and whatever
// follows it. What the images do not hold goes to the JSON.
#include <algorithm>
#include <string>
#include <vector>

#include "image/png_write.h"
#include "landscape/landscape_edit.h"
#include "landscape/lnd_check.h"
#include "landscape/lnd_fields.h"
#include "texture/dxt3.h"
#include "texture/lores_dds.h"
#include "tools/common/json_text.h"
#include "tools/folder/landscape_folder.h"
#include "tools/common/sha256.h"

using nlohmann::ordered_json;

namespace {

constexpr const char kReadme[] = R"(This folder holds one Thornveil landscape, made by "lndtool unpack".
"lndtool pack FOLDER OUT.lnd" builds the landscape file from it again: every
byte you did not edit comes back as it was. All numbers count from 0, as
"lndtool info" counts.

landscape.json
    header.block_map: 32 rows of 32 block numbers (0 = empty place, v = block v - 1).
    lores: per LoRes texture its RecordSize (65664 in a well-formed file).
    blocks: per block its LoRes texture index and texture origins (s, t).
    countries: per country 256 entries [materialA, materialB, blendWeight],
      entry h chosen by altitude h; materialA weighs blendWeight / 255.
    materials: per material only reserved bytes.
    reserved_*, cell_reserved: bytes the viewer never reads, as hex; a field
      left out is all zeros. cell_reserved holds the 2312 cell bytes of a
      block without the altitude, country and split bits, which the PNGs hold.
    trailing_bytes: the length of trailing.bin, when the file has bytes after
      the detail map; without it a trailing.bin is no file of this folder.
    sha256: the image files as unpacked, so that pack sees which were edited.
    A list's length is the count: to add or remove a record, change the list
    and add or remove its files.
    Texture origins are numbers that read back to the same 32-bit floats. A
    value that is no number (an infinity, a NaN) is the string "0x" followed
    by the 8 hex digits of its bits, e.g. "0x7fc00000"; any origin may be
    given that way.

lores/<i>.dds    LoRes texture i as a DDS file (256 x 256 DXT3).
lores/<i>.png    The same texture decoded (RGBA, 8 bits a channel).
    Edit one of the two, not both. In an edited PNG only the 4 x 4 blocks
    whose pixels changed are encoded again (DXT3); an edited DDS file
    (256 x 256 DXT3 without mipmaps, 65660 bytes) is taken as it is.
blocks/<k>-altitude.png   Block k's 17 x 17 heights (0 to 255), 8-bit grey;
                          row 0 at the top, column 0 at the left.
blocks/<k>-country.png    Its cells' country indices, 0 to 15.
blocks/<k>-split.png      Its cells' split flags: 255 set, 0 clear.
materials/<m>.png         Material m's 256 x 256 texels, 16-bit grey.
detail.png                The detail map, 256 x 256, 8-bit grey, oriented
                          as the material textures.
trailing.bin              Bytes after the detail map, when the file had any;
                          trailing_bytes in landscape.json says how many.

pack checks the whole folder before it writes anything and lists every
fault: wrong image sizes or formats, values that do not fit, missing or extra
files, JSON errors. Values the game's format holds but the viewer warns
about are written as they are, with a warning.
)";

struct Unpacker {
    FolderFiles* folder = nullptr;
    PngCompression pictures = PngCompression::Smallest;
    ordered_json hashes = ordered_json::object();
    std::string error;
};

void AddFile(Unpacker* u, const std::string& name, std::vector<uint8_t> bytes, bool hashed) {
    if (hashed) u->hashes[name] = Sha256Hex(bytes.data(), bytes.size());
    (*u->folder)[name] = std::move(bytes);
}

// A picture encoded into the folder under `name`, with its hash; false when
// the encoder failed. encode(png_out, errorLine) is one of png_write.h's.
template <typename Encode>
bool AddPicture(Unpacker* u, const std::string& name, Encode encode) {
    std::vector<uint8_t>& png = (*u->folder)[name];
    if (!encode(&png, &u->error)) return false;
    u->hashes[name] = Sha256Hex(png.data(), png.size());
    return true;
}

// A reserved field, left out when all zeros.
void PutReserved(ordered_json& object, const char* key, const uint8_t* bytes, size_t size) {
    if (std::any_of(bytes, bytes + size, [](uint8_t b) { return b != 0; })) object[key] = HexBytes(bytes, size);
}

// The fields of a record that landscape.json holds, in the table's order.
void PutFields(const RecordSpec& spec, const uint8_t* record, ordered_json& object) {
    for (const FieldSpec& field : spec) {
        const uint8_t* at = record + field.offset;
        switch (field.kind) {
        case FieldKind::Int32: object[field.key] = LoadI32(at); break;
        case FieldKind::Uint32: object[field.key] = LoadU32(at); break;
        case FieldKind::Float32: object[field.key] = Float32Json(LoadF32(at)); break;
        case FieldKind::Reserved: PutReserved(object, field.key, at, size_t(field.size)); break;
        case FieldKind::BlockMap: {
            ordered_json map = ordered_json::array();
            for (int b = 0; b < kBlockMapSide; ++b) {
                ordered_json row = ordered_json::array();
                for (int a = 0; a < kBlockMapSide; ++a) row.push_back(at[kBlockMapSide * b + a]);
                map.push_back(std::move(row));
            }
            object[field.key] = std::move(map);
            break;
        }
        case FieldKind::Cells: {
            // The cells without what the pictures hold.
            std::vector<uint8_t> reserved(at, at + field.size);
            for (size_t i = 0; i < reserved.size(); ++i) reserved[i] &= CellReservedMask(i % kCellSize);
            PutReserved(object, field.key, reserved.data(), reserved.size());
            break;
        }
        case FieldKind::Entries: {
            ordered_json entries = ordered_json::array();
            for (int h = 0; h < kCountryEntryCount; ++h) {
                ordered_json entry = ordered_json::array();
                for (const SubfieldSpec& sub : kEntryFields)
                    entry.push_back(LoadU32(at + kCountryEntrySize * uint64_t(h) + sub.offset));
                entries.push_back(std::move(entry));
            }
            object[field.key] = std::move(entries);
            break;
        }
        case FieldKind::Count:
        case FieldKind::DdsHeader:
        case FieldKind::Image:
        case FieldKind::Texels: break;  // the lists' lengths and the record's files
        }
    }
}

bool UnpackLoRes(const CheckedLandscape& c, Unpacker* u, ordered_json& list) {
    std::vector<uint8_t> rgba(size_t(kLoResSide) * kLoResSide * 4);
    for (uint32_t i = 0; i < c.counts.loResTextureCount; ++i) {
        const uint8_t* record = c.StrideLoResRecord(i);
        ordered_json entry = ordered_json::object();
        PutFields(kLoResRecord, record, entry);
        list.push_back(std::move(entry));
        std::vector<uint8_t> dds(kDdsFileSize);
        LoResDdsFileBytes(record, dds.data());
        AddFile(u, LoResDdsName(i), std::move(dds), true);
        DecodeDxt3Replicated(record + kImageDataOffset, rgba.data(), kLoResSide, kLoResSide);
        if (!AddPicture(u, LoResPngName(i), [&](std::vector<uint8_t>* png, std::string* error) {
                return EncodePngRgba8(rgba.data(), kLoResSide, kLoResSide, png, error, u->pictures);
            }))
            return false;
    }
    return true;
}

bool UnpackBlocks(const CheckedLandscape& c, Unpacker* u, ordered_json& list) {
    constexpr int kSide = kBlockGridPoints;
    uint8_t picture[kSide * kSide];
    for (int32_t k = 0; k < c.blockCount; ++k) {
        const uint8_t* block = c.Block(k);
        ordered_json entry = ordered_json::object();
        PutFields(kBlockRecord, block, entry);
        list.push_back(std::move(entry));
        for (const SubfieldSpec& field : kCellFields) {
            for (int r = 0; r < kSide; ++r)
                for (int col = 0; col < kSide; ++col)
                    picture[kSide * r + col] = CellFieldValue(block, r, col, field);
            const auto encode = [&](std::vector<uint8_t>* png, std::string* error) {
                return EncodePngGray8(picture, kSide, kSide, png, error, u->pictures);
            };
            if (!AddPicture(u, BlockPngName(uint64_t(k), field.key), encode)) return false;
        }
    }
    return true;
}

void UnpackCountries(const CheckedLandscape& c, ordered_json& list) {
    for (int32_t k = 0; k < c.counts.countryCount; ++k) {
        ordered_json entry = ordered_json::object();
        PutFields(kCountryRecord, c.CountryArea() + kCountrySize * uint64_t(k), entry);
        list.push_back(std::move(entry));
    }
}

bool UnpackMaterials(const CheckedLandscape& c, Unpacker* u, ordered_json& list) {
    std::vector<uint16_t> texels(size_t(kMaterialSide) * kMaterialSide);
    for (int32_t m = 0; m < c.counts.materialCount; ++m) {
        const uint8_t* material = c.MaterialArea() + kMaterialSize * uint64_t(m);
        ordered_json entry = ordered_json::object();
        PutFields(kMaterialRecord, material, entry);
        list.push_back(std::move(entry));
        for (int y = 0; y < kMaterialSide; ++y)
            for (int x = 0; x < kMaterialSide; ++x)
                texels[size_t(kMaterialSide * y + x)] = MaterialTexel(material, y, x);
        if (!AddPicture(u, MaterialPngName(uint64_t(m)), [&](std::vector<uint8_t>* png, std::string* error) {
                return EncodePngGray16(texels.data(), kMaterialSide, kMaterialSide, png, error, u->pictures);
            }))
            return false;
    }
    return true;
}

bool UnpackDetail(const CheckedLandscape& c, Unpacker* u) {
    std::vector<uint8_t> detail(kDetailMapSize);
    for (int y = 0; y < kMaterialSide; ++y)
        for (int x = 0; x < kMaterialSide; ++x) detail[size_t(kMaterialSide * y + x)] = DetailAt(c.DetailMap(), x, y);
    return AddPicture(u, kFolderDetail, [&](std::vector<uint8_t>* png, std::string* error) {
        return EncodePngGray8(detail.data(), kMaterialSide, kMaterialSide, png, error, u->pictures);
    });
}

}  // namespace

bool UnpackLandscape(const uint8_t* file, uint64_t length, const char* path, FolderFiles* folder,
                     std::string* errorLine, PngCompression pictures) {
    folder->clear();
    const CheckedLandscape c = CheckLandscape(file, length);
    if (!c.Usable()) {
        *errorLine = FaultLine(c, path);
        return false;
    }
    Unpacker u;
    u.folder = folder;
    u.pictures = pictures;
    ordered_json header = ordered_json::object();
    PutFields(kHeaderRecord, file, header);

    ordered_json lores = ordered_json::array(), blocks = ordered_json::array(), countries = ordered_json::array(),
                 materials = ordered_json::array();
    if (!UnpackLoRes(c, &u, lores) || !UnpackBlocks(c, &u, blocks) || !UnpackMaterials(c, &u, materials) ||
        !UnpackDetail(c, &u)) {
        *errorLine = u.error;
        folder->clear();
        return false;
    }
    UnpackCountries(c, countries);
    if (length > c.areas.end)
        AddFile(&u, kFolderTrailing, std::vector<uint8_t>(file + c.areas.end, file + length), false);

    ordered_json document = {{"format", kFolderFormat}, {"version", kFolderVersion}, {"header", header},
                             {"lores", lores},          {"blocks", blocks},          {"countries", countries},
                             {"materials", materials}};
    // Named in the JSON, so that a trailing.bin left from another landscape
    // is an extra file, not part of this one.
    if (length > c.areas.end) document[kFolderTrailingKey] = length - c.areas.end;
    document["sha256"] = std::move(u.hashes);
    const std::string json = DumpJson(document);
    (*folder)[kFolderJson].assign(json.begin(), json.end());
    (*folder)[kFolderReadme].assign(kReadme, kReadme + sizeof kReadme - 1);
    return true;
}
