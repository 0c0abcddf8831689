// json_text.h -- the text forms of the landscape folder's JSON, shared with
// `lndtool info --json`: the document's layout, reserved bytes as hex, and
// float32 values that read back to the same bits. Built on nlohmann-json.
#pragma once

#include <nlohmann/json.hpp>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The document with an indent of 2, except that a list or object of plain
// values (numbers, strings) stays on one line: a row of the block map, a
// country entry, a block's fields. UTF-8 is kept as it is, a byte that is no part of UTF-8 becomes
// U+FFFD. Ends in a newline.
std::string DumpJson(const nlohmann::ordered_json& document);

// size bytes as 2 x size lowercase hex digits.
std::string HexBytes(const uint8_t* bytes, size_t size);
// Exactly 2 x size hex digits (either case) into size bytes; false otherwise.
bool ParseHexBytes(const std::string& text, size_t size, uint8_t* bytes_out);

// A float32 as a JSON value that reads back to the same 32 bits: the
// shortest decimal number that does, or, for infinities and NaNs, which no
// JSON number can be, the string "0x" and the 8 hex digits of its bits.
nlohmann::ordered_json Float32Json(float value);
// The float32 of such a value (any float may be given by its bits); false
// when it is neither a number that fits a float32 nor such a string.
bool Float32FromJson(const nlohmann::json& value, float* out);

// JSON text parsed as nlohmann-json does, refusing also what it would take
// without a word: a key given twice in one object (the last one would win).
// A number too large for a double is refused with its place. On a fault
// returns false with *where_out set to "line L, column C" (or to the key's
// path and place) and *what_out to the sentence; *document_out is replaced.
bool ParseJsonStrictly(const uint8_t* text, size_t size, nlohmann::json* document_out, std::string* where_out,
                       std::string* what_out);
// The places ("line L, column C") of the values at `paths` in the text,
// each path written as pack names a value: keys joined by ".", list items
// as "[i]" ("blocks[3].lores_index"). An empty string for a path not found.
std::vector<std::string> JsonValuePlaces(const uint8_t* text, size_t size, const std::vector<std::string>& paths);
