// panel_drawing.cpp -- the panels' boxes and text in GL.
#include "viewer/panel_drawing.h"

#include <GL/freeglut.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/gl_entry_points.h"
#include "viewer/camera.h"
#include "viewer/input.h"
#include "viewer/panels.h"
#include "viewer/shown_landscape.h"

namespace {

void* const kFont = GLUT_BITMAP_9_BY_15;
constexpr int kGlyphWidth = 9, kLineHeight = 17, kMargin = 8, kPadding = 6;
constexpr int kSwatch = 11;  // the legend's colour squares

// A box with the text in it, its top-left corner at (left, top) in window
// pixels (y down, as the window system counts). Lines whose swatch is set get
// a coloured square before them.
struct Line {
    std::string text;
    bool swatch = false;
    Vector3 colour = {0, 0, 0};
};

int BoxWidth(const std::vector<Line>& lines) {
    size_t widest = 0;
    for (const Line& l : lines) widest = std::max(widest, l.text.size() * kGlyphWidth + (l.swatch ? kSwatch + 6 : 0));
    return int(widest) + 2 * kPadding;
}

int BoxHeight(const std::vector<Line>& lines) { return int(lines.size()) * kLineHeight + 2 * kPadding; }

void DrawBox(int left, int top, const std::vector<Line>& lines, int height_px) {
    const int width = BoxWidth(lines), height = BoxHeight(lines);
    // GL's y runs up from the bottom of the window.
    const int bottom = height_px - top - height;
    glColor4f(0.0f, 0.0f, 0.0f, 0.6f);
    glRecti(left, bottom, left + width, bottom + height);
    int baseline = height_px - top - kPadding - 12;
    for (const Line& line : lines) {
        int x = left + kPadding;
        if (line.swatch) {
            glColor3f(line.colour.x, line.colour.y, line.colour.z);
            glRecti(x, baseline - 1, x + kSwatch, baseline - 1 + kSwatch);
            x += kSwatch + 6;
        }
        glColor3f(1.0f, 1.0f, 1.0f);
        glRasterPos2i(x, baseline);
        glutBitmapString(kFont, reinterpret_cast<const unsigned char*>(line.text.c_str()));
        baseline -= kLineHeight;
    }
}

std::vector<Line> Plain(const std::vector<std::string>& texts) {
    std::vector<Line> lines;
    for (const std::string& t : texts) lines.push_back({t});
    return lines;
}

// The columns of text a box may take in `pixels` of window width.
int Columns(int pixels) { return std::max(8, (pixels - 2 * kMargin - 2 * kPadding) / kGlyphWidth); }

}  // namespace

void DrawPanels(int width_px, int height_px, uint32_t nowMs) {
    const std::vector<std::string> message = CurrentMessage(nowMs);
    if (!HelpShown && !StatusShown && message.empty() && LoadFault().empty()) return;

    glPushAttrib(GL_ALL_ATTRIB_BITS);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(0, width_px, 0, height_px, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    // Plain colours: no texture on any unit, no depth, no lighting.
    for (int unit = std::min(TextureUnitCount, 4) - 1; unit >= 0; --unit) {
        glext::glActiveTextureARB(GL_TEXTURE0_ARB + unit);
        glDisable(GL_TEXTURE_2D);
    }
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_LIGHTING);
    glDisable(GL_CULL_FACE);
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);

    int leftTop = kMargin;  // the next free row on the left
    if (!LoadFault().empty()) {
        std::vector<std::string> text = WrapText(LoadFault(), Columns(width_px));
        text.push_back("");
        text.push_back("Press Escape to quit");
        DrawBox(kMargin, leftTop, Plain(text), height_px);
        leftTop += BoxHeight(Plain(text)) + kMargin;
    }
    if (HelpShown) {
        std::vector<Line> lines = Plain(HelpLines());
        if (WireframeOverlay && Landscape.Usable()) {
            lines.push_back({""});
            lines.push_back({"Countries (materials):"});
            for (const LegendEntry& e : CountryLegend(Landscape.checked))
                lines.push_back({std::to_string(e.country) + "  " + e.materials, true, e.colour});
        }
        DrawBox(kMargin, leftTop, lines, height_px);
    }
    if (!message.empty()) {
        // The top right corner, half the window wide at most.
        std::vector<std::string> wrapped;
        for (const std::string& m : message)
            for (const std::string& w : WrapText(m, Columns(width_px / 2))) wrapped.push_back(w);
        const std::vector<Line> lines = Plain(wrapped);
        DrawBox(std::max(kMargin, width_px - kMargin - BoxWidth(lines)), kMargin, lines, height_px);
    }
    if (StatusShown) {
        const std::string status = StatusLine(Landscape.path.c_str(), Landscape.Usable() ? &Landscape.checked : nullptr, CurrentCamera(),
                                              FramesPerSecond());
        const std::vector<Line> lines = Plain({status.substr(0, size_t(Columns(width_px)))});
        DrawBox(kMargin, height_px - kMargin - BoxHeight(lines), lines, height_px);
    }

    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
    glPopAttrib();
}
