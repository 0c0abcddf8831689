// panels.cpp -- the panels' text, wrapping and timing.
#include "viewer/panels.h"

#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <algorithm>

#include "geometry/country_palette.h"
#include "landscape/seams.h"
#include "platform/clock.h"

namespace {

std::string g_LoadFault;
std::vector<std::string> g_Message;
uint32_t g_MessageFrom;             // milliseconds, when the message appeared
double g_FrameMilliseconds = 0.0;   // smoothed time of a frame

const char* const kHelp[] = {
    "W / S            fly forward / backward",
    "A / D            fly left / right",
    "Q / E            fly up / down",
    "left drag        turn",
    "left+right drag  zoom",
    "mouse wheel      zoom",
    "middle click     print the camera line",
    "k                country wireframe on / off",
    "l                export LoRes textures (DDS)",
    "o                open another landscape",
    "F5               reload (also when the file changes)",
    "PgDn / PgUp      next / previous .lnd of the folder",
    "F12              save a picture of the view",
    "Home             back to the start view",
    "f                frame the whole landscape",
    "Tab              status line and what is under the pointer",
    "b                edit mode: sculpt and paint (on / off)",
    "F1 / h           this help",
    "Escape           quit",
};

// What each palette entry looks like, for the legend.
const char* const kColourNames[kPaletteCountries] = {"red",      "green",      "blue",      "yellow",
                                                     "cyan",     "magenta",    "white",     "black",
                                                     "dark red", "dark green", "dark blue", "olive",
                                                     "teal",     "purple",     "grey",      "black"};

// A line cut to `columns` characters, its end marked.
std::string CutLine(const std::string& text, int columns) {
    if (int(text.size()) <= columns) return text;
    if (columns <= 3) return text.substr(0, size_t(std::max(columns, 0)));
    return text.substr(0, size_t(columns - 3)) + "...";
}

bool Overlap(int a0, int a1, int b0, int b1) { return a0 < b1 && b0 < a1; }

}  // namespace

std::vector<std::string> HelpLines() { return std::vector<std::string>(std::begin(kHelp), std::end(kHelp)); }

std::vector<LegendEntry> CountryLegend(const CheckedLandscape& c) {
    std::vector<LegendEntry> legend;
    if (!c.Usable()) return legend;
    const int32_t countries = std::min<int32_t>(c.counts.countryCount, kPaletteCountries);
    for (int32_t k = 0; k < countries; ++k) {
        std::vector<uint32_t> materials;
        AppendCountryMaterials(c.CountryArea() + kCountrySize * uint64_t(k), &materials);
        std::sort(materials.begin(), materials.end());
        materials.erase(std::unique(materials.begin(), materials.end()), materials.end());
        std::string names;
        for (uint32_t m : materials) names += (names.empty() ? "" : " ") + std::to_string(m);
        legend.push_back({k, CountryPalette[k], kColourNames[k], names.empty() ? "none" : names});
    }
    return legend;
}

std::vector<PanelLine> LegendLines(const std::vector<LegendEntry>& legend) {
    // The rows' text starts after the swatch, about two glyphs in.
    std::vector<PanelLine> lines = {{"  country  colour      materials used"}};
    for (const LegendEntry& e : legend) {
        char text[64];
        std::snprintf(text, sizeof text, "%-8d %-11s ", e.country, e.colourName);
        lines.push_back({text + e.materials, true, e.colour});
    }
    return lines;
}

std::vector<std::string> StatusLines(const char* path, const CheckedLandscape* landscape, const CameraView& camera,
                                     double framesPerSecond) {
    std::string name = path;
    const size_t slash = name.find_last_of("/\\");
    if (slash != std::string::npos) name = name.substr(slash + 1);
    char text[512];
    if (landscape) {
        const uint64_t seams = FindSeamFaults(*landscape).Total();
        const std::string seamText = seams ? " | " + std::to_string(seams) + " seam faults" : "";
        std::snprintf(text, sizeof text, "%s | %" PRId32 " blocks, %" PRId32 " countries, %" PRId32 " materials, %" PRIu32
                                         " LoRes%s",
                      name.c_str(), landscape->blockCount, landscape->counts.countryCount,
                      landscape->counts.materialCount, landscape->counts.loResTextureCount, seamText.c_str());
    } else {
        std::snprintf(text, sizeof text, "%s | not loaded", name.empty() ? "no landscape" : name.c_str());
    }
    double heading = std::fmod(double(camera.rotation.y), 360.0);
    if (heading < 0) heading += 360.0;
    char view[256];
    std::snprintf(view, sizeof view, "pos %.0f %.0f %.0f | heading %.0f, pitch %.0f, zoom %.0f | %.0f fps",
                  double(camera.position.x), double(camera.position.y), double(camera.position.z), heading,
                  double(camera.rotation.x), double(camera.zoom), framesPerSecond);
    return {text, view};
}

std::vector<std::string> WrapText(const std::string& text, int columns) {
    const size_t width = size_t(columns < 1 ? 1 : columns);
    std::vector<std::string> lines;
    std::string line;
    size_t at = 0;
    while (at <= text.size()) {
        size_t end = text.find(' ', at);
        if (end == std::string::npos) end = text.size();
        std::string word = text.substr(at, end - at);
        at = end + 1;
        if (word.empty()) continue;
        // A word longer than a whole line is cut.
        while (word.size() > width) {
            if (!line.empty()) lines.push_back(line), line.clear();
            lines.push_back(word.substr(0, width));
            word.erase(0, width);
        }
        if (word.empty()) continue;
        if (line.empty()) {
            line = word;
        } else if (line.size() + 1 + word.size() <= width) {
            line += " " + word;
        } else {
            lines.push_back(line);
            line = word;
        }
    }
    if (!line.empty() || lines.empty()) lines.push_back(line);
    return lines;
}

std::string ExportMessage(const DdsExportResult& result, const char* landscapePath) {
    if (!result.firstError.empty()) return result.firstError;
    std::string name = landscapePath;
    const size_t slash = name.find_last_of('/');
    if (slash != std::string::npos) name = name.substr(slash + 1);
    return std::to_string(result.written) + " DDS file" + (result.written == 1 ? "" : "s") + " written next to " + name;
}

void SetLoadFault(const std::string& errorLine) { g_LoadFault = errorLine; }
const std::string& LoadFault() { return g_LoadFault; }

void ShowMessage(const std::vector<std::string>& lines, uint32_t nowMs) {
    g_Message = lines;
    g_MessageFrom = nowMs;
}

std::vector<std::string> CurrentMessage(uint32_t nowMs) {
    if (g_Message.empty() || MillisecondsBetween(g_MessageFrom, nowMs) >= kMessageMilliseconds) return {};
    return g_Message;
}

void NoteFrameTime(uint32_t milliseconds) {
    const double ms = milliseconds < 1 ? 1.0 : double(milliseconds);
    g_FrameMilliseconds = g_FrameMilliseconds == 0.0 ? ms : 0.8 * g_FrameMilliseconds + 0.2 * ms;
}

double FramesPerSecond() { return g_FrameMilliseconds == 0.0 ? 0.0 : 1000.0 / g_FrameMilliseconds; }

int PanelWidth(const std::vector<PanelLine>& lines) {
    size_t widest = 0;
    for (const PanelLine& l : lines)
        widest = std::max(widest, l.text.size() * kGlyphWidth + (l.swatch ? kSwatchSize + 6 : 0));
    return int(widest) + 2 * kPanelPadding;
}

int PanelHeight(size_t lineCount) { return int(lineCount) * kLineHeight + 2 * kPanelPadding; }

std::vector<PanelBox> LayoutPanels(const std::vector<PanelRequest>& requests, int width_px, int height_px) {
    std::vector<PanelBox> placed;
    const int floor = height_px - kPanelMargin;  // the lowest row a box may reach
    for (const PanelRequest& request : requests) {
        PanelBox box;
        box.lines = request.lines;
        // Lines no wider than the box may be.
        const int widest = std::min(request.widest_px, width_px - 2 * kPanelMargin);
        for (PanelLine& line : box.lines) {
            const int room = widest - 2 * kPanelPadding - (line.swatch ? kSwatchSize + 6 : 0);
            line.text = CutLine(line.text, room / kGlyphWidth);
        }
        box.width = PanelWidth(box.lines);
        box.left = request.corner == PanelCorner::TopRight ? width_px - kPanelMargin - box.width : kPanelMargin;
        box.left = std::max(box.left, kPanelMargin);
        const bool fromTop = request.corner != PanelCorner::BottomLeft;
        // The stretch of rows free of other boxes in this box's columns,
        // starting from its corner.
        int top = kPanelMargin, bottom = floor;
        for (bool moved = true; moved;) {
            moved = false;
            for (const PanelBox& other : placed) {
                if (!Overlap(box.left, box.left + box.width, other.left, other.left + other.width)) continue;
                if (fromTop && other.top <= top && other.top + other.height + kPanelMargin > top) {
                    top = other.top + other.height + kPanelMargin;
                    moved = true;
                } else if (!fromTop && other.top + other.height >= bottom && other.top - kPanelMargin < bottom) {
                    bottom = other.top - kPanelMargin;
                    moved = true;
                }
            }
        }
        for (const PanelBox& other : placed) {
            if (!Overlap(box.left, box.left + box.width, other.left, other.left + other.width)) continue;
            if (fromTop && other.top >= top) bottom = std::min(bottom, other.top - kPanelMargin);
            if (!fromTop && other.top + other.height <= bottom) top = std::max(top, other.top + other.height + kPanelMargin);
        }
        const int fits = (bottom - top - 2 * kPanelPadding) / kLineHeight;
        if (fits < 1) continue;
        if (size_t(fits) < box.lines.size()) {
            box.lines.resize(size_t(fits));
            box.lines.back() = PanelLine{"..."};
        }
        box.height = PanelHeight(box.lines.size());
        box.top = fromTop ? top : bottom - box.height;
        placed.push_back(box);
    }
    return placed;
}
