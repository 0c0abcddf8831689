// shown_landscape.h -- the landscape the window shows and what it made in
// GL, and the one way to replace them.
#pragma once

#include <cstdio>

#include "landscape/brush.h"
#include "landscape/landscape_load.h"
#include "platform/landscape_files.h"
#include "scene/landscape_scene.h"

// Written only by ShowLandscape. Landscape.path is the landscape path (also
// of a file that failed to load); Landscape.bytes the Landscape buffer, null
// when nothing is shown.
extern LandscapeLoad Landscape;
extern LandscapeScene Scene;  // Scene.blockTextureNames are the BlockTextureNames

// The shown landscape as edited in the window, with the strokes made: started
// by the first stroke, dropped by ShowLandscape. While `active`, the frame,
// the pick and the saves take edit.checked, not Landscape.checked; `path` is
// the file a save writes (Landscape.path, or what a save-as chose).
struct ShownEdits {
    bool active = false;
    LandscapeEdit edit;
    EditHistory history;
    std::string path;
};
extern ShownEdits Edits;

// What the window shows: the edited landscape while there is one, else the
// landscape as loaded; null when nothing is shown.
const CheckedLandscape* ShownChecked();

// Reads and checks `path`, prints the transcript on `console` (the reasons
// a file cannot be opened on standard error), gives back the scene and
// bytes shown so far, and builds the new scene with the console output of
// each stage, leaving its wireframe lists until the next frame has been
// shown. A file that cannot be shown leaves nothing shown. Needs the
// window's GL context, InitGraphics done and the weight tables filled.
LoadTranscript ShowLandscape(const char* path, FILE* console = stdout);

// ShowLandscape with *watch stamped by the file as it is before it is read,
// at the first load as at every reload: a change written while it loads
// differs from the stamp, and the watch sees it.
LoadTranscript ShowWatchedLandscape(const std::string& path, FileWatch* watch, FILE* console = stdout);

// The wireframe lists the last ShowLandscape left, once its first frame is
// on the screen; false (doing nothing) when none were waiting.
bool FinishShownScene();
