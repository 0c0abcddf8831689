// workbench.cpp -- opening, reloading, stepping, watching and pictures.
#include "viewer/workbench.h"

#include <GL/freeglut.h>

#include <cstdio>
#include <filesystem>
#include <system_error>

#include "image/png_write.h"
#include "platform/clock.h"
#include "platform/file_dialog.h"
#include "platform/pictures_folder.h"
#include "scene/frame.h"
#include "geometry/camera.h"
#include "platform/landscape_files.h"
#include "viewer/edit_mode.h"
#include "viewer/panels.h"
#include "viewer/shown_landscape.h"

namespace {

constexpr unsigned kWatchMilliseconds = 500;  // how often the file is looked at
constexpr const char* kNoChooserLine =
    "WARNING : no file chooser was found (zenity or kdialog): the landscape stays; install zenity and press o, or "
    "open another .lnd file with lndview from your file manager";

// A load asked for and not yet run: the frame saying so comes first.
struct RequestedLoad {
    bool waiting = false;
    std::string path;
    bool keepCamera = false;
} g_Requested;

FileWatch g_Watch;             // the shown landscape's file
bool g_PictureRequested = false;

std::string NameOf(const std::string& path) { return std::filesystem::path(path).filename().string(); }

void RedrawWhenMessageEnds(int) { glutPostRedisplay(); }

void LookAtFile(int) {
    if (!g_Requested.waiting && !g_Watch.path.empty() && FileWatchSettled(&g_Watch, StampOf(g_Watch.path)) &&
        MayReloadChangedFile())
        RequestLoad(g_Watch.path, true);
    glutTimerFunc(kWatchMilliseconds, LookAtFile, 0);
}

}  // namespace

void Say(const std::vector<std::string>& lines) {
    ShowMessage(lines, MillisecondClock());
    glutTimerFunc(kMessageMilliseconds + 20, RedrawWhenMessageEnds, 0);
    glutPostRedisplay();
}

void ShowLoadLines(const LoadTranscript& said) {
    SetLoadFault(said.error);
    if (!said.warnings.empty()) Say(said.warnings);
}

void ShowFirstLandscape(const std::string& path) { ShowLoadLines(ShowWatchedLandscape(path, &g_Watch)); }

void StartFileWatch() { glutTimerFunc(kWatchMilliseconds, LookAtFile, 0); }

void RequestLoad(const std::string& path, bool keepCamera) {
    g_Requested = {true, path, keepCamera};
    Say({"Loading " + NameOf(path) + " ..."});
}

void RunRequestedLoad() {
    if (!g_Requested.waiting) return;
    const RequestedLoad request = g_Requested;
    g_Requested = RequestedLoad();
    const bool same = request.path == Landscape.path;
    const LoadTranscript said = ShowWatchedLandscape(request.path, &g_Watch);
    if (!request.keepCamera) SetCamera(kStartCamera);
    SetLoadFault(said.error);
    std::vector<std::string> lines;
    if (said.error.empty()) lines.push_back((same ? "Reloaded " : "Opened ") + NameOf(request.path));
    lines.insert(lines.end(), said.warnings.begin(), said.warnings.end());
    if (said.error.empty()) Say(lines);
    else ShowMessage({}, MillisecondClock());
    glutPostRedisplay();
}

void OpenAnotherLandscape() {
    char chosen[kLandscapePathSize];
    switch (ChooseFile("Load .lnd", kLandscapeFileFilter, chosen, sizeof chosen)) {
    case kChooseFilePicked:
        RequestLoad(chosen, chosen == Landscape.path);
        break;
    case kChooseFileCancelled:
        break;
    case kChooseFileUnavailable:
        if (Landscape.path.empty()) {
            SayNoChooser();
            break;
        }
        // The shown landscape (or its fault) stays: only the chooser is missing.
        std::printf("%s\n", kNoChooserLine);
        std::fflush(stdout);
        Say({kNoChooserLine});
        break;
    }
}

void WatchOwnWrite(const std::string& path) { WatchFile(&g_Watch, path); }

void ReloadLandscape() {
    // The watched file: the landscape's, or the one a save-as wrote.
    const std::string& path = g_Watch.path.empty() ? Landscape.path : g_Watch.path;
    if (!path.empty()) RequestLoad(path, true);
}

void StepThroughFolder(int step) {
    if (Landscape.path.empty()) return;
    const std::string next = NeighbourLandscape(Landscape.path, step);
    if (!next.empty()) RequestLoad(next, next == Landscape.path);
}

void RequestPicture() {
    g_PictureRequested = true;
    glutPostRedisplay();
}

void SaveRequestedPicture(int width_px, int height_px) {
    if (!g_PictureRequested) return;
    g_PictureRequested = false;
    std::vector<uint8_t> rgb(size_t(width_px) * size_t(height_px) * 3);
    ReadFramePicture(width_px, height_px, rgb.data());

    std::string line;
    const std::string pictures = PicturesFolder();
    const std::string folder = (std::filesystem::path(pictures) / "lndview").string();
    std::error_code fault;
    if (pictures.empty()) {
        line = "ERROR : no pictures folder (HOME is not set): the picture was not saved";
    } else if (std::filesystem::create_directories(folder, fault), fault) {
        line = "ERROR : " + folder + " : " + fault.message();
    } else {
        const std::string stem =
            Landscape.path.empty() ? "lndview" : std::filesystem::path(Landscape.path).stem().string();
        const std::string path = NextPictureName(folder, stem);
        if (WritePngRgb8(path.c_str(), rgb.data(), width_px, height_px, &line)) line = "Saved picture " + path;
    }
    std::printf("%s\n", line.c_str());
    std::fflush(stdout);
    Say({line});
}

void SayNoChooser() {
    SetLoadFault("No landscape is open, and no file chooser was found (zenity or kdialog). Open a .lnd file "
                 "with lndview from your file manager, or install zenity and press o.");
}
