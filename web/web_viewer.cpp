// web_viewer.cpp -- the browser viewer's state and the functions the page
// calls: loading a file the page put into the module's file system, the
// camera rules of the native viewer applied to the page's pointer and keys,
// the panels' text and places, and the frame.
#include <emscripten/emscripten.h>
#include <emscripten/html5.h>
#include <GLES3/gl3.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "landscape/landscape_load.h"
#include "platform/clock.h"
#include "geometry/terrain_pick.h"
#include "geometry/view.h"
#include "texture/material_synthesis.h"
#include "geometry/camera.h"
#include "viewer/panels.h"
#include "web/web_renderer.h"

namespace {

LandscapeLoad g_Landscape;
bool g_Overlay = false, g_Help = false, g_Status = false;
int32_t g_DragMode = kDragNone;
int g_LastX = 0, g_LastY = 0, g_PointerX = 0, g_PointerY = 0;
bool g_PointerInside = false;
int g_Width = 800, g_Height = 600;
std::string g_Returned;  // what the last function returning text returned

const char* Return(const std::string& text) {
    g_Returned = text;
    return g_Returned.c_str();
}

std::string JsonString(const std::string& text) {
    std::string out = "\"";
    for (unsigned char c : text) {
        if (c == '"' || c == '\\') out += '\\', out += char(c);
        else if (c < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
            out += escaped;
        } else out += char(c);
    }
    return out + "\"";
}

std::vector<PanelLine> Plain(const std::vector<std::string>& texts) {
    std::vector<PanelLine> lines;
    for (const std::string& t : texts) lines.push_back({t});
    return lines;
}

int Columns(int pixels) { return std::max(8, (pixels - 2 * kPanelMargin - 2 * kPanelPadding) / kGlyphWidth); }

// The native window's panels, in the order they claim their room; a load
// fault says what the page can do next instead of how to quit.
std::vector<PanelRequest> Requests(int width_px, uint32_t nowMs, double framesPerSecond) {
    std::vector<PanelRequest> requests;
    const CheckedLandscape* shown = g_Landscape.Usable() ? &g_Landscape.checked : nullptr;
    if (g_Status) {
        std::vector<std::string> text;
        if (shown) {
            const TerrainPick pick = g_PointerInside ? PickTerrain(*shown, CurrentCamera(), g_Width, g_Height,
                                                                   g_PointerX, g_PointerY)
                                                     : TerrainPick();
            text.push_back(PickLine(pick));
        }
        for (const std::string& line : StatusLines(g_Landscape.path.c_str(), shown, CurrentCamera(), framesPerSecond))
            text.push_back(line);
        requests.push_back({PanelCorner::BottomLeft, Plain(text), width_px});
    }
    if (!LoadFault().empty()) {
        std::vector<std::string> text = WrapText(LoadFault(), Columns(width_px));
        text.push_back("");
        text.push_back("Drop another .lnd file on the page");
        requests.push_back({PanelCorner::TopLeft, Plain(text), width_px});
    }
    const std::vector<std::string> message = CurrentMessage(nowMs);
    if (!message.empty()) {
        std::vector<std::string> wrapped;
        for (const std::string& m : message)
            for (const std::string& w : WrapText(m, Columns(width_px / 2))) wrapped.push_back(w);
        requests.push_back({PanelCorner::TopRight, Plain(wrapped), width_px / 2});
    }
    if (g_Help) {
        std::vector<PanelLine> lines = Plain(HelpLines());
        if (g_Overlay && shown) {
            lines.push_back({""});
            for (const PanelLine& line : LegendLines(CountryLegend(*shown))) lines.push_back(line);
        }
        requests.push_back({PanelCorner::TopLeft, lines, width_px});
    }
    return requests;
}

}  // namespace

extern "C" {

// Opens the WebGL2 context on the page's canvas and builds the shaders;
// returns null when it worked, else the ERROR line.
EMSCRIPTEN_KEEPALIVE const char* lnd_start() {
    EmscriptenWebGLContextAttributes attributes;
    emscripten_webgl_init_context_attributes(&attributes);
    attributes.majorVersion = 2;
    attributes.minorVersion = 0;
    attributes.alpha = false;
    attributes.depth = true;
    attributes.antialias = false;  // the native frame has no multisampling
    attributes.preserveDrawingBuffer = true;  // the picture stays readable for F12
    const EMSCRIPTEN_WEBGL_CONTEXT_HANDLE context = emscripten_webgl_create_context("#canvas", &attributes);
    if (context <= 0) return Return("ERROR : this browser gives the page no WebGL2; the viewer needs it");
    emscripten_webgl_make_context_current(context);
    std::string error;
    if (!InitWebRenderer(&error)) return Return(error);
    SetCamera(kStartCamera);
    return nullptr;
}

// Loads `path` from the module's file system, printing what the native
// viewer prints; returns 1 when it is shown. The camera is not touched.
EMSCRIPTEN_KEEPALIVE int lnd_load(const char* path) {
    DestroyWebScene();
    g_Landscape = LandscapeLoad();
    LoadTranscript said;
    g_Landscape = LoadLandscapeFile(path, &said);
    PrintLoadTranscript(said, stdout, stderr);
    SetLoadFault(said.error);
    if (!g_Landscape.Usable()) return 0;
    BuildWebScene(g_Landscape.checked);
    const int32_t blocks = g_Landscape.checked.MapBlockCount();
    std::printf("%i cells rendered\n", blocks > 0 ? 256 * blocks : 0);
    if (!said.warnings.empty()) ShowMessage(said.warnings, MillisecondClock());
    return 1;
}

EMSCRIPTEN_KEEPALIVE const char* lnd_fault() { return LoadFault().c_str(); }

EMSCRIPTEN_KEEPALIVE void lnd_frame(int width_px, int height_px) {
    g_Width = width_px, g_Height = height_px;
    DrawWebFrame(g_Landscape.Usable() ? &g_Landscape.checked : nullptr, CurrentCamera(), g_Overlay, width_px,
                 height_px);
}

// Buttons and states as the native window numbers them (0 left, 1 middle,
// 2 right; 0 down, 1 up). A middle press prints the camera line.
EMSCRIPTEN_KEEPALIVE void lnd_mouse(int button, int state, int x, int y) {
    if (button == kMiddleButton) {
        if (state == kButtonDown) std::printf("%s\n", CameraLine(CurrentCamera()).c_str());
        return;
    }
    const DragTransition t = NextDragMode(g_DragMode, button, state);
    g_DragMode = t.mode;
    if (t.storePointer) g_LastX = x, g_LastY = y;
}

EMSCRIPTEN_KEEPALIVE void lnd_motion(int x, int y) {
    g_PointerX = x, g_PointerY = y, g_PointerInside = true;
    DragCamera(g_DragMode, x - g_LastX, y - g_LastY);
    g_LastX = x, g_LastY = y;
}

EMSCRIPTEN_KEEPALIVE void lnd_pointer_left() { g_PointerInside = false; }

EMSCRIPTEN_KEEPALIVE void lnd_wheel(int steps) { WheelCamera(steps); }

// One idle step: `held` has bit k set for movement key k (W S A D Q E) held,
// polled in that order, over the milliseconds from `previousMs` to `nowMs`.
EMSCRIPTEN_KEEPALIVE void lnd_fly(int held, uint32_t previousMs, uint32_t nowMs) {
    const float step = IdleStepSeconds(previousMs, nowMs) * kFlySpeed;
    for (int k = 0; k < kMoveKeyCount; ++k)
        if (held & (1 << k)) MoveCamera(MoveKey(k), step);
}

// The keys that are not movement: k, h, f, Tab (9), Home (36), F1 (112).
EMSCRIPTEN_KEEPALIVE void lnd_key(int key) {
    if (key == 'k') g_Overlay = !g_Overlay;
    else if (key == 'h' || key == 112) g_Help = !g_Help;
    else if (key == 9) g_Status = !g_Status;
    else if (key == 36) SetCamera(kStartCamera);
    else if (key == 'f' && g_Landscape.Usable()) {
        const Framing framing = FramingCamera(g_Landscape.checked, g_Width, g_Height);
        SetCamera(framing.view);
        if (!framing.fits) ShowMessage({"The landscape is too large to show whole: this is its centre"}, MillisecondClock());
    }
}

// Waits until the frame drawn so far is finished (a read of one pixel).
EMSCRIPTEN_KEEPALIVE void lnd_finish() {
    uint8_t pixel[4];
    glReadPixels(0, 0, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, pixel);
}

// For the benchmark: milliseconds to compute the material texture of every
// built block once, on this one thread, as loading does (levels aside).
EMSCRIPTEN_KEEPALIVE double lnd_time_synthesis() {
    if (!g_Landscape.Usable()) return 0.0;
    static uint16_t texels[kMaterialTextureTexels];
    const double start = emscripten_get_now();
    for (int32_t k = 0; k < g_Landscape.checked.MapBlockCount(); ++k)
        SynthesizeBlockMaterial(g_Landscape.checked.Block(k), MaterialSourcesOf(g_Landscape.checked), SplitBlendWeights,
                                UnsplitBlendWeights, texels);
    return emscripten_get_now() - start;
}

EMSCRIPTEN_KEEPALIVE int lnd_overlay() { return g_Overlay ? 1 : 0; }

EMSCRIPTEN_KEEPALIVE const char* lnd_camera_line() { return Return(CameraLine(CurrentCamera())); }

// Takes a camera line as the middle press prints it; 0 when it is not one.
EMSCRIPTEN_KEEPALIVE int lnd_set_camera_line(const char* line) {
    CameraView view = kStartCamera;
    if (!ParseCameraLine(line, &view)) return 0;
    SetCamera(view);
    return 1;
}

// The panels placed as the native window places them, as JSON: a list of
// boxes {left, top, width, height, lines: [{text, swatch: [r, g, b]}]}.
EMSCRIPTEN_KEEPALIVE const char* lnd_panels(int width_px, int height_px, double framesPerSecond) {
    std::string json = "[";
    for (const PanelBox& box : LayoutPanels(Requests(width_px, MillisecondClock(), framesPerSecond), width_px, height_px)) {
        if (json.size() > 1) json += ",";
        json += "{\"left\":" + std::to_string(box.left) + ",\"top\":" + std::to_string(box.top) +
                ",\"width\":" + std::to_string(box.width) + ",\"height\":" + std::to_string(box.height) + ",\"lines\":[";
        for (size_t i = 0; i < box.lines.size(); ++i) {
            const PanelLine& line = box.lines[i];
            json += std::string(i ? "," : "") + "{\"text\":" + JsonString(line.text);
            if (line.swatch) {
                char colour[96];
                std::snprintf(colour, sizeof colour, ",\"swatch\":[%g,%g,%g]", double(line.colour.x),
                              double(line.colour.y), double(line.colour.z));
                json += colour;
            }
            json += "}";
        }
        json += "]}";
    }
    return Return(json + "]");
}

}  // extern "C"
