// dialog_probe.cpp -- opens the "Load .lnd" file dialog the viewer will use
// (GetOpenFileNameA with the 4.00 structure size) and prints what it returned.
#include <windows.h>
#include <commdlg.h>

#include <cstdio>

int main()
{
    char path[512] = "";
    OPENFILENAMEA ofn{};
    ofn.lStructSize = OPENFILENAME_SIZE_VERSION_400A;
    ofn.lpstrFilter = "Thornveil Land (*.lnd)\0*.lnd\0All Files<bad idea>(*.*)\0*.*\0";
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = path;
    ofn.nMaxFile = sizeof path;
    ofn.lpstrTitle = "Load .lnd";
    ofn.Flags = OFN_LONGNAMES | OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST |
                OFN_SHOWHELP | OFN_HIDEREADONLY;
    std::printf("dialog opening\n");
    std::fflush(stdout);
    if (GetOpenFileNameA(&ofn)) {
        std::printf("chosen: %s\n", path);
        return 0;
    }
    std::printf("cancelled, CommDlgExtendedError %lu\n", CommDlgExtendedError());
    return 1;
}
