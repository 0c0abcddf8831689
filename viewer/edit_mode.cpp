// edit_mode.cpp -- the edit mode: brush keys, strokes, undo, saves, the
// question before edits are dropped, the ring and the texts.
#include "viewer/edit_mode.h"

#include <GL/freeglut.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "landscape/map_grid.h"
#include "platform/file_dialog.h"
#include "platform/gl_entry_points.h"
#include "platform/safe_write.h"
#include "geometry/terrain_pick.h"
#include "geometry/camera.h"
#include "viewer/input.h"
#include "viewer/shown_landscape.h"
#include "viewer/window_title.h"
#include "viewer/workbench.h"

bool EditModeOn = false;

namespace {

BrushSettings g_Brush;
int g_RadiusStep = kStartBrushRadiusStep;
Stroke g_Stroke;
bool g_Stroking = false;
bool g_Dabbed = false;          // the stroke has made its first dab
double g_LastDabX, g_LastDabZ;  // world units: where the stroke's last dab fell
std::string g_Why;              // why the last stroke left places as they were
int g_AskedBy = 0;              // the key whose question is open; 0: none
bool g_TitleUnsaved = false;    // the title shows the "*"

constexpr unsigned char kCtrlS = 19, kCtrlY = 25, kCtrlZ = 26;
constexpr int kRingPoints = 64;

const char* const kToolNames[kBrushToolCount] = {"raise", "lower", "flatten", "smooth", "paint country"};

bool Unsaved() { return Edits.active && Edits.history.Unsaved(); }

void Tell(const std::string& line) {
    std::printf("%s\n", line.c_str());
    std::fflush(stdout);
    Say({line});
}

// The first stroke copies the loaded bytes; the scene reads the copy from then on.
bool StartEditing() {
    if (Edits.active) return true;
    if (!Landscape.Usable()) return false;
    StartEdit(Landscape.checked, &Edits.edit);
    Edits.path = Landscape.path;
    Edits.active = true;
    RebuildSceneBlocks(&Scene, Edits.edit.checked, {});
    return true;
}

void Rebuild(const std::vector<int32_t>& blocks) {
    RebuildSceneBlocks(&Scene, Edits.edit.checked, blocks);
    glutPostRedisplay();
}

TerrainPick PickAt(int x, int y) {
    const CheckedLandscape* shown = ShownChecked();
    if (!shown) return TerrainPick();
    return PickTerrain(*shown, CurrentCamera(), glutGet(GLUT_WINDOW_WIDTH), glutGet(GLUT_WINDOW_HEIGHT), x, y);
}

void Dab(double x, double z) {
    const DabResult dab = ApplyDab(&Edits.edit, &g_Stroke, x, z);
    g_LastDabX = x, g_LastDabZ = z, g_Dabbed = true;
    if (dab.placesWithoutRoom > 0)
        g_Why = "no room for a block copy (" + std::to_string(kMostMapBlocks) + " blocks): " +
                std::to_string(dab.placesWithoutRoom) + " shared place(s) left as they were";
    if (!dab.blocks.empty()) Rebuild(dab.blocks);
}

void SaveTo(const std::string& path) {
    if (!Edits.active) {
        Say({"No edits to save"});
        return;
    }
    std::string error;
    if (!SafeWriteWholeFile(path.c_str(), Edits.edit.bytes.data(), Edits.edit.bytes.size(), &error)) {
        // The edits stay in the window, unsaved.
        std::printf("%s\n", error.c_str());
        std::fflush(stdout);
        Say({error, "The edits are kept in the window."});
        return;
    }
    Edits.path = path;
    NoteSaved(&Edits.history);
    WatchOwnWrite(path);
    ShowEditTitle();  // the title has lost its "*" by the time the line says so
    Tell("Saved " + path);
}

void SaveAs() {
    char chosen[kLandscapePathSize];
    switch (ChooseSaveFile("Save .lnd as", kLandscapeFileFilter, chosen, sizeof chosen)) {
    case kChooseFilePicked: SaveTo(chosen); break;
    case kChooseFileCancelled: break;
    case kChooseFileUnavailable: Tell("WARNING : no file chooser was found (zenity or kdialog): not saved; Ctrl+S saves to " + Edits.path); break;
    }
}

void UndoOrRedo(bool undo) {
    if (g_Stroking) EndBrushStroke();
    std::vector<int32_t> blocks;
    const bool done = Edits.active && (undo ? UndoLast(&Edits.history, &Edits.edit, &blocks)
                                            : RedoNext(&Edits.history, &Edits.edit, &blocks));
    if (!done) {
        Say({undo ? "Nothing to undo" : "Nothing to redo"});
        return;
    }
    Rebuild(blocks);
}

// The altitude of the grid sample nearest world point (x, z), or `otherwise`.
double GroundAt(const CheckedLandscape& landscape, double x, double z, double otherwise) {
    const int gx = int(std::lround(-x / kCellWorldSize)), gy = int(std::lround(-z / kCellWorldSize));
    if (gx < 0 || gy < 0 || gx >= kHeightmapSide || gy >= kHeightmapSide) return otherwise;
    SampleCopy copies[kMostSampleCopies];
    if (GridSampleCopies(landscape, gy, gx, copies) == 0) return otherwise;
    return CellAltitude(landscape.Block(copies[0].block), copies[0].r, copies[0].c);
}

}  // namespace

void ToggleEditMode() {
    if (g_Stroking) EndBrushStroke();
    EditModeOn = !EditModeOn;
    DragMode = kDragNone;
    Say({EditModeOn ? "Edit mode: left drag paints, right drag turns, h lists the keys, b leaves"
                    : "Edit mode off"});
}

bool EditModeKey(unsigned char key) {
    if (!EditModeOn) return false;
    if (key >= '1' && key < '1' + kBrushToolCount) {
        g_Brush.tool = BrushTool(key - '1');
        return true;
    }
    switch (key) {
    case ',': g_Brush.country = uint8_t(std::max(0, g_Brush.country - 1)); break;
    case '.': g_Brush.country = uint8_t(std::min(kPaletteCountries - 1, g_Brush.country + 1)); break;
    case '[': g_RadiusStep = std::max(0, g_RadiusStep - 1); break;
    case ']': g_RadiusStep = std::min(kBrushRadiusSteps - 1, g_RadiusStep + 1); break;
    case '-': g_Brush.strength = std::max(kWeakestBrush, g_Brush.strength - 1); break;
    case '=': g_Brush.strength = std::min(kStrongestBrush, g_Brush.strength + 1); break;
    default: return false;
    }
    g_Brush.radius = kBrushRadii[g_RadiusStep];
    return true;
}

bool EditControlKey(unsigned char key, int modifiers) {
    const bool shift = (modifiers & GLUT_ACTIVE_SHIFT) != 0;
    if (key == kCtrlS && shift) SaveAs();
    else if (key == kCtrlS) SaveTo(Edits.active ? Edits.path : Landscape.path);
    else if (key == kCtrlZ) UndoOrRedo(!shift);
    else if (key == kCtrlY) UndoOrRedo(false);
    else return false;
    return true;
}

void BeginBrushStroke(int x, int y) {
    if (!StartEditing()) return;
    g_Why.clear();
    const TerrainPick pick = PickAt(x, y);
    BeginStroke(Edits.edit.checked, g_Brush, pick.x, pick.z, &g_Stroke);
    g_Stroking = true;
    g_Dabbed = false;
    if (pick.hit) Dab(pick.x, pick.z);
}

bool BrushStroking() { return g_Stroking; }

void ContinueBrushStroke(int x, int y) {
    if (!g_Stroking) return;
    const TerrainPick pick = PickAt(x, y);
    if (!pick.hit) return;
    if (!g_Dabbed) {
        // A stroke begun over the sky levels to where it first meets ground.
        BeginStroke(Edits.edit.checked, g_Brush, pick.x, pick.z, &g_Stroke);
    } else {
        // Dabs a quarter of the radius apart, so a slow drag does not pile up.
        const double spacing = std::max(double(g_Brush.radius) / 4, 5.0);
        if (std::hypot(pick.x - g_LastDabX, pick.z - g_LastDabZ) < spacing) return;
    }
    Dab(pick.x, pick.z);
}

void EndBrushStroke() {
    if (!g_Stroking) return;
    g_Stroking = false;
    KeepStroke(&Edits.history, FinishStroke(&g_Stroke));
    glutPostRedisplay();
}

bool KeyCancelsQuestion(int code) {
    if (g_AskedBy == 0 || code == g_AskedBy) return false;
    if (code >= kSpecialKeyCode + GLUT_KEY_SHIFT_L && code <= kSpecialKeyCode + GLUT_KEY_ALT_R) return false;
    g_AskedBy = 0;
    Tell("The edits are kept");
    return true;
}

bool MayDropEdits(int code, const char* keyName, const char* what) {
    if (!Unsaved() || g_AskedBy == code) {
        g_AskedBy = 0;
        return true;
    }
    g_AskedBy = code;
    Tell(std::string("Unsaved edits: press ") + keyName + " again to " + what +
         " without saving them; any other key keeps them (Ctrl+S saves)");
    return false;
}

bool MayReloadChangedFile() {
    if (!Unsaved()) return true;
    Tell("WARNING : " + Edits.path + " : changed on disk; the edits in the window are kept (Ctrl+S writes them "
         "over it, F5 twice loads the file)");
    return false;
}

void ShowEditTitle() {
    const bool unsaved = Unsaved();
    if (unsaved == g_TitleUnsaved) return;
    g_TitleUnsaved = unsaved;
    glutSetWindowTitle(unsaved ? (std::string("*") + kWindowTitle).c_str() : kWindowTitle);
}

void DrawBrushRing() {
    if (!EditModeOn) return;
    const CheckedLandscape* shown = ShownChecked();
    const TerrainPick pick = PointerPick();
    if (!shown || !pick.hit) return;
    glPushAttrib(GL_ALL_ATTRIB_BITS);
    for (int unit = std::min(TextureUnitCount, 4) - 1; unit >= 0; --unit) {
        glext::glActiveTextureARB(GL_TEXTURE0_ARB + unit);
        glDisable(GL_TEXTURE_2D);
    }
    // Seen through hills too: the ring says where the brush falls.
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_BLEND);
    glLineWidth(2.0f);
    glColor3f(1.0f, 1.0f, 0.0f);
    glBegin(GL_LINE_LOOP);
    for (int i = 0; i < kRingPoints; ++i) {
        const double angle = 2 * 3.14159265358979323846 * i / kRingPoints;
        const double x = pick.x + g_Brush.radius * std::cos(angle), z = pick.z + g_Brush.radius * std::sin(angle);
        glVertex3d(x, GroundAt(*shown, x, z, pick.y) + 2.0, z);
    }
    glEnd();
    glPopAttrib();
}

std::vector<std::string> EditStatusLines() {
    char line[160];
    std::snprintf(line, sizeof line, "edit: %s | radius %.0f | strength %d | country %d%s",
                  kToolNames[int(g_Brush.tool)], double(g_Brush.radius), g_Brush.strength, int(g_Brush.country),
                  Unsaved() ? " | unsaved" : "");
    std::vector<std::string> lines = {line, PickLine(PointerPick())};
    if (!g_Why.empty()) lines.push_back(g_Why);
    return lines;
}

std::vector<std::string> EditHelpLines() {
    return {
        "Edit mode (b leaves it):",
        "left drag        paint with the brush",
        "right drag       turn",
        "1 2 3 4 5        raise, lower, flatten, smooth, paint country",
        ", / .            country down / up (0 to 15)",
        "[ / ]            brush smaller / larger (10 to 400 units)",
        "- / =            brush weaker / stronger (1 to 10)",
        "Ctrl+Z           undo a stroke",
        "Ctrl+Y           redo (also Ctrl+Shift+Z)",
        "Ctrl+S           save; Ctrl+Shift+S save as",
        "The far colours (LoRes textures) stay as they are",
        "",
    };
}
