// lndtool.cpp -- the companion command-line tool: a table of commands, each
// with its options, parsed with CLI11. Exit status: 0 success, 1 faults found,
// 2 the input cannot be read or the command line is wrong.
#include <CLI/CLI.hpp>
#include <lnd_version.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "platform/path_limit.h"
#include "tools/commands.h"

namespace {

struct Command {
    const char* name;
    const char* description;
    std::function<void(CLI::App*)> addOptions;
    std::function<int()> run;
};

MakeSampleOptions g_MakeSample;
InfoOptions g_Info;
DiffOptions g_Diff;
ExportOptions g_Export;
RenderOptions g_Render;
ThumbnailOptions g_Thumbnail;
UnpackOptions g_Unpack;
PackOptions g_Pack;
SetHeightsOptions g_SetHeights;
GltfCommandOptions g_Gltf;
HeightmapOptions g_Heightmap;

const Command kCommands[] = {
    {"make-sample", "Write a generated, well-formed sample landscape (deterministic for a seed)",
     [](CLI::App* c) {
         c->add_option("OUT", g_MakeSample.out, "Path of the .lnd file to write")->required();
         c->add_option("--seed", g_MakeSample.seed, "Seed of the generator; the same seed gives the same file")
             ->capture_default_str();
         c->add_option("--blocks", g_MakeSample.maxBlocks, "Most distinct blocks to use (1 to 255)")
             ->check(CLI::Range(1, 255))
             ->capture_default_str();
     },
     [] { return RunMakeSample(g_MakeSample); }},
    {"info", "Print a landscape's counts, areas, block map, countries and materials, and every fault found",
     [](CLI::App* c) {
         c->add_option("FILE", g_Info.file, "The .lnd file to inspect")->required();
         CLI::Option* json = c->add_flag("--json", g_Info.json, "Print the same facts as one JSON document");
         c->add_flag("--all", g_Info.all,
                     "Print every record as text lines, one fact a line (for git's textconv; status 0 for any "
                     "file it can read)")
             ->excludes(json);
     },
     [] { return RunInfo(g_Info); }},
    {"diff", "Tell what differs between two landscapes, area by area (status 0 identical, 1 different)",
     [](CLI::App* c) {
         c->add_option("FILES", g_Diff.files,
                       "The two .lnd files A B (or the seven arguments git gives an external diff driver)")
             ->required();
         c->add_flag("--quiet,-q", g_Diff.quiet, "Print nothing; the status says whether they differ");
         c->add_flag("--json", g_Diff.json, "Print the report as one JSON document");
     },
     [] { return RunDiff(g_Diff); }},
    {"export", "Write a landscape's LoRes textures (PNG and DDS) and block material textures (16-bit PNG)",
     [](CLI::App* c) {
         c->add_option("FILE", g_Export.file, "The .lnd file to export from")->required();
         c->add_option("--out", g_Export.outDir, "Folder to write into (created if missing)")->required();
         c->add_flag("--all-blocks", g_Export.allBlocks,
                     "Also the material textures of blocks past the 255th, which no map byte can place");
     },
     [] { return RunExport(g_Export); }},
    {"render", "Draw landscapes as the viewer shows them into PNG pictures, without a window or display",
     [](CLI::App* c) {
         c->add_option("FILE", g_Render.files, "The .lnd files to draw")->required();
         c->add_option("--out", g_Render.out, "The PNG to write (one FILE)");
         c->add_option("--out-dir", g_Render.outDir, "Folder for NAME.png of each FILE (created if missing)");
         c->add_option("--size", g_Render.size, "Picture size WIDTHxHEIGHT, up to what the OpenGL driver draws")->capture_default_str();
         c->add_option("--camera", g_Render.camera,
                       "The view, as the viewer prints it on a middle click: \"pos : X Y Z | rot: P Y R | zoom : Z\"");
         c->add_flag("--overview", g_Render.overview, "Look straight down on all the placed blocks");
         c->add_flag("--overlay", g_Render.overlay, "Draw the country wireframe over the terrain");
         c->add_option("--changes-from", g_Render.changesFrom,
                       "An earlier landscape: outline the quads that differ from it, tint the places whose map "
                       "byte changed (one FILE, --out)");
     },
     [] { return RunRender(g_Render); }},
    {"thumbnail", "Write a small overview picture of a landscape, for file managers",
     [](CLI::App* c) {
         c->add_option("FILE", g_Thumbnail.file, "The .lnd file")->required();
         c->add_option("OUT", g_Thumbnail.out, "The PNG to write")->required();
         c->add_option("--size", g_Thumbnail.size, "Width and height in pixels")->capture_default_str();
     },
     [] { return RunThumbnail(g_Thumbnail); }},
    {"unpack", "Write a landscape as a folder of images and one JSON file, to edit and pack again",
     [](CLI::App* c) {
         c->add_option("FILE", g_Unpack.file, "The .lnd file to unpack")->required();
         c->add_option("DIR", g_Unpack.dir, "The folder to write (new or empty)")->required();
         c->add_flag("--force", g_Unpack.force, "Write into a folder that already holds files");
     },
     [] { return RunUnpack(g_Unpack); }},
    {"pack", "Build a landscape file from a folder unpack wrote, edited or not",
     [](CLI::App* c) {
         c->add_option("DIR", g_Pack.dir, "The folder to pack")->required();
         c->add_option("OUT", g_Pack.out, "The .lnd file to write")->required();
     },
     [] { return RunPack(g_Pack); }},
    {"set-heights", "Set the altitudes of every placed block from a 513 x 513 heightmap",
     [](CLI::App* c) {
         c->add_option("FILE", g_SetHeights.file, "The .lnd file to change")->required();
         c->add_option("HEIGHTMAP", g_SetHeights.heightmap, "The 513 x 513 heightmap (a PNG, or see --format)")
             ->required();
         c->add_option("--out", g_SetHeights.out, "The .lnd file to write")->required();
         c->add_option("--format", g_SetHeights.format,
                       "png: 8-bit grey, or 16-bit grey divided by 257; r16: raw 16-bit little-endian samples")
             ->check(CLI::IsMember({"png", "r16"}))
             ->capture_default_str();
         c->add_flag("--split-shared", g_SetHeights.splitShared,
                     "Give each place of a block its own copy when the heightmap gives them different heights");
     },
     [] { return RunSetHeights(g_SetHeights); }},
    {"gltf", "Write a landscape as a glTF 2.0 scene (.glb, or .gltf with its files) for 3D tools",
     [](CLI::App* c) {
         c->add_option("FILE", g_Gltf.file, "The .lnd file")->required();
         c->add_option("--out", g_Gltf.out, "The .glb or .gltf file to write")->required();
         c->add_option("--scale", g_Gltf.scale, "glTF units per world unit (0.000001 to 1000000)")
             ->check(CLI::Range(1e-6f, 1e6f))
             ->capture_default_str();
         c->add_option("--textures", g_Gltf.textures,
                       "baked: each block's surface as the viewer colours it; none: geometry only")
             ->check(CLI::IsMember({"baked", "none"}))
             ->capture_default_str();
         c->add_flag("--overlay", g_Gltf.overlay, "Add the country wireframe as coloured lines");
     },
     [] { return RunGltf(g_Gltf); }},
    {"heightmap", "Write the whole map as one 513 x 513 heightmap with a JSON sidecar, for terrain tools",
     [](CLI::App* c) {
         c->add_option("FILE", g_Heightmap.file, "The .lnd file")->required();
         c->add_option("--out", g_Heightmap.out, "The heightmap to write; the sidecar takes its name with .json")
             ->required();
         c->add_option("--format", g_Heightmap.format,
                       "png16: 16-bit grey, altitude x 257; png8: the altitudes; r16: raw little-endian 16-bit")
             ->check(CLI::IsMember({"png16", "png8", "r16"}))
             ->capture_default_str();
         c->add_option("--countries", g_Heightmap.countries,
                       "Also an indexed PNG of every sample's country, in the country palette");
     },
     [] { return RunHeightmap(g_Heightmap); }},
};

// Output that never arrived (a full disk, a closed pipe, /dev/full) must not
// pass for success: flush and look.
int CheckStandardOutput(int status) {
    errno = 0;
    const bool flushed = std::fflush(stdout) == 0;
    const int flushErrno = errno;
    if (flushed && !std::ferror(stdout)) return status;
    std::fprintf(stderr, "ERROR : standard output : %s\n",
                 flushErrno != 0 ? std::strerror(flushErrno) : "the output could not be written");
    return 2;
}

// A path the system cannot open is refused by name before any work (on
// Windows, past 259 characters) rather than failing later as a file that
// does not exist.
bool PathsFitTheSystem() {
    std::vector<const std::string*> paths = {
        &g_MakeSample.out,  &g_Info.file,      &g_Export.file,     &g_Export.outDir,         &g_Render.out,
        &g_Render.outDir,   &g_Thumbnail.file, &g_Thumbnail.out,   &g_Unpack.file,           &g_Unpack.dir,
        &g_Pack.dir,        &g_Pack.out,       &g_SetHeights.file, &g_SetHeights.heightmap,  &g_SetHeights.out,
        &g_Gltf.file,       &g_Gltf.out,       &g_Heightmap.file,  &g_Heightmap.out,         &g_Heightmap.countries,
        &g_Render.changesFrom};
    for (const std::string& file : g_Render.files) paths.push_back(&file);
    for (const std::string& file : g_Diff.files) paths.push_back(&file);
    for (const std::string* path : paths) {
        if (path->size() <= LongestSystemPath()) continue;
        std::fprintf(stderr, "ERROR : %s : the path is longer than %u characters, the longest this system opens\n",
                     path->c_str(), unsigned(LongestSystemPath()));
        return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    CLI::App app{"lndtool: make, inspect, compare, export, draw, edit and convert Thornveil landscape (.lnd) files.\n"
                 "Exit status: 0 success, 1 faults found (info), files that differ (diff) or some files of a render failed,\n"
                 "2 unreadable, damaged or refused input, failed write, bad usage, or no offscreen OpenGL."};
    app.set_version_flag("--version", std::string("lndtool ") + LND_VERSION, "Print the version and exit");
    app.require_subcommand(1);
    // "/x" is a path, not an option, wherever the tool runs (Windows builds
    // of CLI11 would take it for one).
    app.allow_windows_style_options(false);
    std::vector<std::pair<CLI::App*, const Command*>> subcommands;
    for (const Command& command : kCommands) {
        CLI::App* sub = app.add_subcommand(command.name, command.description);
        sub->allow_windows_style_options(false);
        command.addOptions(sub);
        subcommands.push_back({sub, &command});
    }
    // The tool itself has no option but --help: anything else before the
    // command is named as unknown, not reported as a missing command.
    if (argc >= 2 && argv[1][0] == '-' && std::strcmp(argv[1], "-h") != 0 && std::strcmp(argv[1], "--help") != 0 &&
        std::strcmp(argv[1], "--version") != 0) {
        std::fprintf(stderr, "ERROR : lndtool : unknown option '%s' (see 'lndtool --help')\n", argv[1]);
        return 2;
    }
    // An unknown first word is a mistyped command, not a stray argument.
    if (argc >= 2 && argv[1][0] != '-') {
        bool known = false;
        std::string names;
        for (const Command& command : kCommands) {
            known = known || std::strcmp(argv[1], command.name) == 0;
            names += (names.empty() ? "" : ", ") + std::string(command.name);
        }
        if (!known) {
            std::fprintf(stderr, "ERROR : lndtool : unknown command '%s' (commands: %s; see 'lndtool --help')\n",
                         argv[1], names.c_str());
            return 2;
        }
    }
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        // --help (of the tool or of a command) prints the matching help,
        // --version the version: through stdio, so a failed write is caught.
        if (e.get_exit_code() == 0) {
            std::ostringstream text;
            const int status = app.exit(e, text, text);
            std::fwrite(text.str().data(), 1, text.str().size(), stdout);
            return CheckStandardOutput(status);
        }
        std::fprintf(stderr, "ERROR : lndtool : %s (see 'lndtool --help')\n", e.what());
        return 2;
    }
    if (!PathsFitTheSystem()) return 2;
    int status = 2;
    for (auto& [sub, command] : subcommands)
        if (sub->parsed()) status = command->run();
    return CheckStandardOutput(status);
}
