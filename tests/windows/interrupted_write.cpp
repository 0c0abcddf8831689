// interrupted_write.cpp -- a writer caught in the middle: opens PATH with the
// safe writer, writes half of its bytes, prints the temporary's path and
// waits to be interrupted (Ctrl+C, Ctrl+Break, a closed console). The test
// that starts it checks that the temporary is gone and PATH untouched.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "platform/safe_write.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: interrupted_write PATH\n");
        return 2;
    }
    SafeWriteFile file;
    std::string error;
    const std::vector<unsigned char> half(40000, 0x5A);
    if (!SafeWriteOpen(argv[1], &file, &error) || !SafeWriteBytes(&file, half.data(), half.size(), &error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 2;
    }
    std::fflush(file.stream);
    std::printf("writing %s\n", file.tempPath.c_str());
    std::fflush(stdout);
    // Never finished on purpose; a minute at most, so a lost signal cannot
    // keep the test waiting for ever.
    Sleep(60000);
    std::printf("not interrupted\n");
    return 1;
}
