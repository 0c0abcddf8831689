// edit_list.h -- the edit-list fuzz target's input: a sequence of edits laid
// over a landscape, so mutations land on fields instead of being spread over
// half a megabyte of texels.
//
// An input is a run of entries, each
//   byte 0      area selector
//   bytes 1-3   offset inside that area, little-endian, taken modulo its size
//   byte 4      n, the number of bytes that follow
//   n bytes     written over the file from that offset on
// An entry with n = 0 resizes the file instead: its first four bytes, read as
// one little-endian word, modulo (MaxEditedLength + 1) give the new length
// (new bytes are 0). Written bytes that would fall past the current end are
// dropped; a trailing entry shorter than 5 bytes is ignored, and one whose
// bytes run short writes what there is.
//
// The areas are those of the starting landscape, in this order: the header;
// for each LoRes record its first 144 bytes (RecordSize and DDS header) and
// then the whole record; each block; each country; each material; the detail
// map; the whole file. The selector picks area (selector mod area count).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

struct EditArea {
    uint64_t start;
    uint64_t size;
};

// The areas of a well-formed landscape (as MakeSmallLandscape makes).
std::vector<EditArea> EditAreasOf(const std::vector<uint8_t>& landscape);

// The longest file edits can make from `base`: room for one more material
// (or LoRes texture, or some dozens of blocks), and no more, so that one input
// never makes the synthesis run over hundreds of blocks.
uint64_t MaxEditedLength(const std::vector<uint8_t>& base);

// The base file with the edits of input[0, size) applied, into *file
// (replaced; its storage is reused).
void ApplyEditList(const std::vector<uint8_t>& base, const std::vector<EditArea>& areas, const uint8_t* input,
                   size_t size, std::vector<uint8_t>* file);

// Builders for seeds and tests: append one write entry (area index, offset
// inside the area, bytes; at most 255) or one resize entry.
void AppendWriteEdit(std::vector<uint8_t>* input, uint8_t area, uint32_t offset, const std::vector<uint8_t>& bytes);
void AppendResizeEdit(std::vector<uint8_t>* input, uint32_t length);
