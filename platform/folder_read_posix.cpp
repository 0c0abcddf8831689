// folder_read_posix.cpp -- folders read below their own descriptor: openat
// with O_NOFOLLOW for every file and folder, fstatat without following for
// every entry, so no link leads out.
#include "platform/folder_read.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <new>

namespace {

using FileMap = std::map<std::string, std::vector<uint8_t>>;

// Folders nested deeper than this are a fault, not a walk without end.
constexpr int kDeepestFolder = 32;

std::string Line(const std::string& path, const std::string& reason) { return "ERROR : " + path + " : " + reason; }

std::string Reason(int errnoValue) { return std::strerror(errnoValue != 0 ? errnoValue : EIO); }

// The open file read whole into *bytes; false with *errorLine set.
bool ReadOpenFile(int fd, const std::string& shown, std::vector<uint8_t>* bytes, std::string* errorLine) {
    struct stat st;
    if (fstat(fd, &st) != 0) {
        *errorLine = Line(shown, Reason(errno));
        return false;
    }
    if (!S_ISREG(st.st_mode)) {
        *errorLine = Line(shown, "not a regular file");
        return false;
    }
    try {
        bytes->resize(size_t(st.st_size));
    } catch (const std::bad_alloc&) {
        *errorLine = Line(shown, "not enough memory to read its " + std::to_string(st.st_size) + " bytes");
        return false;
    }
    size_t done = 0;
    while (done < bytes->size()) {
        const ssize_t n = read(fd, bytes->data() + done, bytes->size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            *errorLine = Line(shown, Reason(errno));
            return false;
        }
        if (n == 0) break;
        done += size_t(n);
    }
    if (done != bytes->size()) {
        *errorLine = Line(shown, "became shorter while it was read");
        return false;
    }
    return true;
}

// A file of the open folder, not through a link; O_NONBLOCK so that a FIFO
// put there after the look cannot hang the open.
bool ReadEntry(int folder, const char* name, const std::string& shown, std::vector<uint8_t>* bytes,
               std::string* errorLine) {
    const int fd = openat(folder, name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        *errorLine = Line(shown, errno == ELOOP ? std::string("is a symbolic link") : Reason(errno));
        return false;
    }
    const bool read = ReadOpenFile(fd, shown, bytes, errorLine);
    close(fd);
    return read;
}

struct Walk {
    FileMap* files;                     // null: only list
    std::vector<std::string>* listed;   // null: read
    std::vector<std::string>* errors;
};

void WalkFolder(int folder, const std::string& shown, const std::string& relative, int depth, Walk* walk) {
    const int listing = dup(folder);
    DIR* entries = listing >= 0 ? fdopendir(listing) : nullptr;
    if (!entries) {
        walk->errors->push_back(Line(shown, Reason(errno)));
        if (listing >= 0) close(listing);
        return;
    }
    std::vector<std::string> names;
    errno = 0;
    while (const dirent* entry = readdir(entries)) {
        if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0)
            names.push_back(entry->d_name);
        errno = 0;
    }
    if (errno != 0) walk->errors->push_back(Line(shown, Reason(errno)));
    closedir(entries);
    std::sort(names.begin(), names.end());
    for (const std::string& name : names) {
        const std::string path = shown + "/" + name;
        const std::string below = relative.empty() ? name : relative + "/" + name;
        struct stat st;
        if (fstatat(folder, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
            walk->errors->push_back(Line(path, Reason(errno)));
            continue;
        }
        if (S_ISDIR(st.st_mode)) {
            if (depth >= kDeepestFolder) {
                walk->errors->push_back(Line(path, "folders nested deeper than " + std::to_string(kDeepestFolder)));
                continue;
            }
            const int sub = openat(folder, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
            if (sub < 0) {
                if (walk->files) walk->errors->push_back(Line(path, Reason(errno)));
                continue;
            }
            WalkFolder(sub, path, below, depth + 1, walk);
            close(sub);
        } else if (walk->listed) {
            walk->listed->push_back(below);
        } else if (S_ISLNK(st.st_mode)) {
            walk->errors->push_back(Line(path, "is a symbolic link"));
        } else if (!S_ISREG(st.st_mode)) {
            walk->errors->push_back(Line(path, "not a regular file"));
        } else {
            std::string error;
            std::vector<uint8_t> bytes;
            if (ReadEntry(folder, name.c_str(), path, &bytes, &error)) (*walk->files)[below] = std::move(bytes);
            else walk->errors->push_back(error);
        }
    }
}

}  // namespace

bool ReadFolderTree(const std::string& dir, FileMap* files, std::vector<std::string>* errors) {
    files->clear();
    const size_t before = errors->size();
    const int folder = open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder < 0) {
        errors->push_back(Line(dir, Reason(errno)));
        return false;
    }
    Walk walk = {files, nullptr, errors};
    WalkFolder(folder, dir, "", 0, &walk);
    close(folder);
    return errors->size() == before;
}

std::vector<std::string> ListFolderTree(const std::string& dir) {
    std::vector<std::string> listed, errors;
    const int folder = open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder < 0) return listed;
    Walk walk = {nullptr, &listed, &errors};
    WalkFolder(folder, dir, "", 0, &walk);
    close(folder);
    return listed;
}

bool ReadFileBelow(const std::string& dir, const std::string& relative, std::vector<uint8_t>* bytes,
                   std::string* errorLine) {
    const std::string shown = dir + "/" + relative;
    int folder = open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    size_t start = 0;
    for (size_t slash = relative.find('/'); folder >= 0 && slash != std::string::npos;
         start = slash + 1, slash = relative.find('/', start)) {
        const std::string part = relative.substr(start, slash - start);
        const int sub = openat(folder, part.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        close(folder);
        folder = sub;
    }
    if (folder < 0) {
        *errorLine = Line(shown, Reason(errno));
        return false;
    }
    const bool read = ReadEntry(folder, relative.substr(start).c_str(), shown, bytes, errorLine);
    close(folder);
    return read;
}
