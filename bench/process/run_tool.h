// run_tool.h -- what the whole-process benchmarks share: lndtool started as
// a file manager or a script starts it, without a display, and the folder of
// the samples it reads.
#pragma once

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

extern char** environ;

// The folder the samples are written into before the benchmarks run.
inline std::filesystem::path& SampleFolder() {
    static std::filesystem::path folder;
    return folder;
}

// Runs lndtool with `args` without DISPLAY, its summary line on standard
// output thrown away; false when it fails (exits with another status than
// `status`: diff says 1 for files that differ).
inline bool RunTool(const std::vector<std::string>& args, int status_expected = 0) {
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e)
        if (std::string(*e).rfind("DISPLAY=", 0) != 0 && std::string(*e).rfind("WAYLAND_DISPLAY=", 0) != 0)
            env.push_back(*e);
    std::vector<char*> argv = {const_cast<char*>(LNDTOOL_PATH)}, envp;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    for (std::string& e : env) envp.push_back(e.data());
    envp.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t pid;
    const bool started = posix_spawn(&pid, LNDTOOL_PATH, &actions, nullptr, argv.data(), envp.data()) == 0;
    posix_spawn_file_actions_destroy(&actions);
    int status = 0;
    return started && waitpid(pid, &status, 0) == pid && WIFEXITED(status) &&
           WEXITSTATUS(status) == status_expected;
}

// Times whole runs of lndtool with `args`, start to exit.
inline void Process(benchmark::State& state, const std::vector<std::string>& args, int status_expected = 0) {
    for (auto _ : state)
        if (!RunTool(args, status_expected)) state.SkipWithError("lndtool failed");
}
