// pack_landscape.cpp -- a landscape folder checked whole, then built into the
// bytes of its landscape file.
//
// Three passes: the JSON is read into a model (its lists' lengths are the
// counts), the folder's files are matched against those counts and decoded
// into the model, and only a model without faults is laid out as a file.
#include <algorithm>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "image/png_read.h"
#include "landscape/landscape_edit.h"
#include "landscape/lnd_fields.h"
#include "landscape/lnd_format.h"
#include "tools/common/json_text.h"
#include "tools/folder/landscape_folder.h"
#include "tools/common/lores_encode.h"
#include "tools/folder/picture_conversion.h"
#include "tools/common/sha256.h"

using nlohmann::json;

namespace {

constexpr int kSide = kBlockGridPoints;
constexpr size_t kDdsImageOffset = 4 + kDdsHeaderSize;  // in a DDS file
// A folder whose JSON lists a million empty records is not worth a million lines.
constexpr size_t kMostFaults = 100;

// Each record is held as its bytes, filled field by field from the JSON
// (through the field tables) and from the folder's files.
struct LoResModel {
    std::vector<uint8_t> record = std::vector<uint8_t>(kLoResTextureSize, 0);
    std::vector<uint8_t> dds;  // the kDdsFileSize bytes of its DDS file, once settled
};
using RecordBytes = std::vector<uint8_t>;

struct Packer {
    const FolderFiles* folder = nullptr;
    std::string folderName;
    std::vector<std::string>* errors = nullptr;
    size_t faults = 0;
    RecordBytes header = RecordBytes(kHeaderSize, 0);
    std::vector<LoResModel> lores;
    std::vector<RecordBytes> blocks, countries, materials;
    std::vector<std::pair<std::string, std::string>> hashes;  // file, SHA-256 as unpacked
    bool trailingListed = false;                              // landscape.json names trailing.bin
    uint64_t trailingBytes = 0;                               // its length, as listed
    std::vector<uint8_t> detail;                              // stored transposed
    // Listed faults of JSON values whose place in the text is still to be
    // added: the index of the line and the value's path.
    std::vector<std::pair<size_t, std::string>> unplaced;
    std::vector<std::string> converted;  // pictures taken from RGB, for the note
    std::vector<std::string> leftovers;  // editor files passed over, for the note
};

bool Full(const Packer* p) { return p->faults >= kMostFaults; }

void Fault(Packer* p, const std::string& file, const std::string& what, const std::string& where = {}) {
    if (p->faults++ >= kMostFaults) return;
    p->errors->push_back("ERROR : " + p->folderName + "/" + file + " : " + what +
                         (where.empty() ? "" : " (" + where + ")"));
}

const std::vector<uint8_t>* FileOf(const Packer* p, const std::string& name) {
    const auto found = p->folder->find(name);
    return found == p->folder->end() ? nullptr : &found->second;
}

std::string Indexed(const std::string& list, size_t i) { return list + "[" + std::to_string(i) + "]"; }

// ---------------------------------------------------------------------------
// JSON values
// ---------------------------------------------------------------------------

void JsonFault(Packer* p, const std::string& where, const std::string& what) { Fault(p, kFolderJson, what, where); }

// A value for a message: plain values as they are written (cut short), lists
// and objects by their kind only.
std::string Shown(const json& v) {
    if (v.is_array()) return "a list of " + std::to_string(v.size());
    if (v.is_object()) return "an object";
    std::string text = v.dump(-1, ' ', false, json::error_handler_t::replace);
    return text.size() > 40 ? text.substr(0, 37) + "..." : text;
}

bool IsObject(Packer* p, const json& v, const std::string& where) {
    if (v.is_object()) return true;
    JsonFault(p, where, "must be an object, found " + Shown(v));
    return false;
}

// A list, of exactly `size` items unless size is 0.
bool IsList(Packer* p, const json& v, const std::string& where, size_t size = 0) {
    if (v.is_array() && (size == 0 || v.size() == size)) return true;
    const std::string length = size ? " of " + std::to_string(size) : std::string();
    JsonFault(p, where, "must be a list" + length + ", found " + Shown(v));
    return false;
}

const json* Member(Packer* p, const json& object, const char* key, const std::string& where, bool required) {
    const auto found = object.find(key);
    if (found != object.end()) return &*found;
    if (required) JsonFault(p, where, std::string("\"") + key + "\" is missing");
    return nullptr;
}

std::string Joined(const std::string& where, const std::string& key) { return where.empty() ? key : where + "." + key; }

void RefuseUnknownKeys(Packer* p, const json& object, std::initializer_list<const char*> keys,
                       const std::string& where) {
    for (const auto& item : object.items())
        if (std::none_of(keys.begin(), keys.end(), [&](const char* key) { return item.key() == key; }))
            JsonFault(p, Joined(where, item.key()), "unknown key");
}

// A fault of the value at `where`, given its line and column later, in one
// walk over the text for all of them.
void ValueFault(Packer* p, const std::string& where, const std::string& what) {
    if (p->faults < kMostFaults) p->unplaced.emplace_back(p->errors->size(), where);
    JsonFault(p, where, what);
}

void PlaceValueFaults(Packer* p, const std::vector<uint8_t>& text) {
    std::vector<std::string> paths;
    for (const auto& fault : p->unplaced) paths.push_back(fault.second);
    const std::vector<std::string> places = JsonValuePlaces(text.data(), text.size(), paths);
    for (size_t i = 0; i < places.size(); ++i) {
        std::string& line = (*p->errors)[p->unplaced[i].first];
        if (!places[i].empty() && !line.empty() && line.back() == ')') line.insert(line.size() - 1, ", " + places[i]);
    }
}

// A whole number from lo to hi.
bool WholeNumber(Packer* p, const json& v, const std::string& where, int64_t lo, int64_t hi, int64_t* out) {
    if (v.is_number_unsigned() && v.get<uint64_t>() <= uint64_t(hi)) *out = int64_t(v.get<uint64_t>());
    else if (v.is_number_integer() && !v.is_number_unsigned() && v.get<int64_t>() >= lo && v.get<int64_t>() <= hi)
        *out = v.get<int64_t>();
    else {
        ValueFault(p, where, "must be a whole number from " + std::to_string(lo) + " to " + std::to_string(hi) +
                                ", found " + Shown(v));
        return false;
    }
    return true;
}

template <typename T>
void ReadNumber(Packer* p, const json& object, const char* key, const std::string& where, int64_t lo, int64_t hi,
                T* out) {
    int64_t value;
    const json* v = Member(p, object, key, where, true);
    if (v && WholeNumber(p, *v, Joined(where, key), lo, hi, &value)) *out = T(value);
}

void ReadFloat(Packer* p, const json& object, const char* key, const std::string& where, float* out) {
    const json* v = Member(p, object, key, where, true);
    if (v && !Float32FromJson(*v, out))
        ValueFault(p, Joined(where, key),
                  "must be a number that fits a float32, or \"0x\" and 8 hex digits of its bits, found " + Shown(*v));
}

// A reserved field: hex of exactly its size, all zeros when left out.
void ReadReserved(Packer* p, const json& object, const char* key, const std::string& where, uint8_t* out, size_t size) {
    const json* v = Member(p, object, key, where, false);
    if (v && !(v->is_string() && ParseHexBytes(v->get_ref<const std::string&>(), size, out)))
        JsonFault(p, Joined(where, key),
                  "must be " + std::to_string(2 * size) + " hex digits (" + std::to_string(size) + " bytes), found " +
                      Shown(*v));
}

// ---------------------------------------------------------------------------
// landscape.json
// ---------------------------------------------------------------------------

void RefuseUnknownFields(Packer* p, const json& object, const RecordSpec& spec, const std::string& where) {
    for (const auto& item : object.items()) {
        const FieldSpec* field = FindField(spec, item.key().c_str());
        if (!field || !FieldInJson(field->kind)) JsonFault(p, Joined(where, item.key()), "unknown key");
    }
}

void ReadBlockMap(Packer* p, const json& object, const FieldSpec& field, const std::string& where, uint8_t* out) {
    const std::string list = Joined(where, field.key);
    const json* map = Member(p, object, field.key, where, true);
    if (!map || !IsList(p, *map, list, kBlockMapSide)) return;
    for (int b = 0; b < kBlockMapSide; ++b) {
        const std::string row = Indexed(list, size_t(b));
        if (!IsList(p, (*map)[size_t(b)], row, kBlockMapSide)) continue;
        for (int a = 0; a < kBlockMapSide; ++a) {
            int64_t value;
            if (WholeNumber(p, (*map)[size_t(b)][size_t(a)], Indexed(row, size_t(a)), 0, 255, &value))
                out[kBlockMapSide * b + a] = uint8_t(value);
        }
    }
}

void ReadEntries(Packer* p, const json& object, const FieldSpec& field, const std::string& where, uint8_t* out) {
    const json* entries = Member(p, object, field.key, where, true);
    const std::string list = Joined(where, field.key);
    constexpr size_t kFields = std::size(kEntryFields);
    if (!entries || !IsList(p, *entries, list, kCountryEntryCount)) return;
    for (size_t h = 0; h < size_t(kCountryEntryCount); ++h) {
        const std::string at = Indexed(list, h);
        if (!IsList(p, (*entries)[h], at, kFields)) continue;
        for (size_t f = 0; f < kFields; ++f) {
            int64_t value;
            if (WholeNumber(p, (*entries)[h][f], Indexed(at, f), 0, UINT32_MAX, &value))
                StoreU32(out + kCountryEntrySize * h + kEntryFields[f].offset, uint32_t(value));
        }
    }
}

// A record's JSON object into its bytes, field by field as the table lists them.
void ReadFields(Packer* p, const json& object, const RecordSpec& spec, const std::string& where, uint8_t* record) {
    if (!IsObject(p, object, where)) return;
    RefuseUnknownFields(p, object, spec, where);
    for (const FieldSpec& field : spec) {
        uint8_t* at = record + field.offset;
        switch (field.kind) {
        case FieldKind::Int32: {
            int32_t value = 0;
            ReadNumber(p, object, field.key, where, INT32_MIN, INT32_MAX, &value);
            StoreI32(at, value);
            break;
        }
        case FieldKind::Uint32: {
            uint32_t value = 0;
            ReadNumber(p, object, field.key, where, 0, UINT32_MAX, &value);
            StoreU32(at, value);
            break;
        }
        case FieldKind::Float32: {
            float value = 0;
            ReadFloat(p, object, field.key, where, &value);
            StoreF32(at, value);
            break;
        }
        case FieldKind::Reserved:
        case FieldKind::Cells: ReadReserved(p, object, field.key, where, at, size_t(field.size)); break;
        case FieldKind::BlockMap: ReadBlockMap(p, object, field, where, at); break;
        case FieldKind::Entries: ReadEntries(p, object, field, where, at); break;
        case FieldKind::Count:
        case FieldKind::DdsHeader:
        case FieldKind::Image:
        case FieldKind::Texels: break;  // the lists' lengths and the record's files
        }
    }
}

// One of the record lists: its length is the record count.
template <typename Model, typename ReadEntry>
void ReadList(Packer* p, const json& document, const char* key, size_t most, std::vector<Model>* models,
              ReadEntry readEntry) {
    const json* list = Member(p, document, key, "", true);
    if (!list || !IsList(p, *list, key)) return;
    if (list->size() > most) {
        JsonFault(p, key, "lists " + std::to_string(list->size()) + " records; a landscape holds " +
                              std::to_string(most) + " at most");
        return;
    }
    // Grown entry by entry, and only while faults are few, so a list of
    // empty records costs no more than its text; past that the entries are
    // still read, into one scratch record, for the count of faults.
    Model scratch;
    for (size_t i = 0; i < list->size(); ++i) {
        if (!Full(p)) models->emplace_back();
        readEntry(p, (*list)[i], Indexed(key, i), Full(p) ? scratch : models->back());
    }
}

void ReadHashes(Packer* p, const json& document) {
    const json* hashes = Member(p, document, "sha256", "", false);
    if (!hashes || !IsObject(p, *hashes, "sha256")) return;
    for (const auto& item : hashes->items()) {
        uint8_t digest[32];
        if (item.value().is_string() && ParseHexBytes(item.value().get_ref<const std::string&>(), 32, digest))
            p->hashes.emplace_back(item.key(), HexBytes(digest, 32));
        else
            JsonFault(p, Joined("sha256", item.key()), "must be 64 hex digits, found " + Shown(item.value()));
    }
}

// False when the JSON gives no counts to go on.
bool ReadJson(Packer* p) {
    const std::vector<uint8_t>* text = FileOf(p, kFolderJson);
    if (!text) {
        Fault(p, kFolderJson, "missing: every landscape folder has one");
        return false;
    }
    json document;
    std::string where, what;
    if (!ParseJsonStrictly(text->data(), text->size(), &document, &where, &what)) {
        JsonFault(p, where, what);
        return false;
    }
    if (!IsObject(p, document, "the document")) return false;
    const json* format = Member(p, document, "format", "", true);
    const json* version = Member(p, document, "version", "", true);
    if (!format || !version) return false;
    if (*format != kFolderFormat) {
        JsonFault(p, "format", std::string("is not a landscape folder's: \"format\" must be \"") + kFolderFormat +
                                   "\", found " + Shown(*format));
        return false;
    }
    if (*version != kFolderVersion) {
        JsonFault(p, "version", "unknown schema version " + Shown(*version) + "; this lndtool reads version " +
                                    std::to_string(kFolderVersion));
        return false;
    }
    RefuseUnknownKeys(p, document,
                      {"format", "version", "header", "lores", "blocks", "countries", "materials", kFolderTrailingKey,
                       "sha256"},
                      "");
    if (const json* header = Member(p, document, "header", "", true))
        ReadFields(p, *header, kHeaderRecord, "header", p->header.data());
    const auto reader = [](const RecordSpec& spec) {
        return [record_spec = &spec](Packer* p, const json& entry, const std::string& where, RecordBytes& record) {
            record.assign(record_spec->size, 0);
            ReadFields(p, entry, *record_spec, where, record.data());
        };
    };
    ReadList(p, document, "lores", UINT32_MAX, &p->lores,
             [](Packer* p, const json& entry, const std::string& where, LoResModel& r) {
                 ReadFields(p, entry, kLoResRecord, where, r.record.data());
             });
    ReadList(p, document, "blocks", INT32_MAX - 1, &p->blocks, reader(kBlockRecord));
    ReadList(p, document, "countries", INT32_MAX, &p->countries, reader(kCountryRecord));
    ReadList(p, document, "materials", INT32_MAX, &p->materials, reader(kMaterialRecord));
    if (const json* trailing = Member(p, document, kFolderTrailingKey, "", false)) {
        int64_t bytes;
        if (WholeNumber(p, *trailing, kFolderTrailingKey, 1, INT64_MAX, &bytes))
            p->trailingListed = true, p->trailingBytes = uint64_t(bytes);
    }
    ReadHashes(p, document);
    PlaceValueFaults(p, *text);
    return true;
}

// ---------------------------------------------------------------------------
// The files
// ---------------------------------------------------------------------------

// Every file must be one the counts call for.
void RefuseExtraFiles(Packer* p) {
    std::set<std::string> expected = {kFolderJson, kFolderReadme, kFolderDetail};
    if (p->trailingListed) expected.insert(kFolderTrailing);
    for (size_t i = 0; i < p->lores.size(); ++i) expected.insert({LoResDdsName(i), LoResPngName(i)});
    for (size_t k = 0; k < p->blocks.size(); ++k)
        expected.insert({BlockPngName(k, "altitude"), BlockPngName(k, "country"), BlockPngName(k, "split")});
    for (size_t m = 0; m < p->materials.size(); ++m) expected.insert(MaterialPngName(m));
    for (const auto& file : *p->folder)
        if (!expected.count(file.first) && IsEditorLeftover(file.first)) p->leftovers.push_back(file.first);
        else if (!expected.count(file.first))
            Fault(p, file.first,
                  "is no file of this folder: landscape.json lists " + std::to_string(p->lores.size()) +
                      " LoRes textures, " + std::to_string(p->blocks.size()) + " blocks and " +
                      std::to_string(p->materials.size()) + " materials" +
                      (file.first == kFolderTrailing ? std::string(" and no ") + kFolderTrailingKey : ""));
}

// The decoded image of a file, or null (with a fault) when it is missing or
// not of that size and layout. A picture saved by an editor in another
// layout that holds the same values (see picture_conversion.h) is taken,
// and named in the note.
const DecodedPng* Image(Packer* p, const std::string& name, int32_t side, PngLayout layout, const std::string& where,
                        DecodedPng* image, bool opaqueIsLossless = false) {
    const std::vector<uint8_t>* png = FileOf(p, name);
    std::string fault;
    if (!png) fault = "missing";
    else if (DecodePng(png->data(), png->size(), side, side, unsigned(layout), image, &fault)) return image;
    else if (fault.find("; it must be ") != std::string::npos) {
        std::string otherFault;
        if (!DecodePng(png->data(), png->size(), side, side, LayoutsTakenFor(layout), image, &otherFault))
            fault += "; " + HowToSave(layout);
        else if (TakeAsLayout(image, side, layout, opaqueIsLossless, &fault)) {
            p->converted.push_back(name);
            return image;
        }
    }
    Fault(p, name, fault, where);
    return nullptr;
}

// Every alpha of a DDS file's DXT3 blocks is full (their first 8 bytes).
bool DdsAlphaOpaque(const std::vector<uint8_t>& dds) {
    if (dds.size() != kDdsFileSize) return false;
    for (size_t block = kDdsImageOffset; block + 16 <= dds.size(); block += 16)
        for (size_t i = 0; i < 8; ++i)
            if (dds[block + i] != 0xFF) return false;
    return true;
}

// Pixels that break a rule, counted, with the first one named.
template <typename Broken>
void RefusePixels(Packer* p, const std::string& name, const DecodedPng& image, int32_t side, const char* rule,
                  Broken broken) {
    size_t count = 0, first = 0;
    for (size_t i = 0; i < image.bytes.size(); ++i)
        if (broken(image.bytes[i]) && count++ == 0) first = i;
    if (count)
        Fault(p, name,
              std::to_string(count) + " pixels " + rule + " (the first, " + std::to_string(image.bytes[first]) +
                  ", at row " + std::to_string(first / size_t(side)) + ", column " +
                  std::to_string(first % size_t(side)) + ")");
}

// What a cell field's picture may hold, and the bits its value takes: a
// one-bit flag is 0 (clear) or 255 (set); a wider field its value.
struct CellPictureRule {
    const char* broken;  // the fault's words for pixels that break the rule
    bool flag;
    uint8_t most;
};
CellPictureRule RuleOf(const SubfieldSpec& field) {
    if ((field.mask & (field.mask - 1)) == 0) return {"are neither 0 (clear) nor 255 (set)", true, 255};
    if (field.mask == kCountryIndexMask)
        return {"hold a country index above 15, the most a cell holds", false, kCountryIndexMask};
    return {"hold a value the cell field cannot", false, field.mask};
}

void ReadBlockImages(Packer* p, size_t k) {
    RecordBytes& block = p->blocks[k];
    const std::string where = Indexed("blocks", k);
    DecodedPng image;
    for (const SubfieldSpec& field : kCellFields) {
        const std::string name = BlockPngName(k, field.key);
        if (!Image(p, name, kSide, PngLayout::Gray8, where, &image)) continue;
        const CellPictureRule rule = RuleOf(field);
        if (rule.most != 255 || rule.flag)
            RefusePixels(p, name, image, kSide, rule.broken,
                         [&](uint8_t v) { return rule.flag ? v != 0 && v != 255 : v > rule.most; });
        for (size_t i = 0; i < image.bytes.size(); ++i)
            SetCellField(block.data(), int(i / kSide), int(i % kSide), field, image.bytes[i]);
    }
}

bool AsUnpacked(const Packer* p, const std::string& name, const std::vector<uint8_t>* file) {
    if (!file) return false;
    for (const auto& [hashed, digest] : p->hashes)
        if (hashed == name) return Sha256Hex(file->data(), file->size()) == digest;
    return false;
}

bool Hashed(const Packer* p, const std::string& name) {
    return std::any_of(p->hashes.begin(), p->hashes.end(), [&](const auto& h) { return h.first == name; });
}

bool DdsFileFits(Packer* p, const std::string& name, const std::vector<uint8_t>& dds, bool asUnpacked,
                 const std::string& where) {
    if (dds.size() != kDdsFileSize)
        Fault(p, name,
              "is " + std::to_string(dds.size()) + " bytes; a LoRes texture's DDS file holds " +
                  std::to_string(kDdsFileSize) + " (256 x 256 DXT3 without mipmaps)",
              where);
    else if (std::memcmp(dds.data(), "DDS ", 4) != 0)
        Fault(p, name, "is not a DDS file: it does not start with \"DDS \"", where);
    // An unedited file comes back as it was, whatever its header says.
    else if (!asUnpacked && !DdsHeaderIsDxt3_256(dds.data() + 4))
        Fault(p, name, "has a DDS header that does not describe a 256 x 256 DXT3 image", where);
    else
        return true;
    return false;
}

// The DDS file a record's two files settle on (see landscape_folder.h).
void SettleLoRes(Packer* p, size_t i) {
    LoResModel& r = p->lores[i];
    const std::string ddsName = LoResDdsName(i), pngName = LoResPngName(i), where = Indexed("lores", i);
    const std::vector<uint8_t>* dds = FileOf(p, ddsName);
    const std::vector<uint8_t>* png = FileOf(p, pngName);
    const bool ddsKept = AsUnpacked(p, ddsName, dds), pngKept = AsUnpacked(p, pngName, png);
    // A record as unpacked needs both files; a new one either.
    if (Hashed(p, ddsName) || Hashed(p, pngName) || (!dds && !png)) {
        if (!dds) Fault(p, ddsName, "missing", where);
        if (!png) Fault(p, pngName, "missing", where);
        if (!dds || !png) return;
    }
    if (dds && !DdsFileFits(p, ddsName, *dds, ddsKept, where)) return;
    if (dds) r.dds = *dds;
    if (!png || (ddsKept && pngKept)) return;
    DecodedPng image;
    // An RGB picture stands for RGBA when the record's alpha is all opaque,
    // or there is no DDS file to hold any other.
    if (!Image(p, pngName, kLoResSide, PngLayout::Rgba8, where, &image, !dds || DdsAlphaOpaque(*dds))) return;
    if (!dds) {
        r.dds.assign(kDdsFileSize, 0);
        std::memcpy(r.dds.data(), "DDS ", 4);
        WriteDxt3DdsHeader(r.dds.data() + 4, kLoResSide, kLoResSide);
        EncodeLoResImage(image.bytes.data(), r.dds.data() + kDdsImageOffset);
    } else if (!LoResImageMatches(image.bytes.data(), r.dds.data() + kDdsImageOffset)) {
        if (ddsKept) EncodeChangedLoResBlocks(image.bytes.data(), r.dds.data() + kDdsImageOffset);
        else if (!pngKept)
            Fault(p, pngName,
                  "differs from " + p->folderName + "/" + ddsName +
                      ", and both changed since unpack: edit only one of them",
                  where);
        // Otherwise the DDS file was edited and the PNG is the old picture.
    }
}

void ReadFiles(Packer* p) {
    RefuseExtraFiles(p);
    for (size_t i = 0; i < p->lores.size(); ++i) SettleLoRes(p, i);
    for (size_t k = 0; k < p->blocks.size(); ++k) ReadBlockImages(p, k);
    DecodedPng image;
    for (size_t m = 0; m < p->materials.size(); ++m)
        if (Image(p, MaterialPngName(m), kMaterialSide, PngLayout::Gray16, Indexed("materials", m), &image))
            for (size_t t = 0; t < image.samples.size(); ++t)
                StoreU16(p->materials[m].data() + kTexelsOffset + 2 * t, image.samples[t]);
    if (p->trailingListed) {
        const std::vector<uint8_t>* trailing = FileOf(p, kFolderTrailing);
        if (!trailing)
            Fault(p, kFolderTrailing, std::string("missing: landscape.json lists ") + kFolderTrailingKey);
        else if (trailing->size() != p->trailingBytes)
            Fault(p, kFolderTrailing,
                  "is " + std::to_string(trailing->size()) + " bytes; landscape.json lists " + kFolderTrailingKey +
                      " " + std::to_string(p->trailingBytes));
    }
    if (Image(p, kFolderDetail, kMaterialSide, PngLayout::Gray8, "", &image)) {
        // The file stores column x, row y at 256 x + y.
        p->detail.resize(kDetailMapSize);
        for (size_t y = 0; y < size_t(kMaterialSide); ++y)
            for (size_t x = 0; x < size_t(kMaterialSide); ++x)
                p->detail[size_t(kMaterialSide) * x + y] = image.bytes[size_t(kMaterialSide) * y + x];
    }
}

// ---------------------------------------------------------------------------
// The file
// ---------------------------------------------------------------------------

void LayOut(const Packer& p, std::vector<uint8_t>* out) {
    const LandscapeAreas areas = ComputeLandscapeAreas(int32_t(p.blocks.size()), int32_t(p.countries.size()),
                                                       int32_t(p.materials.size()), uint32_t(p.lores.size()));
    const std::vector<uint8_t>* trailing = p.trailingListed ? FileOf(&p, kFolderTrailing) : nullptr;
    out->assign(areas.end + (trailing ? trailing->size() : 0), 0);
    uint8_t* file = out->data();
    std::copy(p.header.begin(), p.header.end(), file);
    // The counts are the lists' lengths; the block count is stored plus one.
    StoreI32(file + kBlockCountPlusOneOffset, int32_t(p.blocks.size()) + 1);
    StoreI32(file + kMaterialCountOffset, int32_t(p.materials.size()));
    StoreI32(file + kCountryCountOffset, int32_t(p.countries.size()));
    StoreU32(file + kLoResTextureCountOffset, uint32_t(p.lores.size()));
    for (size_t i = 0; i < p.lores.size(); ++i) {
        uint8_t* record = file + areas.loResArea + kLoResTextureSize * i;
        std::copy(p.lores[i].record.begin(), p.lores[i].record.end(), record);
        // The DDS file holds the record from its DdsHeader on, behind "DDS ".
        std::memcpy(record + kDdsHeaderOffset, p.lores[i].dds.data() + 4, kDdsFileSize - 4);
    }
    const auto place = [](const std::vector<RecordBytes>& records, uint8_t* area) {
        for (const RecordBytes& record : records) area = std::copy(record.begin(), record.end(), area);
    };
    place(p.blocks, file + areas.blockArea);
    place(p.countries, file + areas.countryArea);
    place(p.materials, file + areas.materialArea);
    std::memcpy(file + areas.detailMap, p.detail.data(), kDetailMapSize);
    if (trailing) std::copy(trailing->begin(), trailing->end(), out->begin() + int64_t(areas.end));
}

// "3 files (a, b, c)", the first few of many named.
std::string NamesListed(const std::vector<std::string>& names) {
    std::string listed;
    for (size_t i = 0; i < names.size() && i < 5; ++i) listed += (i ? ", " : "") + names[i];
    if (names.size() > 5) listed += ", ...";
    return std::to_string(names.size()) + (names.size() == 1 ? " file (" : " files (") + listed + ")";
}

// Past the cap, one line for the rest, whatever their kind.
std::string MoreFaultsLine(const std::string& folderName, size_t faults, bool filesRead) {
    return "ERROR : " + folderName + " : " + std::to_string(faults - kMostFaults) + " more faults; the first " +
           std::to_string(kMostFaults) + " are listed" +
           (filesRead ? "" : ", and the pictures are checked once landscape.json has fewer");
}

}  // namespace

void PackLandscape(const FolderFiles& folder, const std::string& folderName, std::vector<uint8_t>* landscape,
                   std::vector<std::string>* errors, std::vector<std::string>* notes) {
    landscape->clear();
    errors->clear();
    Packer p;
    p.folder = &folder;
    p.folderName = folderName;
    p.errors = errors;
    // The files are matched against the JSON's counts, which are only known
    // while its faults are few.
    const bool jsonRead = ReadJson(&p);
    const bool filesRead = jsonRead && !Full(&p);
    if (filesRead) ReadFiles(&p);
    if (p.faults > kMostFaults) errors->push_back(MoreFaultsLine(folderName, p.faults, filesRead));
    if (notes && !p.converted.empty())
        notes->push_back("WARNING : " + folderName + " : took " + NamesListed(p.converted) +
                         " as saved by an image editor in RGB, with no value lost (grey as its one channel, "
                         "RGB as opaque RGBA)");
    if (notes && !p.leftovers.empty())
        notes->push_back("WARNING : " + folderName + " : passed over " + NamesListed(p.leftovers) +
                         ", left by image or text editors");
    if (p.faults == 0) LayOut(p, landscape);
}

bool IsEditorLeftover(const std::string& path) {
    const size_t slash = path.rfind('/');
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    std::string lower = name;
    for (char& c : lower) c = char(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    auto endsWith = [&](const char* end) {
        const size_t n = std::strlen(end);
        return lower.size() > n && lower.compare(lower.size() - n, n, end) == 0;
    };
    if (name.empty()) return false;
    return (name.size() > 1 && name.back() == '~') || (name[0] == '.' && endsWith(".swp")) || endsWith(".bak") ||
           endsWith(".xcf") || endsWith(".kra") || endsWith(".psd") || lower == "thumbs.db" || name == ".DS_Store";
}
