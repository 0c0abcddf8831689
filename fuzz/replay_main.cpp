// replay_main.cpp -- runs a fuzz target's body over saved inputs, without
// libFuzzer: every file named, and every file inside every folder named
// (recursively, in name order). Built with the project's own compiler, plain
// and with the sanitizers, so each finding kept under fuzz/regressions stays
// fixed in the ordinary test runs.
//
// A failing input aborts (or the sanitizer stops the process); the line
// naming it is printed first. Exits 2 when no input was found at all, so a
// missing folder cannot pass for a clean replay.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace fs = std::filesystem;

int main(int argc, char** argv) {
    std::vector<fs::path> inputs;
    for (int a = 1; a < argc; ++a) {
        const fs::path named(argv[a]);
        std::error_code fault;
        if (fs::is_directory(named, fault)) {
            for (const fs::directory_entry& entry : fs::recursive_directory_iterator(named, fault))
                if (entry.is_regular_file()) inputs.push_back(entry.path());
        } else if (fs::is_regular_file(named, fault)) {
            inputs.push_back(named);
        } else {
            std::fprintf(stderr, "ERROR : %s : no such file or folder\n", argv[a]);
            return 2;
        }
    }
    std::sort(inputs.begin(), inputs.end());
    if (inputs.empty()) {
        std::fprintf(stderr, "ERROR : fuzz replay : no input found\n");
        return 2;
    }
    for (const fs::path& path : inputs) {
        std::ifstream in(path, std::ios::binary);
        const std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        if (!in.good() && !in.eof()) {
            std::fprintf(stderr, "ERROR : %s : cannot read\n", path.c_str());
            return 2;
        }
        std::printf("replaying %s (%zu bytes)\n", path.c_str(), bytes.size());
        std::fflush(stdout);
        LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    }
    std::printf("replayed %zu inputs, none failed\n", inputs.size());
    return 0;
}
