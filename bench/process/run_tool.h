// run_tool.h -- whole lndtool processes for the process benchmarks: the
// folder their files live in (made and removed by main) and a run of the
// tool without a display, timed from start to exit by the caller.
#pragma once

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

extern char** environ;

// The benchmarks' folder: sample.lnd (the default sample) and one.lnd (one block).
inline std::filesystem::path& BenchFolder() {
    static std::filesystem::path folder;
    return folder;
}

// Runs lndtool with `args` without DISPLAY; false when it fails.
inline bool RunTool(const std::vector<std::string>& args) {
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e)
        if (std::string(*e).rfind("DISPLAY=", 0) != 0 && std::string(*e).rfind("WAYLAND_DISPLAY=", 0) != 0)
            env.push_back(*e);
    std::vector<char*> argv = {const_cast<char*>(LNDTOOL_PATH)}, envp;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    for (std::string& e : env) envp.push_back(e.data());
    envp.push_back(nullptr);
    // Standard output (the tools' summaries) goes nowhere, so the report stays readable.
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    pid_t pid;
    const bool spawned = posix_spawn(&pid, LNDTOOL_PATH, &actions, nullptr, argv.data(), envp.data()) == 0;
    posix_spawn_file_actions_destroy(&actions);
    int status = 0;
    return spawned && waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}
