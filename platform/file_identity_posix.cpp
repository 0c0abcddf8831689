// file_identity_posix.cpp -- stat's device, inode and change time.
#include "platform/file_identity.h"

#include <sys/stat.h>

bool IdentifyFile(const std::string& path, FileIdentity* out) {
    struct stat st;
    if (stat(path.c_str(), &st) != 0) return false;
    out->device = uint64_t(st.st_dev);
    out->inode = uint64_t(st.st_ino);
    out->changed = int64_t(st.st_ctim.tv_sec) * 1000000000 + int64_t(st.st_ctim.tv_nsec);
    return true;
}
