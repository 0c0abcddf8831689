// lndtool.cpp -- the companion command-line tool: a table of commands, each
// with its options, parsed with CLI11. Exit status: 0 success, 1 faults found,
// 2 the input cannot be read or the command line is wrong.
#include <CLI/CLI.hpp>
#include <lnd_version.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <system_error>
#include <vector>

#include "platform/path_limit.h"
#include "platform/safe_write.h"
#include "tools/commands.h"

namespace {

struct Command {
    const char* name;
    const char* description;  // one sentence: what the command does
    const char* usage;        // the command line, after "lndtool "
    const char* example;      // one or two lines, after "lndtool "
    std::function<void(CLI::App*)> addOptions;
    // The files the command reads: none of them is ever written over.
    std::function<std::vector<std::string>()> inputs;
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
MapOptions g_Map;
SetMapOptions g_SetMap;
GltfCommandOptions g_Gltf;
HeightmapOptions g_Heightmap;
WebOptions g_Web;
NewOptions g_New;

// Every file below a folder (the folder pack reads).
std::vector<std::string> FilesBelow(const std::string& folder) {
    std::vector<std::string> files;
    std::error_code fault;
    for (std::filesystem::recursive_directory_iterator it(folder, fault), end; !fault && it != end; it.increment(fault))
        if (it->is_regular_file(fault)) files.push_back(it->path().string());
    return files;
}

const Command kCommands[] = {
    {"make-sample", "Writes a generated, well-formed sample landscape; the same seed gives the same file.",
     "make-sample OUT [--seed N] [--blocks N]", "make-sample island.lnd --seed 7",
     [](CLI::App* c) {
         c->add_option("OUT", g_MakeSample.out, "The .lnd file to write.")->required();
         c->add_option("--seed", g_MakeSample.seed, "The generator's seed (1 unless given).")->type_name("N");
         c->add_option("--blocks", g_MakeSample.maxBlocks, "The most distinct blocks to use, 1 to 255 (255 unless given).")
             ->type_name("N")
             ->check(CLI::Range(1, 255).description(""));
     },
     [] { return std::vector<std::string>(); }, [] { return RunMakeSample(g_MakeSample); }},
    {"info", "Prints a landscape's counts, areas, block map, countries and materials, and every fault found.",
     "info FILE [--json]", "info island.lnd --json",
     [](CLI::App* c) {
         c->add_option("FILE", g_Info.file, "The .lnd file to look at.")->required();
         CLI::Option* json = c->add_flag("--json", g_Info.json, "Prints the same facts as one JSON document.");
         c->add_flag("--all", g_Info.all,
                     "Prints every record as text lines, one fact a line, for git's textconv (status 0 for any "
                     "file it can read).")
             ->excludes(json);
     },
     [] { return std::vector<std::string>(); }, [] { return RunInfo(g_Info); }},
    {"diff", "Tells what differs between two landscapes, area by area (status 0 identical, 1 different).",
     "diff A B [--quiet] [--json]", "diff island.lnd island-edited.lnd",
     [](CLI::App* c) {
         c->add_option("FILES", g_Diff.files,
                       "The two .lnd files A and B, or the seven arguments git gives an external diff driver.")
             ->required();
         c->add_flag("--quiet,-q", g_Diff.quiet, "Prints nothing; the status says whether they differ.");
         c->add_flag("--json", g_Diff.json, "Prints the report as one JSON document.");
     },
     [] { return std::vector<std::string>(); }, [] { return RunDiff(g_Diff); }},
    {"export", "Writes a landscape's LoRes textures (PNG and DDS) and its blocks' material textures (16-bit PNG).",
     "export FILE --out DIR [--all-blocks]", "export island.lnd --out island-textures",
     [](CLI::App* c) {
         c->add_option("FILE", g_Export.file, "The .lnd file to export from.")->required();
         c->add_option("--out", g_Export.outDir, "The folder to write into; it is made when missing.")
             ->type_name("DIR")
             ->required();
         c->add_flag("--all-blocks", g_Export.allBlocks,
                     "Also the material textures of the blocks past the 255th, which no map byte can place.");
     },
     [] { return std::vector<std::string>{g_Export.file}; }, [] { return RunExport(g_Export); }},
    {"render", "Draws landscapes as the viewer shows them into PNG pictures, without a window or a display.",
     "render FILE --out PNG [options]  |  render FILE|FOLDER... --out-dir DIR [options]",
     "render island.lnd --out view.png --size 1920x1080 --overlay",
     [](CLI::App* c) {
         c->add_option("FILE", g_Render.files, "The .lnd files to draw; a folder stands for its .lnd files.")
             ->required();
         c->add_option("--out", g_Render.out, "The picture of one file, a name that ends in .png.")->type_name("PNG");
         c->add_option("--out-dir", g_Render.outDir, "The folder for NAME.png of each NAME.lnd; made when missing.")
             ->type_name("DIR");
         c->add_option("--size", g_Render.size,
                       "The picture's WIDTHxHEIGHT in digits, 800x600 unless given, up to what the OpenGL driver "
                       "draws.")
             ->type_name("WxH");
         c->add_option("--camera", g_Render.camera,
                       "The view, as the viewer prints it on a middle click: \"pos : X Y Z | rot: P Y R | zoom : Z\".")
             ->type_name("LINE");
         c->add_flag("--overview", g_Render.overview,
                     "Looks straight down on all the placed blocks, row 0 at the top as info prints the map.");
         c->add_flag("--overlay", g_Render.overlay, "Draws the country wireframe over the terrain.");
         c->add_option("--changes-from", g_Render.changesFrom,
                       "An earlier landscape: outlines the quads that differ from it and tints the places whose "
                       "map byte changed (one FILE, --out).")
             ->type_name("A");
     },
     [] {
         std::vector<std::string> inputs = g_Render.files;
         inputs.push_back(g_Render.changesFrom);
         return inputs;
     },
     [] { return RunRender(g_Render); }},
    {"thumbnail", "Writes a small overview picture of a landscape, for file managers.",
     "thumbnail FILE OUT.png [--size N]", "thumbnail island.lnd island.png --size 128",
     [](CLI::App* c) {
         c->add_option("FILE", g_Thumbnail.file, "The .lnd file.")->required();
         c->add_option("OUT", g_Thumbnail.out, "The picture to write, a name that ends in .png.")->required();
         c->add_option("--size", g_Thumbnail.size, "Its width and height in pixels (256 unless given).")
             ->type_name("N");
     },
     [] { return std::vector<std::string>{g_Thumbnail.file}; }, [] { return RunThumbnail(g_Thumbnail); }},
    {"unpack", "Writes a landscape as a folder of images and one JSON file, to edit and pack again.",
     "unpack FILE DIR [--force [--discard-edits]]", "unpack island.lnd island",
     [](CLI::App* c) {
         c->add_option("FILE", g_Unpack.file, "The .lnd file to unpack.")->required();
         c->add_option("DIR", g_Unpack.dir, "The folder to write, new or empty.")->required();
         c->add_flag("--force", g_Unpack.force, "Replaces a folder that already holds files.");
         c->add_flag("--discard-edits", g_Unpack.discardEdits,
                     "With --force, replaces pictures edited since that folder was unpacked.");
     },
     [] { return std::vector<std::string>{g_Unpack.file}; }, [] { return RunUnpack(g_Unpack); }},
    {"pack", "Builds a landscape file from a folder that unpack wrote, edited or not.",
     "pack DIR OUT.lnd [--mend-seams]", "pack island island-edited.lnd --mend-seams",
     [](CLI::App* c) {
         c->add_option("DIR", g_Pack.dir, "The folder to pack.")->required();
         c->add_option("OUT", g_Pack.out, "The .lnd file to write.")->required();
         c->add_flag("--mend-seams", g_Pack.mendSeams,
                     "Where one side of a block edge was edited, copies its altitudes and countries onto the "
                     "unedited neighbour; both sides edited and disagreeing is refused.");
     },
     [] { return FilesBelow(g_Pack.dir); }, [] { return RunPack(g_Pack); }},
    {"set-heights", "Sets the altitudes of every placed block from a 513 x 513 heightmap.",
     "set-heights FILE HEIGHTMAP --out NEW.lnd [--format png|r16] [--split-shared]",
     "set-heights island.lnd heights.png --out island-new.lnd",
     [](CLI::App* c) {
         c->add_option("FILE", g_SetHeights.file, "The .lnd file to change.")->required();
         c->add_option("HEIGHTMAP", g_SetHeights.heightmap, "The 513 x 513 heightmap: a PNG, or see --format.")
             ->required();
         c->add_option("--out", g_SetHeights.out, "The .lnd file to write.")->type_name("NEW.lnd")->required();
         c->add_option("--format", g_SetHeights.format,
                       "png (the default): 8-bit grey, or 16-bit grey divided by 257; r16: raw 16-bit "
                       "little-endian samples, row 0 first.")
             ->type_name("FORMAT")
             ->check(CLI::IsMember({"png", "r16"}).description(""));
         c->add_flag("--split-shared", g_SetHeights.splitShared,
                     "Gives each place of a block its own copy where the heightmap gives them different heights.");
     },
     [] { return std::vector<std::string>{g_SetHeights.file, g_SetHeights.heightmap}; },
     [] { return RunSetHeights(g_SetHeights); }},
    {"map", "Writes every layer of a landscape as one whole-map picture: heights, countries, splits, colours.",
     "map FILE DIR", "map island.lnd island-map",
     [](CLI::App* c) {
         c->add_option("FILE", g_Map.file, "The .lnd file.")->required();
         c->add_option("DIR", g_Map.dir, "The folder to write, new or holding only what map wrote.")->required();
     },
     [] { return std::vector<std::string>{g_Map.file}; }, [] { return RunMap(g_Map); }},
    {"set-map", "Sets the layers whose whole-map pictures are in a folder map wrote; the others stay.",
     "set-map FILE DIR --out NEW.lnd [--split-shared]", "set-map island.lnd island-map --out island-new.lnd",
     [](CLI::App* c) {
         c->add_option("FILE", g_SetMap.file, "The .lnd file to change.")->required();
         c->add_option("DIR", g_SetMap.dir, "The folder of pictures.")->required();
         c->add_option("--out", g_SetMap.out, "The .lnd file to write.")->type_name("NEW.lnd")->required();
         c->add_flag("--split-shared", g_SetMap.splitShared,
                     "Gives each place of a block its own copy where the pictures give them different cells.");
     },
     [] {
         std::vector<std::string> inputs = FilesBelow(g_SetMap.dir);
         inputs.push_back(g_SetMap.file);
         return inputs;
     },
     [] { return RunSetMap(g_SetMap); }},
    {"new", "Makes a new landscape from a heightmap and, when given, pictures of its countries and far colours.",
     "new OUT.lnd --heights H.png [--countries C.png] [--colours COL.png] [--materials DIR] [--sea-level N] "
     "[--format png|r16 --size WxH]",
     "new island.lnd --heights terrain.png --sea-level 20",
     [](CLI::App* c) {
         c->add_option("OUT", g_New.out, "The .lnd file to write.")->required();
         c->add_option("--heights", g_New.heights,
                       "The heightmap: a grey PNG of any size, 8- or 16-bit (16-bit divided by 257), resampled "
                       "to 513 x 513; or see --format.")
             ->type_name("H.png")
             ->required();
         c->add_option("--countries", g_New.countries,
                       "A PNG of the countries, indexed with the country palette or RGB (the nearest country "
                       "colour); by altitude bands unless given.")
             ->type_name("C.png");
         c->add_option("--colours", g_New.colours,
                       "A PNG of the far colours, any size, stretched over the whole map; from the materials "
                       "unless given.")
             ->type_name("COL.png");
         c->add_option("--materials", g_New.materials,
                       "A folder of 256 x 256 PNG materials, in name order from the sea up; the sample "
                       "generator's own unless given.")
             ->type_name("DIR");
         c->add_option("--sea-level", g_New.seaLevel,
                       "An altitude, 0 to 255 (0 unless given): lower samples are raised to it.")
             ->type_name("N");
         c->add_option("--format", g_New.format,
                       "png (the default), or r16: raw 16-bit little-endian samples, row 0 first, of --size.")
             ->type_name("FORMAT")
             ->check(CLI::IsMember({"png", "r16"}).description(""));
         c->add_option("--size", g_New.size, "The width and height of raw samples.")->type_name("WxH");
     },
     [] {
         std::vector<std::string> inputs = {g_New.heights, g_New.countries, g_New.colours};
         if (!g_New.materials.empty())
             for (const std::string& file : FilesBelow(g_New.materials)) inputs.push_back(file);
         return inputs;
     },
     [] { return RunNew(g_New); }},
    {"gltf", "Writes a landscape as a glTF 2.0 scene (.glb, or .gltf with its files) for 3D tools.",
     "gltf FILE --out OUT.glb|OUT.gltf [--scale S] [--textures baked|none] [--overlay] [--center]",
     "gltf island.lnd --out island.glb --overlay",
     [](CLI::App* c) {
         c->add_option("FILE", g_Gltf.file, "The .lnd file.")->required();
         c->add_option("--out", g_Gltf.out, "The .glb or .gltf file to write.")->type_name("OUT")->required();
         c->add_option("--scale", g_Gltf.scale, "glTF units per world unit, 0.000001 to 1000000 (1 unless given).")
             ->type_name("S")
             ->check(CLI::Range(1e-6f, 1e6f).description(""));
         c->add_option("--textures", g_Gltf.textures,
                       "baked (the default): each block's surface as the viewer colours it; none: geometry only.")
             ->type_name("KIND")
             ->check(CLI::IsMember({"baked", "none"}).description(""));
         c->add_flag("--overlay", g_Gltf.overlay, "Adds the country wireframe as coloured lines.");
         c->add_flag("--center", g_Gltf.center,
                     "Moves the scene so that the middle of its bounds is at the origin (the map's corner is "
                     "there unless given).");
     },
     [] { return std::vector<std::string>{g_Gltf.file}; }, [] { return RunGltf(g_Gltf); }},
    {"heightmap", "Writes the whole map as one 513 x 513 heightmap with a JSON sidecar, for terrain tools.",
     "heightmap FILE --out OUT [--format png16|png8|r16] [--countries PNG]",
     "heightmap island.lnd --out island.r16 --format r16",
     [](CLI::App* c) {
         c->add_option("FILE", g_Heightmap.file, "The .lnd file.")->required();
         c->add_option("--out", g_Heightmap.out, "The heightmap to write; the sidecar takes its name with .json.")
             ->type_name("OUT")
             ->required();
         c->add_option("--format", g_Heightmap.format,
                       "png16 (the default): 16-bit grey, altitude x 257; png8: the altitudes; r16: raw "
                       "little-endian 16-bit, altitude x 257.")
             ->type_name("FORMAT")
             ->check(CLI::IsMember({"png16", "png8", "r16"}).description(""));
         c->add_option("--countries", g_Heightmap.countries,
                       "Also an indexed PNG of every sample's country, in the country palette.")
             ->type_name("PNG");
     },
     [] { return std::vector<std::string>{g_Heightmap.file}; }, [] { return RunHeightmap(g_Heightmap); }},
    {"web", "Writes one HTML file holding the browser viewer and the landscape, to open from disk anywhere.",
     "web FILE -o HTML", "web island.lnd -o island.html",
     [](CLI::App* c) {
         c->add_option("FILE", g_Web.file, "The .lnd file.")->required();
         c->add_option("-o,--out", g_Web.out, "The HTML file to write.")->type_name("HTML")->required();
     },
     [] { return std::vector<std::string>{g_Web.file}; }, [] { return RunWeb(g_Web); }},
};

// Help that reads as the commands are typed: the usage line of the table,
// options named with the word they take, defaults in their sentences.
class HelpFormatter : public CLI::Formatter {
public:
    std::string make_usage(const CLI::App* app, std::string) const override {
        for (const Command& command : kCommands)
            if (app->get_name() == command.name) return std::string("Usage: lndtool ") + command.usage + "\n";
        return "Usage: lndtool COMMAND [options]   (lndtool COMMAND --help for each command)\n";
    }
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
        &g_Render.changesFrom, &g_Web.file,       &g_Web.out,        &g_Map.file,              &g_Map.dir,
        &g_SetMap.file,     &g_SetMap.dir,     &g_SetMap.out,
        &g_New.out, &g_New.heights, &g_New.countries, &g_New.colours, &g_New.materials};
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

// Edits (a letter put in, left out, changed, or two swapped) from one word
// to the other.
size_t EditDistance(const std::string& a, const std::string& b) {
    std::vector<std::vector<size_t>> d(a.size() + 1, std::vector<size_t>(b.size() + 1));
    for (size_t i = 0; i <= a.size(); ++i) d[i][0] = i;
    for (size_t j = 0; j <= b.size(); ++j) d[0][j] = j;
    for (size_t i = 1; i <= a.size(); ++i)
        for (size_t j = 1; j <= b.size(); ++j) {
            d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1, d[i - 1][j - 1] + (a[i - 1] != b[j - 1])});
            if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1])
                d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
        }
    return d[a.size()][b.size()];
}

// The command a mistyped word is nearest to, when it is near enough to be
// the one meant (two edits, one for a short word); null otherwise.
const char* NearestCommand(const std::string& word) {
    const char* nearest = nullptr;
    size_t best = word.size() <= 3 ? 1 : 2;
    for (const Command& command : kCommands) {
        const size_t distance = EditDistance(word, command.name);
        if (distance <= best && (!nearest || distance < best)) nearest = command.name, best = distance;
    }
    return nearest;
}

}  // namespace

int main(int argc, char** argv) {
    CLI::App app{"lndtool: make, inspect, compare, export, draw, edit and convert Thornveil landscape (.lnd) files.\n"
                 "Exit status: 0 success; 1 a landscape usable with warnings (info), files that differ\n"
                 "(diff), or some files of a render failed; 2 an input it cannot use, a failed write, bad\n"
                 "usage, or no offscreen OpenGL."};
    app.set_version_flag("--version", std::string("lndtool ") + LND_VERSION, "Prints the version and exits.");
    app.set_help_flag("-h,--help", "Prints this help and exits.");
    auto formatter = std::make_shared<HelpFormatter>();
    formatter->label("REQUIRED", "(required)");
    app.formatter(formatter);
    app.require_subcommand(1);
    // "/x" is a path, not an option, wherever the tool runs (Windows builds
    // of CLI11 would take it for one).
    app.allow_windows_style_options(false);
    std::vector<std::pair<CLI::App*, const Command*>> subcommands;
    for (const Command& command : kCommands) {
        CLI::App* sub = app.add_subcommand(command.name, command.description);
        sub->allow_windows_style_options(false);
        sub->group("Commands");
        sub->set_help_flag("-h,--help", "Prints this help and exits.");
        sub->footer(std::string("Example:\n  lndtool ") + command.example);
        command.addOptions(sub);
        // A positional argument is named for what it is; "TEXT" says nothing more.
        for (CLI::Option* option : sub->get_options())
            if (option->get_positional()) option->type_name("");
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
        if (!known && NearestCommand(argv[1])) {
            std::fprintf(stderr, "ERROR : lndtool : unknown command '%s'; did you mean %s? (see 'lndtool --help')\n",
                         argv[1], NearestCommand(argv[1]));
            return 2;
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
        // The help of the command named, where one was.
        std::string help = "lndtool --help";
        for (auto& [sub, command] : subcommands)
            if (argc >= 2 && std::strcmp(argv[1], command->name) == 0) help = std::string("lndtool ") + command->name + " --help";
        std::fprintf(stderr, "ERROR : lndtool : %s (see '%s')\n", e.what(), help.c_str());
        return 2;
    }
    if (!PathsFitTheSystem()) return 2;
    int status = 2;
    for (auto& [sub, command] : subcommands) {
        if (!sub->parsed()) continue;
        for (const std::string& input : command->inputs()) SafeWriteProtectInput(input);
        status = command->run();
    }
    return CheckStandardOutput(status);
}
