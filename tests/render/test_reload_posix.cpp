// The viewer's reload, a hundred times over: every texture, display list and
// byte of the landscape shown before is given back, so the process keeps its
// size and the driver the same number of objects; a change written to the
// file while it loads is seen by the watch afterwards. Runs in the
// offscreen context of test_render.cpp's main.
#include <GL/gl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "tools/sample/sample_landscape.h"
#include "unit_support/test_files.h"
#include "platform/landscape_files.h"
#include "viewer/shown_landscape.h"

namespace {

// Live texture names and display lists, as the driver reports them for every
// id a load of the sample can have used.
struct GlObjects {
    int textures = 0, lists = 0;
};
GlObjects CountGlObjects() {
    GlObjects n;
    // The driver need not give a deleted name out again: the names climb.
    for (GLuint id = 1; id < (1u << 17); ++id) n.textures += glIsTexture(id) == GL_TRUE;
    for (GLuint id = 1; id < 1024; ++id) n.lists += glIsList(id) == GL_TRUE;
    return n;
}

// The process's resident memory, in bytes.
double ResidentBytes() {
    std::ifstream statm("/proc/self/statm");
    long size = 0, resident = 0;
    statm >> size >> resident;
    return double(resident) * double(sysconf(_SC_PAGESIZE));
}

// A console whose first line, printed once the file has been read, is the
// moment another program writes the file.
struct Writer {
    std::string path;
    bool written = false;
};
ssize_t WriteDuringTheLoad(void* cookie, const char*, size_t size) {
    Writer* writer = static_cast<Writer*>(cookie);
    if (!writer->written) {
        std::ofstream(writer->path, std::ios::binary | std::ios::app) << '!';
        writer->written = true;
    }
    return ssize_t(size);
}

}  // namespace

TEST(Reload, AChangeWrittenWhileTheFileLoadsIsReloadedAfterIt) {
    const std::string path = WriteTestFile(TestTempDir("reload") + "/changed.lnd", MakeSampleLandscape(2, 9));
    Writer writer = {path};
    FILE* console = fopencookie(&writer, "w", cookie_io_functions_t{nullptr, WriteDuringTheLoad, nullptr, nullptr});
    ASSERT_NE(console, nullptr);
    setvbuf(console, nullptr, _IONBF, 0);
    FileWatch watch;
    const LoadTranscript said = ShowWatchedLandscape(path, &watch, console);
    // The wireframe lists still print to the console: it is closed after them.
    FinishShownScene();
    std::fclose(console);
    ASSERT_TRUE(writer.written);
    EXPECT_TRUE(said.error.empty()) << said.error;
    // The next look sees the change, the one after finds it settled.
    EXPECT_FALSE(FileWatchSettled(&watch, StampOf(path)));
    EXPECT_TRUE(FileWatchSettled(&watch, StampOf(path)));
}

TEST(Reload, AHundredReloadsOfTheSampleKeepTheProcessAsItWas) {
    const std::string path = WriteTestFile(TestTempDir("reload") + "/sample.lnd", MakeSampleLandscape(1, 255));
    ASSERT_TRUE(ShowLandscape(path.c_str(), nullptr).error.empty());
    FinishShownScene();
    const GlObjects first = CountGlObjects();
    const double firstBytes = ResidentBytes();
    EXPECT_EQ(first.lists, 2 * Landscape.checked.MapBlockCount());
    EXPECT_GE(first.textures, Landscape.checked.MapBlockCount());

    for (int n = 0; n < 100; ++n) {
        ASSERT_TRUE(ShowLandscape(path.c_str(), nullptr).error.empty());
        FinishShownScene();
    }
    const GlObjects after = CountGlObjects();
    EXPECT_EQ(after.textures, first.textures);
    EXPECT_EQ(after.lists, first.lists);
    const double afterBytes = ResidentBytes();
    std::printf("[ reload   ] resident after the first load %.1f MB, after 100 more %.1f MB\n", firstBytes / 1e6,
                afterBytes / 1e6);
    EXPECT_LT(afterBytes, firstBytes * 1.05);

    // A file that fails leaves nothing of the one before.
    EXPECT_FALSE(ShowLandscape((path + ".missing").c_str(), nullptr).error.empty());
    EXPECT_FALSE(Landscape.Usable());
    const GlObjects none = CountGlObjects();
    EXPECT_EQ(none.textures + none.lists, 0);
}
