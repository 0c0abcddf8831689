// folder_files.cpp -- reading and writing landscape folders.
#include "tools/folder/folder_files.h"

#include <nlohmann/json.hpp>

#include <filesystem>
#include <set>
#include <system_error>

#include "platform/folder_read.h"
#include "platform/safe_write.h"
#include "tools/common/sha256.h"

namespace fs = std::filesystem;

namespace {

std::string Line(const std::string& path, const std::string& reason) { return "ERROR : " + path + " : " + reason; }

}  // namespace

std::string FolderName(std::string dir) {
    while (dir.size() > 1 && (dir.back() == '/' || dir.back() == '\\')) dir.pop_back();
    return dir;
}

bool ReadFolderFiles(const std::string& dir, FolderFiles* files, std::vector<std::string>* errors) {
    return ReadFolderTree(dir, files, errors);
}

bool FolderIsFree(const std::string& dir, std::string* errorLine) {
    std::error_code fault;
    const fs::file_status status = fs::status(dir, fault);
    if (status.type() == fs::file_type::not_found) return true;
    if (fault) *errorLine = Line(dir, fault.message());
    else if (status.type() != fs::file_type::directory) *errorLine = Line(dir, "exists and is not a folder");
    else if (!fs::is_empty(dir, fault)) *errorLine = Line(dir, fault ? fault.message() : "the folder is not empty");
    else return true;
    return false;
}

bool WriteFolderFiles(const std::string& dir, const FolderFiles& files, const std::vector<std::string>& carried,
                      std::string* errorLine) {
    std::vector<SafeWriteItem> items;
    for (const auto& [relative, bytes] : files) items.push_back({relative, bytes.data(), bytes.size()});
    return SafeWriteFolder(dir, items, carried, errorLine);
}

namespace {

// "<digits><suffix>" after `prefix`.
bool NumberedName(const std::string& name, const std::string& prefix, const std::string& suffix) {
    if (name.size() <= prefix.size() + suffix.size() || name.compare(0, prefix.size(), prefix) != 0 ||
        name.compare(name.size() - suffix.size(), suffix.size(), suffix) != 0)
        return false;
    const std::string digits = name.substr(prefix.size(), name.size() - prefix.size() - suffix.size());
    return digits.find_first_not_of("0123456789") == std::string::npos;
}

// A name that unpack writes for some landscape: such a file left from the
// folder's last landscape is no part of the next one.
bool IsLandscapeFileName(const std::string& name) {
    if (name == kFolderJson || name == kFolderReadme || name == kFolderTrailing || name == kFolderDetail) return true;
    for (const char* what : {"-altitude.png", "-country.png", "-split.png"})
        if (NumberedName(name, "blocks/", what)) return true;
    return NumberedName(name, "lores/", ".dds") || NumberedName(name, "lores/", ".png") ||
           NumberedName(name, "materials/", ".png");
}

}  // namespace

std::vector<std::string> OtherFiles(const std::string& dir, const FolderFiles& files) {
    // A link or file where the new folder has a folder (blocks/) gives way too.
    std::set<std::string> folders;
    for (const auto& [relative, bytes] : files)
        for (size_t slash = relative.find('/'); slash != std::string::npos; slash = relative.find('/', slash + 1))
            folders.insert(relative.substr(0, slash));
    std::vector<std::string> others;
    for (const std::string& relative : ListFolderTree(dir))
        if (!files.count(relative) && !folders.count(relative) && !IsLandscapeFileName(relative))
            others.push_back(relative);
    return others;
}

bool FindEditedPicture(const std::string& dir, std::string* edited) {
    std::vector<uint8_t> text;
    std::string error;
    if (!ReadFileBelow(dir, kFolderJson, &text, &error)) return false;
    const nlohmann::json document = nlohmann::json::parse(text.begin(), text.end(), nullptr, false);
    if (!document.is_object() || !document.contains("sha256") || !document["sha256"].is_object()) return false;
    for (const auto& item : document["sha256"].items()) {
        std::vector<uint8_t> bytes;
        // A picture that is gone, or a link, holds no edit of its own.
        if (!item.value().is_string() || !ReadFileBelow(dir, item.key(), &bytes, &error)) continue;
        if (Sha256Hex(bytes.data(), bytes.size()) == item.value().get<std::string>()) continue;
        *edited = item.key();
        return true;
    }
    return false;
}
