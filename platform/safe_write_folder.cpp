// safe_write_folder.cpp -- a folder written whole: staged in a hidden folder
// beside it and put in its place in one step, over the operations each
// system's writer gives (safe_write_system.h).
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <set>
#include <string>
#include <system_error>
#include <vector>

#include "platform/safe_write.h"
#include "platform/safe_write_system.h"

namespace fs = std::filesystem;

namespace {

std::string Line(const std::string& path, const std::string& reason) { return "ERROR : " + path + " : " + reason; }

// What was made for the new folder, registered for removal on a signal
// until it is in place.
struct Staging {
    fs::path folder;
    std::vector<int> folderSlots;
    std::vector<int> linkSlots;

    void Unregister() {
        for (int slot : linkSlots) UnregisterTemporary(slot);
        for (int slot : folderSlots) UnregisterTemporaryFolder(slot);
        linkSlots.clear();
        folderSlots.clear();
    }
    void Remove() {
        Unregister();
        std::error_code ignored;
        if (!folder.empty()) fs::remove_all(folder, ignored);
    }
};

bool MakeFolder(Staging* staging, const fs::path& folder, const std::string& shown, std::string* errorLine) {
    staging->folderSlots.push_back(RegisterTemporaryFolder(folder.string()));
    std::error_code fault;
    fs::create_directory(folder, fault);
    if (!fault) return true;
    *errorLine = Line(shown, "cannot create the folder: " + fault.message());
    return false;
}

// A new hidden folder beside `dir`, named after it and the process.
bool MakeStagingFolder(const fs::path& dir, const std::string& tag, Staging* staging, std::string* errorLine) {
    const fs::path parent = dir.has_parent_path() ? dir.parent_path() : fs::path(".");
    static unsigned long counter = 0;
    for (int attempt = 0; attempt < 100; ++attempt) {
        const fs::path folder =
            parent / TemporaryName(dir.filename().string() + tag, ProcessIdForNames(), ++counter);
        const int slot = RegisterTemporaryFolder(folder.string());
        std::error_code fault;
        if (fs::create_directory(folder, fault)) {
            staging->folder = folder;
            staging->folderSlots.push_back(slot);
            return true;
        }
        UnregisterTemporaryFolder(slot);
        if (fault) {
            *errorLine = Line(dir.string(), "cannot create a folder beside it: " + fault.message());
            return false;
        }
    }
    *errorLine = Line(dir.string(), "cannot create a folder beside it: " + std::string(std::strerror(EEXIST)));
    return false;
}

// Every folder the relative paths need, parents first.
std::set<std::string> FoldersOf(const std::vector<std::string>& paths) {
    std::set<std::string> folders;
    for (const std::string& path : paths)
        for (size_t slash = path.find('/'); slash != std::string::npos; slash = path.find('/', slash + 1))
            folders.insert(path.substr(0, slash));
    return folders;
}

// The staged folder takes `dir`'s place; an old folder goes to *old, for
// its removal.
int PutInPlace(const fs::path& staged, const fs::path& dir, bool replacing, fs::path* old) {
    if (!replacing) return MoveFolder(staged.string(), dir.string());
    if (ExchangeFolders(staged.string(), dir.string()) == 0) {
        *old = staged;
        return 0;
    }
    // Moved aside first, so that `dir` names either the old folder, nothing,
    // or the new folder.
    const fs::path aside = staged.string() + ".old";
    if (const int e = MoveFolder(dir.string(), aside.string())) return e;
    if (const int e = MoveFolder(staged.string(), dir.string())) {
        MoveFolder(aside.string(), dir.string());
        return e;
    }
    *old = aside;
    return 0;
}

}  // namespace

bool SafeWriteFolder(const std::string& dirName, const std::vector<SafeWriteItem>& files,
                     const std::vector<std::string>& carried, std::string* errorLine) {
    std::error_code fault;
    fs::path dir(dirName);
    // A link given as the folder leads to the folder it names.
    if (fs::is_symlink(dir, fault)) {
        dir = fs::canonical(dir, fault);
        if (fault) {
            *errorLine = Line(dirName, fault.message());
            return false;
        }
    }
    const fs::file_status old = fs::symlink_status(dir, fault);
    const bool replacing = old.type() == fs::file_type::directory;
    if (!replacing && old.type() != fs::file_type::not_found) {
        *errorLine = Line(dirName, fault ? fault.message() : "exists and is not a folder");
        return false;
    }
    Staging staging;
    if (!MakeStagingFolder(dir, "", &staging, errorLine)) return false;
    const std::string stagedName = staging.folder.string();
    // Lines name the files as they end up.
    const auto shown = [&](const std::string& relative) { return dirName + "/" + relative; };
    const auto fail = [&](std::string line) {
        staging.Remove();
        for (size_t at = line.find(stagedName); at != std::string::npos; at = line.find(stagedName, at))
            line.replace(at, stagedName.size(), dirName);
        *errorLine = line;
        return false;
    };
    if (replacing) fs::permissions(staging.folder, old.permissions(), fault);

    std::vector<std::string> relatives = carried;
    for (const SafeWriteItem& file : files) relatives.push_back(file.path);
    for (const std::string& folder : FoldersOf(relatives))
        if (!MakeFolder(&staging, staging.folder / folder, shown(folder), errorLine)) return fail(*errorLine);

    // Files of the old folder that stay: a second name for each (a copy
    // where the file system gives none), so the old folder keeps them until
    // the new one is in place. A link is carried as the link it is.
    for (const std::string& relative : carried) {
        const fs::path to = staging.folder / relative;
        staging.linkSlots.push_back(RegisterTemporary(to.string()));
        fs::create_hard_link(dir / relative, to, fault);
        if (fault) fs::copy(dir / relative, to, fs::copy_options::copy_symlinks, fault);
        if (fault) return fail(Line(shown(relative), "cannot keep it in the new folder: " + fault.message()));
    }

    std::vector<SafeWriteItem> items = files;
    for (SafeWriteItem& item : items) item.path = (staging.folder / item.path).string();
    SafeWriteStaged staged;
    std::string line;
    if (!SafeWriteStage(items, SafeWriteLinks::Refuse, &staged, &line)) return fail(line);

    HoldStopSignals(true);
    fs::path previous;
    int moved = 0;
    if (!SafeWriteRenameStaged(&staged, &line) ||
        (moved = PutInPlace(staging.folder, dir, replacing, &previous)) != 0) {
        HoldStopSignals(false);
        return fail(moved ? WriteErrorLine(dirName, moved) : line);
    }
    SyncFolder(dir.has_parent_path() ? dir.parent_path().string() : std::string("."));
    staging.Unregister();
    // The old folder goes last; its links are removed, never followed.
    if (!previous.empty()) fs::remove_all(previous, fault);
    HoldStopSignals(false);
    return true;
}
