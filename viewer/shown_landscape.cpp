// shown_landscape.cpp -- the shown landscape and its scene, replaced whole.
#include "viewer/shown_landscape.h"

#include <cstdio>

LandscapeLoad Landscape;
LandscapeScene Scene;

LoadTranscript ShowLandscape(const char* path) {
    LoadTranscript said;
    LandscapeLoad next = LoadLandscapeFile(path, &said);
    PrintLoadTranscript(said, stdout, stderr);
    // The lists and texture names of the new scene are those of the old one:
    // the old one goes first, then its bytes.
    DestroyLandscapeScene(&Scene);
    Landscape = std::move(next);
    if (Landscape.Usable()) {
        SceneBuild how;
        how.wireframeLater = true;
        Scene = BuildLandscapeScene(Landscape.checked, stdout, how);
    }
    return said;
}

void FinishShownScene() { FinishLandscapeScene(&Scene); }
