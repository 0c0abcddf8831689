// main.cpp -- lndview's entry: choose the landscape, open the window, set up
// GL, load, and hand over to the GLUT loop.
#include <GL/freeglut.h>
#include <lnd_version.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "app/window.h"
#include "landscape/landscape_load.h"
#include "platform/console.h"
#include "platform/file_dialog.h"
#include "platform/key_state.h"
#include "platform/large_pages.h"
#include "platform/native_window.h"
#include "platform/path_limit.h"
#include "scene/graphics.h"
#include "scene/landscape_scene.h"
#include "texture/material_synthesis.h"
#include "geometry/camera.h"
#include "viewer/shown_landscape.h"
#include "viewer/workbench.h"

namespace {

const char kUsage[] =
    "Usage: lndview [FILE.lnd]\n"
    "       lndview --help | --version\n"
    "\n"
    "Shows a Thornveil landscape in a window and lets you fly over it. Without\n"
    "FILE a file chooser titled \"Load .lnd\" asks for one. A file whose name\n"
    "starts with '-' is opened as ./-name (-name is always an option).\n"
    "\n"
    "Controls:\n"
    "  W / S             fly forward / backward (200 units a second)\n"
    "  A / D             fly left / right\n"
    "  Q / E             fly up / down\n"
    "  left drag         turn (heading; tilt 0 to 90 degrees)\n"
    "  left+right drag   zoom (8 to 4096 units)\n"
    "  mouse wheel       zoom\n"
    "  middle click      print the camera line: pos : X Y Z | rot: P Y R | zoom : Z\n"
    "  k                 country wireframe on / off\n"
    "  l                 export the LoRes textures as DDS files next to the landscape\n"
    "  F1 or h           help panel (with the country colours while the wireframe is on)\n"
    "  o                 open another landscape\n"
    "  F5                reload (also done by itself when the file changes)\n"
    "  Page Down / Up    next / previous .lnd file of the folder\n"
    "  F12               save a picture of the view in Pictures/lndview\n"
    "  Tab               status line, and what is under the pointer\n"
    "  Home              back to the start view\n"
    "  f                 frame the whole landscape\n"
    "  b                 edit mode: sculpt and paint (its keys in the help panel)\n"
    "  Escape            quit\n"
    "\n"
    "Exit status: 0 the window was closed, Escape, or the chooser cancelled;\n"
    "1 the OpenGL driver lacks multitexturing; 2 bad usage, no graphical display,\n"
    "or a path longer than 511 characters.\n"
    "Pictures without a display: lndtool render (see lndtool --help).\n";

}  // namespace

int main(int argc, char** argv) {
    // Lines reach a pipe or terminal as soon as they are printed.
    SendStandardOutputLineByLine();

    // Options win over files of the same name: ./--help opens such a file.
    if (argc >= 2 && argv[1][0] == '-') {
        if (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0) {
            std::fputs(kUsage, stdout);
            return std::fflush(stdout) == 0 ? 0 : 2;
        }
        if (std::strcmp(argv[1], "--version") == 0) {
            std::printf("lndview %s\n", LND_VERSION);
            return std::fflush(stdout) == 0 ? 0 : 2;
        }
        std::fprintf(stderr, "ERROR : lndview : unknown option '%s' (see lndview --help; a file of that name opens as ./%s)\n",
                     argv[1], argv[1]);
        return 2;
    }

    // Said before anything else, so a user over SSH learns it at once.
    std::string why;
    if (!GraphicalDisplayAvailable(&why)) {
        std::fprintf(stderr, "ERROR : lndview : %s; the viewer needs a graphical display "
                             "(for pictures without one, use lndtool render)\n", why.c_str());
        return 2;
    }

    std::string path;
    bool chooserMissing = false;
    if (argc >= 2) {
        // Only argument 1 counts; further arguments are ignored.
        if (std::strlen(argv[1]) >= size_t(kLandscapePathSize)) {
            std::printf("ERROR : landscape path is longer than %d characters: %.60s...\n", kLandscapePathSize - 1,
                        argv[1]);
            return 2;
        }
        // Windows' file functions stop at 259 characters: said here, rather
        // than as a file that does not exist.
        if (std::strlen(argv[1]) > LongestSystemPath()) {
            std::printf("ERROR : landscape path is longer than %u characters, the longest path this system "
                        "opens: %.60s...\n",
                        unsigned(LongestSystemPath()), argv[1]);
            return 2;
        }
        path = argv[1];
    } else {
        char chosen[kLandscapePathSize];
        switch (ChooseFile("Load .lnd", kLandscapeFileFilter, chosen, sizeof chosen)) {
        case kChooseFilePicked:
            path = chosen;
            break;
        case kChooseFileCancelled:
            return 0;
        case kChooseFileUnavailable:
            // Started from a menu, perhaps: the window says what to do.
            std::printf("WARNING : no file chooser available (zenity, kdialog or a terminal); "
                        "pass the landscape as an argument: %s FILE.lnd, or install zenity and press o\n",
                        argv[0]);
            chooserMissing = true;
            break;
        }
    }

    PreferLargePagesForHeap(kLoadHeapBytes);

    // Forget key presses made before the window opened.
    for (int key = 0; key < 256; ++key) QueryAsyncKeyState(key);

    OpenWindow(argv[0]);
    RegisterCallbacks();
    std::string error;
    if (!InitGraphics(WindowGlProcAddress, &error)) {
        std::printf("%s\n", error.c_str());
        return 1;
    }
    SetCamera(kStartCamera);
    if (chooserMissing) SayNoChooser();
    else ShowFirstLandscape(path);
    StartFileWatch();
    glutMainLoop();
    return 0;
}
