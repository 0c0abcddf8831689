// render.cpp -- `lndtool render` and `lndtool thumbnail`: pictures of
// landscapes drawn with the viewer's own setup, lists and frame, into an
// offscreen OpenGL context, without any window or display server.
#include <algorithm>
#include <cctype>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>
#include <system_error>
#include <vector>

#include "image/png_write.h"
#include "landscape/landscape_load.h"
#include "platform/large_pages.h"
#include "platform/offscreen_gl.h"
#include "platform/safe_write.h"
#include "scene/changes.h"
#include "scene/frame.h"
#include "scene/graphics.h"
#include "scene/landscape_scene.h"
#include "geometry/view.h"
#include "texture/material_synthesis.h"
#include "tools/command_files.h"
#include "tools/commands.h"
#include "tools/diff/change_marks.h"
#include "platform/landscape_files.h"

namespace {

void PrintLine(const std::string& line) { std::fprintf(stderr, "%s\n", line.c_str()); }

// What every picture of one run shares.
struct Picture {
    int width_px = 800;
    int height_px = 600;
    CameraView camera = kStartCamera;  // unless the overview decides
    bool overview = false;
    bool overlay = false;
    bool sayWritten = true;  // a line on standard output for each picture
    const CheckedLandscape* earlier = nullptr;  // mark what differs from it (--changes-from)
    std::string earlierPath;
};

bool EndsInPng(const std::string& path) {
    std::string end = path.size() >= 4 ? path.substr(path.size() - 4) : "";
    for (char& c : end) c = char(std::tolower((unsigned char)c));
    return end == ".png";
}

// Loads one landscape, draws it and writes the PNG; false (with the lines
// printed) when the file cannot be shown or the PNG cannot be written. What
// the load made is given back before the next file.
bool RenderOne(const std::string& file, const std::string& out, const Picture& picture) {
    LoadTranscript said;
    const LandscapeLoad landscape = LoadLandscapeFile(file.c_str(), &said);
    if (!landscape.Usable()) {
        PrintLine(said.error);
        return false;
    }
    for (const std::string& line : said.warnings) PrintLine(line);
    // The wireframe lists only when the picture shows them.
    SceneBuild how;
    how.wireframeLater = !picture.overlay;
    LandscapeScene scene = BuildLandscapeScene(landscape.checked, nullptr, how);

    double farPlane = kFarPlane;
    const CameraView camera =
        picture.overview ? OverviewCamera(landscape.checked, picture.width_px, picture.height_px, &farPlane)
                         : picture.camera;
    ApplyProjection(picture.width_px, picture.height_px, farPlane);
    DrawScene(&landscape.checked, camera, picture.overlay);
    if (picture.earlier) {
        const ChangeMarks marks = MarkChanges(*picture.earlier, landscape.checked);
        DrawChangeMarks(landscape.checked, marks.quads, marks.places);
        std::printf("changes from %s : %" PRIu64 " quads outlined, %" PRIu32 " places tinted\n",
                    picture.earlierPath.c_str(), marks.outlinedQuads, marks.tintedPlaces);
    }
    const size_t bytes = size_t(picture.width_px) * size_t(picture.height_px) * 3;
    std::vector<uint8_t> rgb(bytes), empty(bytes);
    ReadFramePicture(picture.width_px, picture.height_px, rgb.data());
    // The same view without the landscape: when nothing differs, the camera
    // sees no terrain at all.
    DrawScene(nullptr, camera, false);
    ReadFramePicture(picture.width_px, picture.height_px, empty.data());
    DestroyLandscapeScene(&scene);
    if (rgb == empty) PrintLine("WARNING : " + file + " : the camera sees no terrain; the picture is all sky");

    std::string error;
    if (!WritePngRgb8(out.c_str(), rgb.data(), picture.width_px, picture.height_px, &error)) {
        PrintLine(error);
        return false;
    }
    if (picture.sayWritten) std::printf("wrote %s\n", out.c_str());
    return true;
}

// The context for every picture of the run, set up as the viewer's window is.
bool OpenPictureContext(const Picture& picture) {
    PreferLargePagesForHeap(kLoadHeapBytes);
    std::string error;
    if (!OpenOffscreenContext(&error) || !SetOffscreenPictureSize(picture.width_px, picture.height_px, &error) ||
        !InitGraphics(OffscreenGlProcAddress, &error)) {
        PrintLine(error);
        CloseOffscreenContext();
        return false;
    }
    return true;
}

int RenderFiles(const std::vector<std::string>& files, const std::string& out, const std::string& outDir,
                const Picture& picture) {
    if (!OpenPictureContext(picture)) return 2;
    int status = 0;
    if (!out.empty()) {
        status = RenderOne(files[0], out, picture) ? 0 : 2;
    } else {
        // Several files: each one's picture is named after it, and a file
        // that cannot be shown does not stop the others. Two files of the
        // same name from different folders would share a picture: the later
        // one is refused rather than replace what this run has written.
        std::set<std::string> names;
        for (const std::string& file : files) {
            const std::string name = std::filesystem::path(file).stem().string() + ".png";
            const std::string out = (std::filesystem::path(outDir) / name).string();
            if (!names.insert(name).second) {
                PrintLine("ERROR : " + file + " : not drawn, its picture " + out +
                          " is that of an earlier file of this run");
                status = 1;
            } else if (!RenderOne(file, out, picture)) {
                status = 1;
            }
        }
    }
    CloseOffscreenContext();
    return status;
}

// The files to draw: each FILE, a folder standing for its .lnd files in name
// order. Each is registered as an input, which no picture may replace.
std::vector<std::string> FilesToDraw(const std::vector<std::string>& given) {
    std::vector<std::string> files;
    for (const std::string& file : given) {
        std::error_code fault;
        if (!std::filesystem::is_directory(file, fault)) {
            files.push_back(file);
            continue;
        }
        std::vector<std::string> names = LandscapeNamesIn(file);
        std::sort(names.begin(), names.end());
        for (const std::string& name : names) files.push_back((std::filesystem::path(file) / name).string());
    }
    for (const std::string& file : files) SafeWriteProtectInput(file);
    return files;
}

}  // namespace

int RunRender(const RenderOptions& options) {
    Picture picture;
    if (!ParsePictureSize(options.size, &picture.width_px, &picture.height_px)) {
        PrintLine("ERROR : lndtool render : --size wants WIDTHxHEIGHT in digits, such as 1920x1080, not '" +
                  options.size + "'");
        return 2;
    }
    if (options.out.empty() == options.outDir.empty()) {
        PrintLine("ERROR : lndtool render : give either --out PNG (one file) or --out-dir DIR");
        return 2;
    }
    const std::vector<std::string> files = FilesToDraw(options.files);
    if (!options.out.empty() && (files.size() != 1 || files[0] != options.files[0])) {
        PrintLine("ERROR : lndtool render : --out takes the picture of one file; use --out-dir DIR for " +
                  std::to_string(files.size()) + (options.files.size() == 1 ? " (the .lnd files of a folder)" : ""));
        return 2;
    }
    if (files.empty()) {
        PrintLine("ERROR : " + options.files[0] + " : holds no .lnd file to draw");
        return 2;
    }
    if (!options.out.empty() && !EndsInPng(options.out)) {
        PrintLine("ERROR : " + options.out + " : pictures are PNG files; give a name that ends in .png");
        return 2;
    }
    if (!options.camera.empty()) {
        if (options.overview) {
            PrintLine("ERROR : lndtool render : --camera and --overview each choose the view; give one");
            return 2;
        }
        if (!ParseCameraLine(options.camera, &picture.camera)) {
            PrintLine("ERROR : lndtool render : --camera wants the line the viewer prints on a middle click, "
                      "\"pos : X Y Z | rot: P Y R | zoom : Z\", not '" + options.camera + "'");
            return 2;
        }
    }
    picture.overview = options.overview;
    picture.overlay = options.overlay;
    StoredLandscape earlier;
    if (!options.changesFrom.empty()) {
        if (options.out.empty()) {
            PrintLine("ERROR : lndtool render : --changes-from draws one FILE into --out PNG");
            return 2;
        }
        SafeWriteProtectInput(options.changesFrom);
        if (!ReadUsableLandscape(options.changesFrom.c_str(), &earlier)) return 2;
        picture.earlier = &earlier.checked;
        picture.earlierPath = options.changesFrom;
    }
    if (!options.outDir.empty()) {
        std::error_code fault;
        std::filesystem::create_directories(options.outDir, fault);
        if (fault) {
            PrintLine("ERROR : " + options.outDir + " : cannot create the output folder: " + fault.message());
            return 2;
        }
    }
    return RenderFiles(files, options.out, options.outDir, picture);
}

int RunThumbnail(const ThumbnailOptions& options) {
    if (options.size < 1 || options.size > kLargestPictureSide) {
        PrintLine("ERROR : lndtool thumbnail : --size must be 1 to 8192, not " + std::to_string(options.size));
        return 2;
    }
    if (!EndsInPng(options.out)) {
        PrintLine("ERROR : " + options.out + " : pictures are PNG files; give a name that ends in .png");
        return 2;
    }
    Picture picture;
    picture.width_px = picture.height_px = options.size;
    picture.overview = true;
    picture.sayWritten = false;  // file managers ask for thumbnails; they read the file
    return RenderFiles({options.file}, options.out, "", picture);
}
