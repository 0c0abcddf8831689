// panel_drawing.cpp -- the panels' boxes and text in GL.
#include "viewer/panel_drawing.h"

#include <GL/freeglut.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/gl_entry_points.h"
#include "geometry/terrain_pick.h"
#include "geometry/camera.h"
#include "viewer/edit_mode.h"
#include "viewer/input.h"
#include "viewer/panels.h"
#include "viewer/shown_landscape.h"

namespace {

void* const kFont = GLUT_BITMAP_9_BY_15;

void DrawBox(const PanelBox& box, int height_px) {
    // GL's y runs up from the bottom of the window.
    const int bottom = height_px - box.top - box.height;
    glColor4f(0.0f, 0.0f, 0.0f, 0.6f);
    glRecti(box.left, bottom, box.left + box.width, bottom + box.height);
    int baseline = height_px - box.top - kPanelPadding - 12;
    for (const PanelLine& line : box.lines) {
        int x = box.left + kPanelPadding;
        if (line.swatch) {
            glColor3f(line.colour.x, line.colour.y, line.colour.z);
            glRecti(x, baseline - 1, x + kSwatchSize, baseline - 1 + kSwatchSize);
            x += kSwatchSize + 6;
        }
        glColor3f(1.0f, 1.0f, 1.0f);
        glRasterPos2i(x, baseline);
        glutBitmapString(kFont, reinterpret_cast<const unsigned char*>(line.text.c_str()));
        baseline -= kLineHeight;
    }
}

std::vector<PanelLine> Plain(const std::vector<std::string>& texts) {
    std::vector<PanelLine> lines;
    for (const std::string& t : texts) lines.push_back({t});
    return lines;
}

// The columns of text a box may take in `pixels` of window width.
int Columns(int pixels) { return std::max(8, (pixels - 2 * kPanelMargin - 2 * kPanelPadding) / kGlyphWidth); }

// What is shown now, in the order the boxes claim their room: the status
// panel at the bottom, then from the top the load fault, the message and the
// help.
std::vector<PanelRequest> Requests(int width_px, uint32_t nowMs) {
    std::vector<PanelRequest> requests;
    if (StatusShown || EditModeOn) {
        // The edit mode's lines say what is under the pointer too.
        std::vector<std::string> text;
        if (EditModeOn) text = EditStatusLines();
        else if (ShownChecked()) text.push_back(PickLine(PointerPick()));
        if (StatusShown)
            for (const std::string& line : StatusLines(Landscape.path.c_str(), ShownChecked(), CurrentCamera(),
                                                       FramesPerSecond()))
                text.push_back(line);
        requests.push_back({PanelCorner::BottomLeft, Plain(text), width_px});
    }
    if (!LoadFault().empty()) {
        std::vector<std::string> text = WrapText(LoadFault(), Columns(width_px));
        text.push_back("");
        text.push_back("Press Escape to quit");
        requests.push_back({PanelCorner::TopLeft, Plain(text), width_px});
    }
    const std::vector<std::string> message = CurrentMessage(nowMs);
    if (!message.empty()) {
        // The top right corner, half the window wide at most.
        std::vector<std::string> wrapped;
        for (const std::string& m : message)
            for (const std::string& w : WrapText(m, Columns(width_px / 2))) wrapped.push_back(w);
        requests.push_back({PanelCorner::TopRight, Plain(wrapped), width_px / 2});
    }
    if (HelpShown) {
        std::vector<PanelLine> lines = EditModeOn ? Plain(EditHelpLines()) : std::vector<PanelLine>();
        for (const PanelLine& line : Plain(HelpLines())) lines.push_back(line);
        if (WireframeOverlay && ShownChecked()) {
            lines.push_back({""});
            for (const PanelLine& line : LegendLines(CountryLegend(*ShownChecked()))) lines.push_back(line);
        }
        requests.push_back({PanelCorner::TopLeft, lines, width_px});
    }
    return requests;
}

}  // namespace

void DrawPanels(int width_px, int height_px, uint32_t nowMs) {
    const std::vector<PanelRequest> requests = Requests(width_px, nowMs);
    if (requests.empty()) return;

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

    for (const PanelBox& box : LayoutPanels(requests, width_px, height_px)) DrawBox(box, height_px);

    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
    glPopAttrib();
}
