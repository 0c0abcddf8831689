// file_dialog_posix.cpp -- the open-file chooser on POSIX desktops: zenity, kdialog, or a prompt.
#include "platform/file_dialog.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

extern char** environ;

namespace {

struct FilterEntry {
    std::string text;
    std::string pattern;  // "*.*" already widened to "*"
};

std::vector<FilterEntry> ParseFilter(const char* filter) {
    std::vector<FilterEntry> entries;
    while (*filter) {
        FilterEntry e;
        e.text = filter;
        filter += e.text.size() + 1;
        e.pattern = filter;
        filter += e.pattern.size() + 1;
        // On Linux many files have no dot; "all files" must still show them.
        if (e.pattern == "*.*") e.pattern = "*";
        entries.push_back(e);
    }
    return entries;
}

bool IsOnPath(const char* program) {
    const char* path = std::getenv("PATH");
    if (!path) return false;
    std::string dirs = path;
    size_t start = 0;
    while (start <= dirs.size()) {
        size_t end = dirs.find(':', start);
        if (end == std::string::npos) end = dirs.size();
        std::string candidate = dirs.substr(start, end - start);
        if (candidate.empty()) candidate = ".";
        candidate += "/";
        candidate += program;
        if (access(candidate.c_str(), X_OK) == 0) return true;
        start = end + 1;
    }
    return false;
}

bool HaveDisplay() {
    const char* x = std::getenv("DISPLAY");
    const char* w = std::getenv("WAYLAND_DISPLAY");
    return (x && *x) || (w && *w);
}

// Runs a chooser without a shell and collects what it prints. Returns its
// exit status, or -1 when it could not be run.
int RunChooser(const std::vector<std::string>& args, std::string* output) {
    int fds[2];
    if (pipe(fds) != 0) return -1;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, fds[0]);
    posix_spawn_file_actions_addclose(&actions, fds[1]);
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    pid_t pid;
    const int spawned = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    if (spawned != 0) {
        close(fds[0]);
        return -1;
    }
    char chunk[4096];
    ssize_t n;
    while ((n = read(fds[0], chunk, sizeof chunk)) > 0) output->append(chunk, size_t(n));
    close(fds[0]);
    int status = 0;
    if (waitpid(pid, &status, 0) < 0 || !WIFEXITED(status)) return -1;
    return WEXITSTATUS(status);
}

std::string TrimLineEnd(std::string line) {
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
    return line;
}

// Where a pick goes: the caller's buffer and its size.
struct PathBuffer {
    char* bytes;
    size_t capacity;
};

// A chosen path fits the buffer with its terminator, else the choice fails.
ChooseFileResult StorePath(std::string path, const PathBuffer& out) {
    path = TrimLineEnd(path);
    if (path.empty() || path.size() >= out.capacity) return kChooseFileCancelled;
    std::memcpy(out.bytes, path.c_str(), path.size() + 1);
    return kChooseFilePicked;
}

ChooseFileResult ChooseWithZenity(const char* title, const std::vector<FilterEntry>& filters, const PathBuffer& out) {
    std::vector<std::string> args = {"zenity", "--file-selection", std::string("--title=") + title};
    for (const FilterEntry& f : filters) args.push_back("--file-filter=" + f.text + " | " + f.pattern);
    std::string output;
    const int status = RunChooser(args, &output);
    return status == 0 ? StorePath(output, out) : kChooseFileCancelled;
}

ChooseFileResult ChooseWithKdialog(const char* title, const std::vector<FilterEntry>& filters, const PathBuffer& out) {
    std::string filterText;
    for (const FilterEntry& f : filters) {
        if (!filterText.empty()) filterText += "\n";
        filterText += f.pattern + "|" + f.text;
    }
    std::vector<std::string> args = {"kdialog", "--title", title, "--getopenfilename", ".", filterText};
    std::string output;
    const int status = RunChooser(args, &output);
    return status == 0 ? StorePath(output, out) : kChooseFileCancelled;
}

ChooseFileResult ChooseWithPrompt(const char* title, const std::vector<FilterEntry>& filters, const PathBuffer& out) {
    for (;;) {
        std::printf("%s - path of a %s file (empty line to cancel): ", title,
                    filters.empty() ? "landscape" : filters[0].text.c_str());
        std::fflush(stdout);
        char line[4096];
        if (!std::fgets(line, sizeof line, stdin)) return kChooseFileCancelled;
        const std::string path = TrimLineEnd(line);
        if (path.empty()) return kChooseFileCancelled;
        struct stat st;
        if (stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
            std::printf("WARNING : %s : no such file\n", path.c_str());
            continue;
        }
        char absolute[PATH_MAX];
        if (!realpath(path.c_str(), absolute)) return kChooseFileCancelled;
        return StorePath(absolute, out);
    }
}

}  // namespace

ChooseFileResult ChooseFile(const char* title, const char* filter, char* path_out, size_t path_capacity) {
    const std::vector<FilterEntry> filters = ParseFilter(filter);
    const PathBuffer out = {path_out, path_capacity};
    if (HaveDisplay() && IsOnPath("zenity")) return ChooseWithZenity(title, filters, out);
    if (HaveDisplay() && IsOnPath("kdialog")) return ChooseWithKdialog(title, filters, out);
    if (isatty(STDIN_FILENO)) return ChooseWithPrompt(title, filters, out);
    return kChooseFileUnavailable;
}

ChooseFileResult ChooseSaveFile(const char* title, const char* filter, char* path_out, size_t path_capacity) {
    const std::vector<FilterEntry> filters = ParseFilter(filter);
    const PathBuffer out = {path_out, path_capacity};
    std::vector<std::string> args;
    if (HaveDisplay() && IsOnPath("zenity")) {
        args = {"zenity", "--file-selection", "--save", "--confirm-overwrite", std::string("--title=") + title};
        for (const FilterEntry& f : filters) args.push_back("--file-filter=" + f.text + " | " + f.pattern);
    } else if (HaveDisplay() && IsOnPath("kdialog")) {
        std::string filterText;
        for (const FilterEntry& f : filters) filterText += (filterText.empty() ? "" : "\n") + f.pattern + "|" + f.text;
        args = {"kdialog", "--title", title, "--getsavefilename", ".", filterText};
    } else if (isatty(STDIN_FILENO)) {
        std::printf("%s - path to save to (empty line to cancel): ", title);
        std::fflush(stdout);
        char line[4096];
        if (!std::fgets(line, sizeof line, stdin)) return kChooseFileCancelled;
        return StorePath(line, out);
    } else {
        return kChooseFileUnavailable;
    }
    std::string output;
    return RunChooser(args, &output) == 0 ? StorePath(output, out) : kChooseFileCancelled;
}
