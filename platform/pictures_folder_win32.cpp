// pictures_folder_win32.cpp -- the user's Pictures folder, as the shell names it.
#include "platform/pictures_folder.h"

#include <windows.h>
#include <shlobj.h>

std::string PicturesFolder() {
    char path[MAX_PATH];
    if (SHGetFolderPathA(nullptr, CSIDL_MYPICTURES | CSIDL_FLAG_CREATE, nullptr, SHGFP_TYPE_CURRENT, path) != S_OK)
        return "";
    return path;
}
