// panels.h -- what the window says besides the picture: the help panel with
// the country legend, the status line, timed messages (warnings after
// loading, the export's result) and the reason a landscape could not be
// shown. The text, the wrapping and the timing are here, without GL; the
// drawing is in panel_drawing.h. All of it is off until the user or a
// message turns it on; with none of them shown the window holds the frame alone.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "geometry/vector3.h"
#include "landscape/lnd_check.h"
#include "geometry/view.h"
#include "texture/lores_dds.h"

inline constexpr uint32_t kMessageMilliseconds = 5000;  // how long a message stays

// ---------------------------------------------------------------------------
// Layout: boxes of text in the window's corners, 9 x 15 glyphs, 17 pixels a
// line, that never cover one another
// ---------------------------------------------------------------------------
inline constexpr int kGlyphWidth = 9, kLineHeight = 17, kPanelMargin = 8, kPanelPadding = 6;
inline constexpr int kSwatchSize = 11;  // the legend's colour squares

struct PanelLine {
    std::string text;
    bool swatch = false;  // a square of `colour` before the text
    Vector3 colour = {0, 0, 0};
};

enum class PanelCorner { TopLeft, TopRight, BottomLeft };
struct PanelRequest {
    PanelCorner corner;
    std::vector<PanelLine> lines;
    int widest_px;  // the box takes at most this much of the window's width
};

// A box placed in the window: its top-left corner in window pixels (y down)
// and its lines, cut to fit.
struct PanelBox {
    int left, top, width, height;
    std::vector<PanelLine> lines;
};
int PanelWidth(const std::vector<PanelLine>& lines);
int PanelHeight(size_t lineCount);

// The help panel's lines: every control.
std::vector<std::string> HelpLines();

// One country of the legend: its palette colour and its name, and the
// materials its entries name, as the file gives them ("0 3 5", or "none").
struct LegendEntry {
    int country;
    Vector3 colour;
    const char* colourName;
    std::string materials;
};
// The countries a cell can name (at most the first 16) of a usable landscape.
std::vector<LegendEntry> CountryLegend(const CheckedLandscape& landscape);
// The legend as lines under the help: a heading naming the columns, then a
// line a country with its colour's swatch.
std::vector<PanelLine> LegendLines(const std::vector<LegendEntry>& legend);

// The status panel's two lines: "land.lnd | 254 blocks, 5 countries, 8
// materials, 16 LoRes", then " | 3 seam faults" when it has any (`landscape`
// null when none is loaded: "not loaded")
// and "pos 2720 -30 2560 | heading 0, pitch 45, zoom -500 | 37 fps".
std::vector<std::string> StatusLines(const char* path, const CheckedLandscape* landscape, const CameraView& camera,
                                     double framesPerSecond);

// Breaks text into lines of at most `columns` characters, at spaces where it
// can, inside a word where a word is longer than a line.
std::vector<std::string> WrapText(const std::string& text, int columns);

// What the window says after the `l` key: "16 DDS files written next to
// land.lnd", or the first error.
std::string ExportMessage(const DdsExportResult& result, const char* landscapePath);

// The reason the landscape could not be shown, for good; empty when it was.
void SetLoadFault(const std::string& errorLine);
const std::string& LoadFault();

// A message shown until `nowMs` + kMessageMilliseconds (replacing any other).
void ShowMessage(const std::vector<std::string>& lines, uint32_t nowMs);
// The message's lines while it lasts, none after.
std::vector<std::string> CurrentMessage(uint32_t nowMs);

// Places the requests in order, each in its corner and then past the boxes
// placed before it (down from the top, up from the bottom), so that no box
// covers another. A line wider than its box may be ends in "..."; a box
// taller than the room left keeps the lines that fit, the last of them
// "..."; one with no room at all is left out.
std::vector<PanelBox> LayoutPanels(const std::vector<PanelRequest>& requests, int width_px, int height_px);

// The frame rate the window draws at, from how long its frames take.
void NoteFrameTime(uint32_t milliseconds);
double FramesPerSecond();
