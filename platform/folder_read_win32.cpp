// folder_read_win32.cpp -- folders read on Windows without following a
// reparse point (a symbolic link or junction) out of them.
#include "platform/folder_read.h"

#include <windows.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <new>
#include <system_error>

namespace fs = std::filesystem;

namespace {

using FileMap = std::map<std::string, std::vector<uint8_t>>;

constexpr int kDeepestFolder = 32;

std::string Line(const std::string& path, const std::string& reason) { return "ERROR : " + path + " : " + reason; }

bool IsReparsePoint(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

bool ReadPlainFile(const std::string& path, const std::string& shown, std::vector<uint8_t>* bytes,
                   std::string* errorLine) {
    if (IsReparsePoint(path)) {
        *errorLine = Line(shown, "is a symbolic link");
        return false;
    }
    FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) {
        *errorLine = Line(shown, std::strerror(errno));
        return false;
    }
    std::error_code fault;
    const uintmax_t size = fs::file_size(path, fault);
    bool ok = !fault;
    if (!ok) *errorLine = Line(shown, fault.message());
    try {
        if (ok) bytes->resize(size_t(size));
    } catch (const std::bad_alloc&) {
        *errorLine = Line(shown, "not enough memory to read its " + std::to_string(size) + " bytes");
        ok = false;
    }
    if (ok && std::fread(bytes->data(), 1, bytes->size(), file) != bytes->size()) {
        *errorLine = Line(shown, "became shorter while it was read");
        ok = false;
    }
    std::fclose(file);
    return ok;
}

void WalkFolder(const fs::path& folder, const std::string& shown, const std::string& relative, int depth,
                FileMap* files, std::vector<std::string>* listed, std::vector<std::string>* errors) {
    std::error_code fault;
    fs::directory_iterator walk(folder, fault), end;
    if (fault) {
        if (files || depth == 0) errors->push_back(Line(shown, fault.message()));
        return;
    }
    for (; walk != end; walk.increment(fault)) {
        const std::string name = walk->path().filename().string();
        const std::string path = shown + "/" + name, below = relative.empty() ? name : relative + "/" + name;
        const std::string full = walk->path().string();
        std::error_code kind;
        const fs::file_status status = walk->symlink_status(kind);
        const bool link = fs::is_symlink(status) || IsReparsePoint(full);
        if (!link && fs::is_directory(status)) {
            if (depth >= kDeepestFolder) errors->push_back(Line(path, "folders nested too deep"));
            else WalkFolder(walk->path(), path, below, depth + 1, files, listed, errors);
        } else if (listed) {
            listed->push_back(below);
        } else if (link) {
            errors->push_back(Line(path, "is a symbolic link"));
        } else if (!fs::is_regular_file(status)) {
            errors->push_back(Line(path, "not a regular file"));
        } else {
            std::string error;
            std::vector<uint8_t> bytes;
            if (ReadPlainFile(full, path, &bytes, &error)) (*files)[below] = std::move(bytes);
            else errors->push_back(error);
        }
    }
    if (fault) errors->push_back(Line(shown, fault.message()));
}

}  // namespace

bool ReadFolderTree(const std::string& dir, FileMap* files, std::vector<std::string>* errors) {
    files->clear();
    const size_t before = errors->size();
    WalkFolder(fs::path(dir), dir, "", 0, files, nullptr, errors);
    return errors->size() == before;
}

std::vector<std::string> ListFolderTree(const std::string& dir) {
    std::vector<std::string> listed, errors;
    WalkFolder(fs::path(dir), dir, "", 0, nullptr, &listed, &errors);
    return listed;
}

bool ReadFileBelow(const std::string& dir, const std::string& relative, std::vector<uint8_t>* bytes,
                   std::string* errorLine) {
    std::string at = dir;
    size_t start = 0;
    for (size_t slash = relative.find('/'); slash != std::string::npos; start = slash + 1, slash = relative.find('/', start)) {
        at += "/" + relative.substr(start, slash - start);
        if (IsReparsePoint(at)) {
            *errorLine = Line(dir + "/" + relative, "is below a symbolic link");
            return false;
        }
    }
    return ReadPlainFile(dir + "/" + relative, dir + "/" + relative, bytes, errorLine);
}
