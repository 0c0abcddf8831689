// record_lines.h -- every record of a landscape as text lines, one fact a
// line and each line naming its record ("block 40 altitude 6: ..."), in the
// file's order, so that a line-by-line diff of two listings shows what
// changed and where: `lndtool info --all`, git's textconv. The file's path
// appears nowhere, so the same bytes always give the same text. Pure.
#pragma once

#include <string>

#include "landscape/lnd_check.h"

// The listing of a checked file as stored on disk. A file the check refuses
// gives what is known of it (length, counts, the fault) and the SHA-256 of
// all its bytes.
std::string FormatRecordLines(const CheckedLandscape& landscape);
