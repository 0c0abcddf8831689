// landscape_files.cpp -- folder listings, file stamps and picture names.
#include "platform/landscape_files.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <system_error>

#include "platform/file_identity.h"

namespace fs = std::filesystem;

std::string NeighbourName(std::vector<std::string> names, const std::string& current, int step) {
    if (names.empty()) return "";
    std::sort(names.begin(), names.end());
    const auto at = std::lower_bound(names.begin(), names.end(), current);
    const int count = int(names.size());
    int index = int(at - names.begin());
    if (at == names.end() || *at != current) {
        // Not there (gone, or not a landscape): the names around where it was.
        index = step > 0 ? index - 1 : index;
    }
    const int next = ((index + step) % count + count) % count;
    return names[size_t(next)];
}

std::vector<std::string> LandscapeNamesIn(const std::string& folder) {
    std::vector<std::string> names;
    std::error_code fault;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder.empty() ? "." : folder, fault)) {
        std::error_code ignored;
        if (!entry.is_regular_file(ignored)) continue;
        std::string name = entry.path().filename().string();
        std::string extension = name.size() >= 4 ? name.substr(name.size() - 4) : "";
        std::transform(extension.begin(), extension.end(), extension.begin(),
                       [](unsigned char c) { return char(std::tolower(c)); });
        if (extension == ".lnd") names.push_back(name);
    }
    return names;
}

std::string NeighbourLandscape(const std::string& path, int step) {
    const fs::path p(path);
    const std::string folder = p.parent_path().string();
    const std::string name = NeighbourName(LandscapeNamesIn(folder), p.filename().string(), step);
    if (name.empty()) return "";
    return folder.empty() ? name : (p.parent_path() / name).string();
}

FileStamp StampOf(const std::string& path) {
    FileStamp stamp;
    std::error_code fault;
    const fs::file_status status = fs::status(path, fault);
    if (fault || !fs::is_regular_file(status)) return stamp;
    stamp.exists = true;
    stamp.size = fs::file_size(path, fault);
    stamp.modified = int64_t(fs::last_write_time(path, fault).time_since_epoch().count());
    FileIdentity identity;
    if (IdentifyFile(path, &identity)) {
        stamp.device = identity.device;
        stamp.inode = identity.inode;
        stamp.changed = identity.changed;
    }
    return stamp;
}

void WatchFile(FileWatch* watch, const std::string& path) {
    watch->path = path;
    watch->seen = path.empty() ? FileStamp() : StampOf(path);
    watch->changing = false;
}

bool FileWatchSettled(FileWatch* watch, const FileStamp& now) {
    if (!(now == watch->seen)) {
        // Still being written, perhaps: wait for a look that sees no change.
        watch->seen = now;
        watch->changing = true;
        return false;
    }
    const bool settled = watch->changing;
    watch->changing = false;
    return settled;
}

std::string NextPictureName(const std::string& folder, const std::string& stem) {
    for (unsigned n = 1;; ++n) {
        const fs::path candidate = fs::path(folder) / (stem + "-" + std::to_string(n) + ".png");
        std::error_code fault;
        if (!fs::exists(fs::symlink_status(candidate, fault))) return candidate.string();
    }
}
