// file_dialog_win32.cpp -- the open-file chooser on Windows: the common
// "Open" dialog of comdlg32.
#include "platform/file_dialog.h"

#include <windows.h>
#include <commdlg.h>

#include <climits>
#include <cstring>

ChooseFileResult ChooseFile(const char* title, const char* filter, char* path_out, size_t path_capacity) {
    if (path_capacity == 0) return kChooseFileCancelled;
    // Starts empty, so the dialog shows no file name at first.
    path_out[0] = '\0';
    OPENFILENAMEA dialog;
    std::memset(&dialog, 0, sizeof dialog);
    // The size without the members added after Windows NT 4: every version of
    // the dialog takes it, and it asks for nothing the newer members offer.
    dialog.lStructSize = OPENFILENAME_SIZE_VERSION_400A;
    dialog.hwndOwner = GetFocus();
    dialog.hInstance = GetModuleHandleA(nullptr);
    dialog.lpstrFilter = filter;
    dialog.lpstrCustomFilter = nullptr;
    dialog.nMaxCustFilter = 0;
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = path_out;
    dialog.nMaxFile = DWORD(path_capacity > DWORD(INT_MAX) ? DWORD(INT_MAX) : path_capacity);
    dialog.lpstrFileTitle = nullptr;
    dialog.nMaxFileTitle = 0;
    dialog.lpstrInitialDir = nullptr;
    dialog.lpstrTitle = title;
    // 0x281814: long names, the Explorer look, only existing files and
    // folders, a Help button, no read-only box.
    dialog.Flags = OFN_LONGNAMES | OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_SHOWHELP |
                   OFN_HIDEREADONLY;
    static_assert((OFN_LONGNAMES | OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_SHOWHELP |
                   OFN_HIDEREADONLY) == 0x281814);
    dialog.nFileOffset = 0;
    dialog.nFileExtension = 0;
    dialog.lpstrDefExt = nullptr;
    dialog.lCustData = 0;
    // A cancel, a closed dialog, a failure and a name too long for the
    // buffer (FNERR_BUFFERTOOSMALL) all come back as FALSE.
    return GetOpenFileNameA(&dialog) ? kChooseFilePicked : kChooseFileCancelled;
}

ChooseFileResult ChooseSaveFile(const char* title, const char* filter, char* path_out, size_t path_capacity) {
    if (path_capacity == 0) return kChooseFileCancelled;
    path_out[0] = '\0';
    OPENFILENAMEA dialog;
    std::memset(&dialog, 0, sizeof dialog);
    dialog.lStructSize = OPENFILENAME_SIZE_VERSION_400A;
    dialog.hwndOwner = GetFocus();
    dialog.hInstance = GetModuleHandleA(nullptr);
    dialog.lpstrFilter = filter;
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = path_out;
    dialog.nMaxFile = DWORD(path_capacity > DWORD(INT_MAX) ? DWORD(INT_MAX) : path_capacity);
    dialog.lpstrTitle = title;
    // A file that exists is confirmed before it is chosen.
    dialog.Flags = OFN_LONGNAMES | OFN_EXPLORER | OFN_PATHMUSTEXIST | OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY;
    dialog.lpstrDefExt = "lnd";
    return GetSaveFileNameA(&dialog) ? kChooseFilePicked : kChooseFileCancelled;
}
