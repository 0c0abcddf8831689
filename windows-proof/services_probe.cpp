// services_probe.cpp -- the Windows services the viewer and lndtool lean on,
// checked under Wine: timeGetTime against Sleep, MoveFileExA and
// std::filesystem::rename over an existing file. Works in the folder it is
// started in; prints one line per check and exits 1 when one fails.
#include <windows.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>

namespace {

int g_failures = 0;

void Report(bool ok, const char* what, const std::string& detail)
{
    std::printf("%s %s: %s\n", ok ? "ok  " : "FAIL", what, detail.c_str());
    if (!ok) ++g_failures;
}

void WriteFile(const char* path, const char* text)
{
    std::ofstream(path, std::ios::binary) << text;
}

std::string ReadFile(const char* path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void CheckClock()
{
    const DWORD before_ms = timeGetTime();
    Sleep(200);
    const DWORD slept_ms = timeGetTime() - before_ms;
    Report(slept_ms >= 190 && slept_ms < 1000, "timeGetTime around Sleep(200)",
           std::to_string(slept_ms) + " ms");
}

// Both renames replace "target" by "source"; the export relies on that.
void CheckMoveFileEx()
{
    WriteFile("probe-old", "old");
    WriteFile("probe-new", "new");
    const BOOL moved = MoveFileExA("probe-new", "probe-old", MOVEFILE_REPLACE_EXISTING);
    const DWORD error = moved ? 0 : GetLastError();
    const std::string content = ReadFile("probe-old");
    Report(moved && content == "new" && !std::filesystem::exists("probe-new"),
           "MoveFileExA MOVEFILE_REPLACE_EXISTING over an existing file",
           "returned " + std::to_string(moved) + ", error " + std::to_string(error) +
               ", target now holds \"" + content + "\"");
    std::filesystem::remove("probe-old");
    std::filesystem::remove("probe-new");
}

void CheckFilesystemRename()
{
    WriteFile("probe-old", "old");
    WriteFile("probe-new", "new");
    std::error_code error;
    std::filesystem::rename("probe-new", "probe-old", error);
    const std::string content = ReadFile("probe-old");
    Report(!error && content == "new" && !std::filesystem::exists("probe-new"),
           "std::filesystem::rename over an existing file",
           "error \"" + error.message() + "\", target now holds \"" + content + "\"");
    std::filesystem::remove("probe-old");
    std::filesystem::remove("probe-new");
}

}  // namespace

int main()
{
    CheckClock();
    CheckMoveFileEx();
    CheckFilesystemRename();
    std::printf("%d failed\n", g_failures);
    return g_failures == 0 ? 0 : 1;
}
