// main.cpp -- lndview's entry: choose the landscape, open the window, set up
// GL, load, and hand over to the GLUT loop.
#include <GL/freeglut.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "app/graphics.h"
#include "app/load_landscape.h"
#include "app/window.h"
#include "landscape/loaded_landscape.h"
#include "platform/file_dialog.h"
#include "platform/key_state.h"
#include "texture/material_synthesis.h"
#include "viewer/input.h"

int main(int argc, char** argv) {
    // Lines reach a pipe or terminal as soon as they are printed.
    std::setvbuf(stdout, nullptr, _IOLBF, 0);

    if (argc >= 2) {
        // Only argument 1 counts; further arguments are ignored.
        if (std::strlen(argv[1]) >= sizeof LandscapePath) {
            std::printf("ERROR : landscape path is longer than %d characters: %.60s...\n", kLandscapePathSize - 1,
                        argv[1]);
            return 2;
        }
        std::strcpy(LandscapePath, argv[1]);
    } else {
        char chosen[kLandscapePathSize];
        switch (ChooseFile("Load .lnd", kLandscapeFileFilter, chosen, sizeof chosen)) {
        case kChooseFilePicked:
            std::strcpy(LandscapePath, chosen);
            break;
        case kChooseFileCancelled:
            return 0;
        case kChooseFileUnavailable:
            std::printf("ERROR : no file chooser available (zenity, kdialog or a terminal); "
                        "pass the landscape as an argument: %s FILE.lnd\n",
                        argv[0]);
            return 2;
        }
    }

    FillStartBlendWeights(SplitBlendWeights, UnsplitBlendWeights);

    // Forget key presses made before the window opened.
    for (int key = 0; key < 256; ++key) QueryAsyncKeyState(key);

    OpenWindow(argv[0]);
    RegisterCallbacks();
    std::string error;
    if (!InitGraphics(WindowGlProcAddress, &error)) {
        std::printf("%s\n", error.c_str());
        return 1;
    }
    LoadLines said;
    LoadLandscape(&said);
    ShowLoadLines(said);
    glutMainLoop();

    delete[] Landscape;
    return 0;
}
