// file_identity_win32.cpp -- the volume serial number, file index and change
// time of an open handle (opened for no access, so an open file is no bar).
#include "platform/file_identity.h"

#include <windows.h>

bool IdentifyFile(const std::string& path, FileIdentity* out) {
    const HANDLE handle = CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                      OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return false;
    BY_HANDLE_FILE_INFORMATION info;
    FILE_BASIC_INFO basic;
    const bool known = GetFileInformationByHandle(handle, &info) &&
                       GetFileInformationByHandleEx(handle, FileBasicInfo, &basic, sizeof basic);
    CloseHandle(handle);
    if (!known) return false;
    out->device = uint64_t(info.dwVolumeSerialNumber);
    out->inode = (uint64_t(info.nFileIndexHigh) << 32) | uint64_t(info.nFileIndexLow);
    out->changed = int64_t(basic.ChangeTime.QuadPart);
    return true;
}
