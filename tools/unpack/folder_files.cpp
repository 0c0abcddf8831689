// folder_files.cpp -- reading and writing landscape folders.
#include "tools/unpack/folder_files.h"

#include <filesystem>
#include <set>
#include <system_error>

#include "landscape/lnd_file.h"
#include "platform/safe_write.h"

namespace fs = std::filesystem;

namespace {

std::string Line(const std::string& path, const std::string& reason) { return "ERROR : " + path + " : " + reason; }

// Regular files below `dir` (relative paths) and what could not be walked.
std::vector<std::string> WalkFiles(const std::string& dir, std::vector<std::string>* errors) {
    std::vector<std::string> found;
    std::error_code fault;
    const fs::path root(dir);
    fs::recursive_directory_iterator walk(root, fault), end;
    if (fault) errors->push_back(Line(dir, fault.message()));
    for (; !fault && walk != end; walk.increment(fault)) {
        const std::string relative = walk->path().lexically_relative(root).generic_string();
        std::error_code kind;
        if (walk->is_regular_file(kind)) found.push_back(relative);
        else if (!walk->is_directory(kind)) errors->push_back(Line(dir + "/" + relative, "not a regular file"));
    }
    if (fault && walk != end) errors->push_back(Line(dir, fault.message()));
    return found;
}

}  // namespace

std::string FolderName(std::string dir) {
    while (dir.size() > 1 && (dir.back() == '/' || dir.back() == '\\')) dir.pop_back();
    return dir;
}

bool ReadFolderFiles(const std::string& dir, FolderFiles* files, std::vector<std::string>* errors) {
    files->clear();
    const size_t before = errors->size();
    for (const std::string& relative : WalkFiles(dir, errors)) {
        const std::string path = dir + "/" + relative;
        FileRead read = ReadWholeFile(path.c_str());
        if (read.fault != FileReadFault::None) {
            errors->push_back(FileReadFaultLine(read, path.c_str()));
            continue;
        }
        (*files)[relative].assign(read.data, read.data + read.length);
        delete[] read.data;
    }
    return errors->size() == before;
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

bool WriteFolderFiles(const std::string& dir, const FolderFiles& files, std::string* errorLine) {
    std::set<std::string> folders = {dir};
    std::vector<SafeWriteItem> items;
    for (const auto& [relative, bytes] : files) {
        const std::string path = dir + "/" + relative;
        folders.insert(fs::path(path).parent_path().string());
        items.push_back({path, bytes.data(), bytes.size()});
    }
    for (const std::string& folder : folders) {
        std::error_code fault;
        fs::create_directories(folder, fault);
        if (fault) {
            *errorLine = Line(folder, "cannot create the folder: " + fault.message());
            return false;
        }
    }
    return SafeWriteBatch(items, errorLine);
}

std::vector<std::string> OtherFiles(const std::string& dir, const FolderFiles& files) {
    std::vector<std::string> errors, others;
    for (const std::string& relative : WalkFiles(dir, &errors))
        if (!files.count(relative)) others.push_back(relative);
    return others;
}
