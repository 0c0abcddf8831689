// pictures_folder_posix.cpp -- the XDG pictures directory.
#include "platform/pictures_folder.h"

#include <cstdlib>
#include <fstream>

namespace {

std::string Environment(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

// The value of XDG_PICTURES_DIR in a user-dirs.dirs file: a shell
// assignment of a quoted path that may start with $HOME.
std::string FromUserDirs(const std::string& file, const std::string& home) {
    std::ifstream in(file);
    std::string line;
    const std::string key = "XDG_PICTURES_DIR=\"";
    while (std::getline(in, line)) {
        if (line.compare(0, key.size(), key) != 0 || line.size() < key.size() + 1 || line.back() != '"') continue;
        std::string path = line.substr(key.size(), line.size() - key.size() - 1);
        if (path.compare(0, 5, "$HOME") == 0) path = home + path.substr(5);
        if (!path.empty() && path[0] == '/') return path;
    }
    return "";
}

}  // namespace

std::string PicturesFolder() {
    const std::string home = Environment("HOME");
    std::string folder = Environment("XDG_PICTURES_DIR");
    if (!folder.empty()) return folder;
    std::string config = Environment("XDG_CONFIG_HOME");
    if (config.empty() && !home.empty()) config = home + "/.config";
    if (!config.empty()) folder = FromUserDirs(config + "/user-dirs.dirs", home);
    if (!folder.empty()) return folder;
    return home.empty() ? "" : home + "/Pictures";
}
