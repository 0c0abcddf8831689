// file_dialog.h -- the desktop's open-file dialog: one modal choice of an
// existing file. On Windows the common Open dialog (GetOpenFileNameA); on
// POSIX desktops zenity when present, else kdialog, else a one-line prompt
// on the terminal.
#pragma once

// The filter in the dialog's list form: display text and pattern, each
// NUL-terminated, one pair after another, an extra NUL after the last.
// The first entry is selected at start; a pattern "*.*" matches every file,
// with or without a dot.
inline constexpr char kLandscapeFileFilter[] =
    "Thornveil Land (*.lnd)\0*.lnd\0All Files<bad idea>(*.*)\0*.*\0";

enum ChooseFileResult {
    kChooseFileUnavailable = -1,  // no chooser could be shown at all (never on Windows)
    kChooseFileCancelled = 0,     // cancelled, closed, failed, or a path too long for the caller's buffer
    kChooseFilePicked = 1,        // path_out holds the file's absolute path
};

#include <cstddef>

// Shows the chooser titled `title` and, on a pick, stores the path with its
// terminator in path_out, which has room for path_capacity bytes. A path
// that does not fit counts as a cancel, as the desktop's dialog fails then.
ChooseFileResult ChooseFile(const char* title, const char* filter, char* path_out, size_t path_capacity);

// The desktop's save dialog, titled `title`, for a file that may not exist
// yet (a chosen file that exists is confirmed there first); on a pick its
// path goes to path_out as ChooseFile stores it. On POSIX: zenity, else
// kdialog, else a prompt on the terminal; on Windows the common Save dialog.
ChooseFileResult ChooseSaveFile(const char* title, const char* filter, char* path_out, size_t path_capacity);
