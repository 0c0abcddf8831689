// run_command_line.cpp -- runs one Windows command line as the shell runs a
// registered command ("Open" of a file type, an UninstallString): the whole
// string goes to CreateProcess unchanged and the program splits it by its
// own rules. Waits for the program and returns its exit status; 255 when
// it cannot be started. Its standard handles are the program's.
#include <windows.h>

#include <cstdio>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: run_command_line \"COMMAND LINE\"\n");
        return 255;
    }
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(nullptr, argv[1], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process)) {
        std::fprintf(stderr, "ERROR : %s : CreateProcess failed (%lu)\n", argv[1], GetLastError());
        return 255;
    }
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD status = 255;
    GetExitCodeProcess(process.hProcess, &status);
    return static_cast<int>(status);
}
