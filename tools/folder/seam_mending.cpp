// seam_mending.cpp -- the edited sides of each seam, told by their hashes.
#include "tools/folder/seam_mending.h"

#include <nlohmann/json.hpp>

#include <map>
#include <tuple>

#include "tools/common/sha256.h"

namespace {

// The hashes pack has already checked, by file name.
std::map<std::string, std::string> RecordedHashes(const FolderFiles& folder) {
    std::map<std::string, std::string> hashes;
    const auto json = folder.find(kFolderJson);
    if (json == folder.end()) return hashes;
    const nlohmann::json document = nlohmann::json::parse(json->second.begin(), json->second.end(), nullptr, false);
    if (!document.is_object() || !document.contains("sha256") || !document["sha256"].is_object()) return hashes;
    for (const auto& item : document["sha256"].items())
        if (item.value().is_string()) hashes[item.key()] = item.value().get<std::string>();
    return hashes;
}

std::string Sample(int y, int x) { return "(" + std::to_string(y) + ", " + std::to_string(x) + ")"; }

}  // namespace

std::string SeamPictureName(SeamField field, int32_t k) { return BlockPngName(uint64_t(k), SeamFieldName(field)); }

uint64_t MendFolderSeams(const FolderFiles& folder, const std::string& folderName, std::vector<uint8_t>* landscape,
                         std::vector<std::string>* errors) {
    const CheckedLandscape checked = CheckLandscape(landscape->data(), landscape->size());
    if (!checked.Usable()) return 0;
    const std::map<std::string, std::string> hashes = RecordedHashes(folder);
    std::vector<bool> edited[kSeamFields];
    for (int f = 0; f < kSeamFields; ++f) {
        edited[f].assign(size_t(checked.blockCount), false);
        for (int32_t k = 0; k < checked.blockCount; ++k) {
            const std::string name = SeamPictureName(SeamField(f), k);
            const auto file = folder.find(name);
            const auto hash = hashes.find(name);
            edited[f][size_t(k)] = file == folder.end() || hash == hashes.end() ||
                                   Sha256Hex(file->second.data(), file->second.size()) != hash->second;
        }
    }
    std::vector<uint8_t> mended = *landscape;
    const SeamMending mending = MendSeams(CheckLandscape(mended.data(), mended.size()), mended.data(), edited);
    if (mending.conflicts.empty()) {
        *landscape = std::move(mended);
        return mending.mended;
    }
    // One line per pair of pictures, with how many samples and the first.
    std::map<std::tuple<int, int32_t, int32_t>, std::pair<uint64_t, const SeamConflict*>> pairs;
    std::vector<std::tuple<int, int32_t, int32_t>> order;
    for (const SeamConflict& conflict : mending.conflicts) {
        const auto key = std::make_tuple(int(conflict.field), conflict.blockA, conflict.blockB);
        auto [it, added] = pairs.try_emplace(key, 0, &conflict);
        if (added) order.push_back(key);
        ++it->second.first;
    }
    for (const auto& key : order) {
        const auto& [count, first] = pairs[key];
        const std::string field = SeamFieldName(first->field);
        errors->push_back("ERROR : " + folderName + "/" + SeamPictureName(first->field, first->blockA) + " and " +
                          folderName + "/" + SeamPictureName(first->field, first->blockB) +
                          " : both edited, and they give " + std::to_string(count) + " shared map samples different " +
                          field + " values, the first at " + Sample(first->y, first->x) +
                          " (edit one side only, or make them agree)");
    }
    return 0;
}
