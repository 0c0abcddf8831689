// shown_landscape.cpp -- the shown landscape and its scene, replaced whole.
#include "viewer/shown_landscape.h"

#include <cstdio>

LandscapeLoad Landscape;
LandscapeScene Scene;
ShownEdits Edits;

const CheckedLandscape* ShownChecked() {
    if (Edits.active) return &Edits.edit.checked;
    return Landscape.Usable() ? &Landscape.checked : nullptr;
}

LoadTranscript ShowLandscape(const char* path, FILE* console) {
    // Whatever the new file holds, the old landscape goes first, its scene
    // and then its bytes: the new scene takes the same list ids, and the two
    // are never in memory together.
    DestroyLandscapeScene(&Scene);
    Edits = ShownEdits();
    Landscape = LandscapeLoad();
    LoadTranscript said;
    Landscape = LoadLandscapeFile(path, &said);
    PrintLoadTranscript(said, console, stderr);
    if (Landscape.Usable()) {
        SceneBuild how;
        how.wireframeLater = true;
        Scene = BuildLandscapeScene(Landscape.checked, console, how);
    }
    return said;
}

bool FinishShownScene() {
    if (!Scene.wireframesPending) return false;
    FinishLandscapeScene(&Scene);
    return true;
}

LoadTranscript ShowWatchedLandscape(const std::string& path, FileWatch* watch, FILE* console) {
    WatchFile(watch, path);
    return ShowLandscape(path.c_str(), console);
}
