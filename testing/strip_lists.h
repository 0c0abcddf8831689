// strip_lists.h -- a built scene's display lists compiled again as one
// triangle strip per quad, the drawing the lists stand for, to compare the
// program's one-primitive lists against (pictures and frame times).
#pragma once

#include "landscape/lnd_check.h"
#include "scene/landscape_scene.h"

enum class StripLists {
    // A strip per quad, one after another: a display list compiler may join
    // consecutive strips (Mesa does), which breaks the strip order of their
    // triangles and draws some front faces as back faces.
    Joinable,
    // The same strips with a harmless state change between them, so that no
    // compiler joins them: what the strips mean, drawn as GL defines them.
    Separate,
};

// Replaces every textured and wireframe list `scene` compiled from
// `landscape` by the same state and vertices as strips.
void CompileStripLists(const LandscapeScene& scene, const CheckedLandscape& landscape, StripLists kind);
