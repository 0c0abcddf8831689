// The material textures as loading uploads them: their mipmap levels, made on
// worker threads, are those the GL utility library builds, texel for texel,
// and a load on several threads leaves every texture as a load on one does.
// Runs in the offscreen context of test_render.cpp's main.
#include <GL/gl.h>
#include <GL/glu.h>
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "landscape/landscape_load.h"
#include "scene/landscape_scene.h"
#include "texture/material_mipmaps.h"
#include "tools/sample/sample_landscape.h"
#include "unit_support/test_files.h"

namespace {

// Every level of the texture bound to GL_TEXTURE_2D, read back as 16-bit red.
std::vector<uint16_t> ReadLevels() {
    std::vector<uint16_t> levels(kMaterialMipmapTexels);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    for (int level = 0; level < kMaterialLevelCount; ++level)
        glGetTexImage(GL_TEXTURE_2D, level, GL_RED, GL_UNSIGNED_SHORT, levels.data() + MaterialLevelOffset(level));
    return levels;
}

// A texture of the given internal format made by gluBuild2DMipmaps, and one
// made level by level from ReduceMaterialLevels; both read back.
void BothWays(const std::vector<uint16_t>& image, GLint internalFormat, std::vector<uint16_t>* glu,
              std::vector<uint16_t>* ours, std::vector<uint16_t>* computed) {
    GLuint names[2];
    glGenTextures(2, names);
    glBindTexture(GL_TEXTURE_2D, names[0]);
    gluBuild2DMipmaps(GL_TEXTURE_2D, internalFormat, 256, 256, GL_RED, GL_UNSIGNED_SHORT, image.data());
    *glu = ReadLevels();

    computed->assign(kMaterialMipmapTexels, 0);
    std::copy(image.begin(), image.end(), computed->begin());
    ReduceMaterialLevels(computed->data());
    glBindTexture(GL_TEXTURE_2D, names[1]);
    for (int level = 0; level < kMaterialLevelCount; ++level)
        glTexImage2D(GL_TEXTURE_2D, level, internalFormat, 256 >> level, 256 >> level, 0, GL_RED, GL_UNSIGNED_SHORT,
                     computed->data() + MaterialLevelOffset(level));
    *ours = ReadLevels();
    glDeleteTextures(2, names);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

}  // namespace

TEST(TextureUpload, MipmapLevelsAreTheUtilityLibrarysTexelForTexel) {
    std::mt19937 rng(5);
    std::vector<std::vector<uint16_t>> images;
    for (int n = 0; n < 3; ++n) {  // noise, odd sums everywhere, and extremes
        std::vector<uint16_t> image(65536);
        for (uint16_t& t : image) t = uint16_t(n == 0 ? rng() : n == 1 ? (rng() % 4) + 1 : (rng() & 1) * 65535);
        images.push_back(image);
    }
    for (const std::vector<uint16_t>& image : images) {
        std::vector<uint16_t> glu, ours, computed;
        // A 16-bit internal format shows every unit of difference.
        BothWays(image, GL_LUMINANCE16, &glu, &ours, &computed);
        EXPECT_TRUE(glu == computed) << "the reduction differs from the utility library's";
        EXPECT_TRUE(glu == ours);
        // The format loading uses: the textures are the same.
        BothWays(image, 1, &glu, &ours, &computed);
        EXPECT_TRUE(glu == ours);
    }
}

TEST(TextureUpload, SeveralThreadsAndStoredBytesLeaveEveryTextureAsOneThreadAndTheDriverDo) {
    const std::vector<uint8_t> bytes = MakeSampleLandscape(3, 60);
    const std::string path = WriteTestFile(TestTempDir("threads") + "/land.lnd", bytes);
    std::vector<std::vector<uint16_t>> textures[2];
    for (int run = 0; run < 2; ++run) {
        LoadTranscript said;
        const LandscapeLoad landscape = LoadLandscapeFile(path.c_str(), &said);
        ASSERT_TRUE(landscape.Usable()) << said.error;
        // One thread converting nothing, against three with the stored bytes.
        SceneBuild how;
        how.workers = run == 0 ? 0 : 3;
        how.driverConverts = run == 0;
        LandscapeScene scene = BuildLandscapeScene(landscape.checked, nullptr, how);
        for (GLuint name : scene.blockTextureNames) {
            glBindTexture(GL_TEXTURE_2D, name);
            textures[run].push_back(ReadLevels());
        }
        DestroyLandscapeScene(&scene);
    }
    ASSERT_GT(textures[0].size(), 40u);
    ASSERT_EQ(textures[0].size(), textures[1].size());
    for (size_t k = 0; k < textures[0].size(); ++k) EXPECT_TRUE(textures[0][k] == textures[1][k]) << "block " << k;
}
