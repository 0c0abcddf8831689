// load_landscape.h -- reading the landscape named by LandscapePath and
// building everything the viewer draws from it.
#pragma once

#include <GL/gl.h>

#include <cstdint>

// Area starts inside Landscape, in bytes from the start of the file; set
// once by LoadLandscape for an accepted file.
extern uint64_t BlockArea;
extern uint64_t CountryArea;
extern uint64_t MaterialArea;
extern uint64_t DetailMap;

// One generated material texture name per block; element k belongs to block k.
extern GLuint* BlockTextureNames;

// Prints the loading line and the counts, checks the file, uploads the LoRes
// textures, reserves the block texture names and runs the build stages:
// material synthesis, textured lists, wireframe lists. A file that cannot be
// read or fails the structural check leaves Landscape null, with one
// "ERROR : " line; record faults it can survive get one "WARNING : " line
// per kind. Needs a current GL context and InitGraphics done.
void LoadLandscape();
