// commands.h -- lndtool's commands. Each returns the process exit status:
// 0 success, 1 faults found (info) or files that differ (diff), 2 the input
// cannot be read or written (or, for pack and set-heights, is refused).
// Results go to standard output, diagnostics to standard error; main checks
// that standard output really took everything.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct MakeSampleOptions {
    std::string out;      // path of the .lnd file to write
    uint32_t seed = 1;
    int maxBlocks = 255;  // 1..255
};
int RunMakeSample(const MakeSampleOptions& options);

struct InfoOptions {
    std::string file;
    bool json = false;  // one JSON document instead of the text report
    bool all = false;   // every record as text lines (stable, for git's textconv)
};
int RunInfo(const InfoOptions& options);

struct DiffOptions {
    std::vector<std::string> files;  // A B, or the seven arguments git gives an external diff
    bool quiet = false;              // the status alone
    bool json = false;               // one JSON document instead of the text report
};
int RunDiff(const DiffOptions& options);

struct ExportOptions {
    std::string file;
    std::string outDir;
    bool allBlocks = false;  // also the blocks past the 255th, which no map byte can place
};
int RunExport(const ExportOptions& options);

struct RenderOptions {
    std::vector<std::string> files;
    std::string out;           // the PNG of one file
    std::string outDir;        // or a folder for <name>.png of each file
    std::string size = "800x600";
    std::string camera;        // a camera line as the viewer prints it; empty: the start camera
    bool overview = false;     // looking straight down on all the placed blocks
    bool overlay = false;      // the country wireframe, as the `k` key shows it
    std::string changesFrom;   // an earlier landscape: mark what differs from it
};
int RunRender(const RenderOptions& options);

struct ThumbnailOptions {
    std::string file;
    std::string out;
    int size = 256;  // pixels, both ways
};
int RunThumbnail(const ThumbnailOptions& options);

struct UnpackOptions {
    std::string file;
    std::string dir;     // the folder to write (new or empty unless force)
    bool force = false;  // write into a folder that holds files already
    bool discardEdits = false;  // with force: replace pictures edited since the last unpack
};
int RunUnpack(const UnpackOptions& options);

struct PackOptions {
    std::string dir;  // a folder unpack wrote, edited or not
    std::string out;  // the .lnd file to write
    bool mendSeams = false;  // copy each seam's edited side onto its unedited neighbours
};
int RunPack(const PackOptions& options);

struct SetHeightsOptions {
    std::string file;
    std::string heightmap;      // 513 x 513
    std::string out;
    std::string format = "png";  // "png" (8- or 16-bit grey) or "r16" (raw 16-bit little-endian)
    bool splitShared = false;    // give each place of a block its own copy when their heights differ
};
int RunSetHeights(const SetHeightsOptions& options);

struct MapOptions {
    std::string file;
    std::string dir;  // written whole: new, empty, or holding only map's own files
};
int RunMap(const MapOptions& options);

struct SetMapOptions {
    std::string file;
    std::string dir;           // a folder map wrote; the layers whose pictures are there are set
    std::string out;
    bool splitShared = false;  // give each place of a block its own copy when the pictures need different cells
};
int RunSetMap(const SetMapOptions& options);

struct NewOptions {
    std::string out;         // the .lnd file to write
    std::string heights;     // a grey PNG of any size, or raw 16-bit samples (format r16)
    std::string countries;   // a PNG of the countries; empty: by altitude bands
    std::string colours;     // a PNG of the far colours; empty: from the materials
    std::string materials;   // a folder of 256 x 256 PNG materials; empty: the sample generator's
    int seaLevel = 0;        // an altitude, 0 to 255
    std::string format = "png";  // "png" or "r16"
    std::string size;        // WxH of r16 samples
};
int RunNew(const NewOptions& options);

struct GltfCommandOptions {
    std::string file;
    std::string out;                  // .glb, or .gltf with its .bin and PNG files beside it
    float scale = 1.0f;               // glTF units per world unit
    std::string textures = "baked";   // "baked" or "none"
    bool overlay = false;             // the country wireframe as lines
    bool center = false;              // the scene's middle at the origin
};
int RunGltf(const GltfCommandOptions& options);

struct HeightmapOptions {
    std::string file;
    std::string out;
    std::string format = "png16";  // "png16", "png8" or "r16"
    std::string countries;         // the indexed PNG of every sample's country; empty: none
};
int RunHeightmap(const HeightmapOptions& options);

// ReadUsableLandscape for gltf and heightmap, which then print the notes of
// the check that change what they export: the warnings that change the
// viewer's picture, the map bytes that name no block (their places stay
// empty) and, with baked textures, the LoRes indices that name no texture
// (baked without one, as the frame shows them).
struct LandscapeLoad;
bool ReadExportedLandscape(const char* path, bool textures, LandscapeLoad* stored);

struct WebOptions {
    std::string file;  // the landscape to put into the page
    std::string out;   // the HTML file to write
};
int RunWeb(const WebOptions& options);

inline constexpr int kLargestPictureSide = 8192;
// "WxH" in digits (leading zeros allowed), both 1 to 8192, the most any
// driver is asked for; false when it is not that.
bool ParsePictureSize(const std::string& text, int* width_px, int* height_px);
