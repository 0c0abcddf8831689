// panels.cpp -- the panels' text, wrapping and timing.
#include "viewer/panels.h"

#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <algorithm>
#include <set>

#include "geometry/country_palette.h"
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
    "Home             back to the start view",
    "f                frame the whole landscape",
    "Tab              status line",
    "F1 / h           this help",
    "Escape           quit",
};

}  // namespace

std::vector<std::string> HelpLines() { return std::vector<std::string>(std::begin(kHelp), std::end(kHelp)); }

std::vector<LegendEntry> CountryLegend(const CheckedLandscape& c) {
    std::vector<LegendEntry> legend;
    if (!c.Usable()) return legend;
    const int32_t countries = std::min<int32_t>(c.counts.countryCount, kPaletteCountries);
    for (int32_t k = 0; k < countries; ++k) {
        std::set<uint32_t> materials;
        const uint8_t* country = c.CountryArea() + kCountrySize * uint64_t(k);
        for (int h = 0; h < kCountryEntryCount; ++h) {
            const uint8_t* e = CountryEntryAt(country, h);
            const uint32_t w = EntryBlendWeight(e);
            // A weight of 255 takes MaterialA alone, 0 MaterialB alone.
            if (w != 0) materials.insert(EntryMaterialA(e));
            if (w != 255) materials.insert(EntryMaterialB(e));
        }
        std::string names;
        for (uint32_t m : materials) names += (names.empty() ? "" : " ") + std::to_string(m);
        legend.push_back({k, CountryPalette[k], names.empty() ? "none" : names});
    }
    return legend;
}

std::string StatusLine(const char* path, const CheckedLandscape* landscape, const CameraView& camera,
                       double framesPerSecond) {
    std::string name = path;
    const size_t slash = name.find_last_of('/');
    if (slash != std::string::npos) name = name.substr(slash + 1);
    char text[512];
    if (landscape) {
        std::snprintf(text, sizeof text, "%s | %" PRId32 " blocks, %" PRId32 " countries, %" PRId32 " materials, %" PRIu32
                                         " LoRes",
                      name.c_str(), landscape->blockCount, landscape->counts.countryCount,
                      landscape->counts.materialCount, landscape->counts.loResTextureCount);
    } else {
        std::snprintf(text, sizeof text, "%s | not loaded", name.c_str());
    }
    double heading = std::fmod(double(camera.rotation.y), 360.0);
    if (heading < 0) heading += 360.0;
    char view[256];
    std::snprintf(view, sizeof view, " | pos %.0f %.0f %.0f | heading %.0f, pitch %.0f, zoom %.0f | %.0f fps",
                  double(camera.position.x), double(camera.position.y), double(camera.position.z), heading,
                  double(camera.rotation.x), double(camera.zoom), framesPerSecond);
    return std::string(text) + view;
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
