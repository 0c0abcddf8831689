// seam_mending.h -- `pack --mend-seams`: which block pictures of a folder
// were edited since unpack (their SHA-256 in landscape.json), and the
// landscape packed from it with its seams mended from the edited sides. Pure.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "landscape/seams.h"
#include "tools/folder/landscape_folder.h"

// The block picture that holds a seam field: "blocks/<k>-altitude.png", ...
std::string SeamPictureName(SeamField field, int32_t k);

// Mends `landscape` (packed from `folder`, usable) in place. A picture
// without a recorded hash counts as edited. Returns the faults mended; on a
// conflict, *errors gets one line per pair of pictures that disagree,
// "ERROR : <folderName>/<a> and <folderName>/<b> : ...", and the landscape
// is left as it was.
uint64_t MendFolderSeams(const FolderFiles& folder, const std::string& folderName, std::vector<uint8_t>* landscape,
                         std::vector<std::string>* errors);
