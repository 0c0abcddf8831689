// tiny_gltf_build.cpp -- the glTF library's code, compiled once here. The
// build turns its image decoding and encoding off for every file that
// includes it (the export hands it PNG bytes of its own); only its stream
// writer is called, so every file goes through the safe writer.
#define TINYGLTF_IMPLEMENTATION
#include <tiny_gltf.h>
