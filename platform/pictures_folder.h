// pictures_folder.h -- where the desktop keeps the user's pictures: the
// Pictures folder on Windows (the shell's My Pictures), on POSIX desktops the
// XDG pictures directory (XDG_PICTURES_DIR, from the environment or from
// $XDG_CONFIG_HOME/user-dirs.dirs, else ~/Pictures).
#pragma once

#include <string>

// The folder's path (it may not exist yet); empty when no home is known.
std::string PicturesFolder();
